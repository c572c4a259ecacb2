#!/usr/bin/env python3
"""Opt-in: a source of more than 4 GiB, once as a file on disk and once
streamed through a pipe, converts completely and exactly.
Usage: large_source_test.py PATH_TO_ZIVUVI [SCRATCH_DIR] [GIB]"""

import array
import os
import struct
import subprocess
import sys
import tempfile
import time

LINE_BYTES = 4096  # few values per byte keeps the output small


def lines(count):
    """Line i holds i and i % 1000 + 0.25, padded with ignored text."""
    for start in range(0, count, 1024):
        chunk = []
        for i in range(start, min(start + 1024, count)):
            text = b"%d;%d.25" % (i, i % 1000)
            chunk.append(text + b" " * (LINE_BYTES - 1 - len(text)) + b"\n")
        yield b"".join(chunk)


def check(output, count):
    with open(output, "rb") as f:
        head = f.read(45)
        columns, rows = struct.unpack("<ii", head[36:44])
        if (columns, rows) != (2, count):
            return "dimensions %d x %d, expected 2 x %d" % (columns, rows, count)
        values = array.array("d")
        values.frombytes(f.read())
    if sys.byteorder != "little":
        values.byteswap()
    if len(values) != 2 * count:
        return "%d values, expected %d" % (len(values), 2 * count)
    for i in range(count):
        if values[2 * i] != i or values[2 * i + 1] != i % 1000 + 0.25:
            return "line %d reads %r %r" % (i, values[2 * i], values[2 * i + 1])
    return None


def main():
    zivuvi = sys.argv[1]
    scratch_parent = sys.argv[2] if len(sys.argv) > 2 else None
    gib = float(sys.argv[3]) if len(sys.argv) > 3 else 4.25
    count = int(gib * (1 << 30)) // LINE_BYTES
    size = count * LINE_BYTES
    failures = 0
    with tempfile.TemporaryDirectory(dir=scratch_parent) as scratch:
        source = os.path.join(scratch, "large.csv")
        output = os.path.join(scratch, "large.bin")
        with open(source, "wb") as f:
            for chunk in lines(count):
                f.write(chunk)
        start = time.monotonic()
        result = subprocess.run([zivuvi, source, output, ".", ";", "x"], capture_output=True)
        seconds = time.monotonic() - start
        os.remove(source)
        problem = result.stdout.decode() if result.returncode else check(output, count)
        print("file of %.2f GiB: %.1f s, %.0f MB/s: %s" % (size / (1 << 30), seconds,
                                                        size / seconds / 1e6, problem or "ok"))
        failures += problem is not None

        start = time.monotonic()
        tool = subprocess.Popen([zivuvi, "/dev/stdin", output, ".", ";", "x"],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        for chunk in lines(count):
            tool.stdin.write(chunk)
        tool.stdin.close()
        message = tool.stdout.read()
        tool.wait()
        seconds = time.monotonic() - start
        problem = message.decode() if tool.returncode else check(output, count)
        print("pipe of %.2f GiB: %.1f s, %.0f MB/s: %s" % (size / (1 << 30), seconds,
                                                        size / seconds / 1e6, problem or "ok"))
        failures += problem is not None
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
