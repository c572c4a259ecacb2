#!/usr/bin/env python3
"""Converts a set of tables with zivuvi and loads every result in GNU Octave,
which is the reader our files are for: name, class, size and the bits of
every value must be what the table says. Usage: octave_load_test.py PATH_TO_ZIVUVI

Exits 77 (skipped) when octave-cli is missing, except under CI=true."""

import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile



class Bits(int):
    """A value given by its bit pattern: NaNs differ only there."""


INF = math.inf
NAN_BITS = Bits(0x7FF8000000000000)
NEGATIVE_NAN_BITS = Bits(0xFFF8000000000000)


def bits(value):
    return struct.unpack("<Q", struct.pack("<d", value))[0]


LONG_LINE_FIELDS = 5000
long_line = ";".join("%d,5" % i for i in range(LONG_LINE_FIELDS)).encode()

# name, source bytes, decimal separator, delimiter, rows and columns as Octave
# sees them (the table transposed), values column by column (line by line).
FIXTURES = [
    ("logger", b"Zeit;Temperatur;Spannung\r\n0;21,5;3,30\r\n1;-0,25;1,5e-3\r\n2;22;\r\n",
     b",", b";", 3, 4, [0, 0, 0, 0, 21.5, 3.3, 1, -0.25, 1.5e-3, 2, 22, 0]),
    ("ragged", b"1,2,3\n4\n\n5,6,7,8\n9", b".", b",", 3, 5,
     [1, 2, 3, 4, 0, 0, 0, 0, 0, 5, 6, 7, 9, 0, 0]),
    ("special", b"+INF;-INF;+NAN;-NAN;inf;1e999;-;5e-324;-1e-400\n", b".", b";", 9, 1,
     [INF, -INF, NAN_BITS, NEGATIVE_NAN_BITS, 0.0, INF, -0.0, 5e-324, -0.0]),
    ("wide", long_line + b"\n" + long_line, b",", b";", LONG_LINE_FIELDS, 2,
     [i + 0.5 for i in range(LONG_LINE_FIELDS)] * 2),
    ("single", b"5\n", b".", b";", 1, 1, [5.0]),
    ("crlf", b"1.5\t2\r\n3\t4.25\r\n", b".", b"\t", 2, 2, [1.5, 2, 3, 4.25]),
    ("lf", b"1.5\t2\n3\t4.25\n", b".", b"\t", 2, 2, [1.5, 2, 3, 4.25]),
    # A spreadsheet's "Unicode text": UTF-16 with a byte-order mark.
    ("unicode", "\ufeffZeit\tSpannung µV\r\n0,5\t1,25\r\n".encode("utf-16-le"), b",", b"\t",
     2, 2, [0, 0, 0.5, 1.25]),
    # Written into a pipe to gzip, which Octave loads as it is.
    ("piped", b"1;2;3\n4;5;6\n" * 20000, b".", b";", 3, 40000, [1, 2, 3, 4, 5, 6] * 20000),
]
PIPED = {"piped"}

OCTAVE_SCRIPT = r"""
files = argv();
for i = 1:numel(files)
  s = load(files{i});
  names = fieldnames(s);
  printf("file %s\n", files{i});
  printf("names %d %s\n", numel(names), names{1});
  v = s.(names{1});
  printf("class %s\n", class(v));
  printf("size %d %d\n", size(v));
  disp(num2hex(v(:)));
end
"""


def expected_bits(value):
    return value if isinstance(value, Bits) else bits(float(value))


def main():
    zivuvi = sys.argv[1]
    octave = shutil.which("octave-cli")
    if octave is None:
        if os.environ.get("CI") == "true":
            print("octave-cli is missing, and CI must load our files in Octave")
            return 1
        print("octave-cli is missing: skipped (install Debian's octave package to run it)")
        return 77

    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        outputs = []
        for name, text, separator, delimiter, *_ in FIXTURES:
            source = os.path.join(scratch, name + ".csv")
            output = os.path.join(scratch, name + ".bin")
            with open(source, "wb") as f:
                f.write(text)
            if name in PIPED:
                output += ".gz"
                with open(output, "wb") as compressed:
                    gzip = subprocess.Popen(["gzip"], stdin=subprocess.PIPE, stdout=compressed)
                    result = subprocess.run([zivuvi, source, "/dev/stdout", separator,
                                             delimiter, name], stdout=gzip.stdin)
                    gzip.stdin.close()
                    gzip.wait()
            else:
                result = subprocess.run([zivuvi, source, output, separator, delimiter, name],
                                        capture_output=True)
            if result.returncode != 0 or result.stdout:
                failures.append("%s: zivuvi exited %d: %r" % (name, result.returncode,
                                                               result.stdout))
            outputs.append(output)
        script = os.path.join(scratch, "check.m")
        with open(script, "w") as f:
            f.write(OCTAVE_SCRIPT)
        env = dict(os.environ, OCTAVE_HISTFILE=os.path.join(scratch, "history"))
        result = subprocess.run([octave, "--no-gui", "--norc", "-q", script, *outputs],
                                capture_output=True, text=True, env=env, timeout=600)
        if result.returncode != 0:
            print(result.stdout, result.stderr)
            return 1
        reports = result.stdout.split("file ")[1:]

    if len(reports) != len(FIXTURES):
        failures.append("Octave reported %d files of %d" % (len(reports), len(FIXTURES)))
    for (name, _, _, _, rows, columns, values), report in zip(FIXTURES, reports):
        lines = report.split("\n")
        got = {
            "names": lines[1],
            "class": lines[2],
            "size": lines[3],
            "values": [int(h, 16) for h in lines[4:] if h.strip()],
        }
        want = {
            "names": "names 1 " + name,
            "class": "class double",
            "size": "size %d %d" % (rows, columns),
            "values": [expected_bits(v) for v in values],
        }
        for key in want:
            if got[key] != want[key]:
                failures.append("%s: %s is %.200r, expected %.200r" % (name, key, got[key],
                                                                     want[key]))
        print("%-8s loaded in Octave as %d x %d double: %s" % (
            name, rows, columns, "ok" if not any(f.startswith(name + ":") for f in failures)
            else "FAILED"))

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
