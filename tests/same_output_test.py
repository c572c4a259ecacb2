#!/usr/bin/env python3
"""The Linux and the Windows executables give the same results: for every
table below, the same exit status, the same message (CR LF line ends on
Windows) and a byte-identical output file.
Usage: same_output_test.py LINUX_ZIVUVI WINDOWS_ZIVUVI_EXE  (Wine: $WINE; start a
persistent Wine server first, as .ci/run does)"""

import os
import random
import subprocess
import sys
import tempfile

from octave_load_test import FIXTURES


def generated_table():
    """A mixed table exercising every path of the number reading."""
    rng = random.Random(5)
    kinds = [
        lambda: "%.17g" % rng.uniform(-1e6, 1e6),
        lambda: "%d" % rng.randrange(-10**6, 10**6),
        lambda: "%.3fe%d" % (rng.random() * 10, rng.randrange(-330, 320)),
        lambda: "%s%d,%d" % (rng.choice("+-"), rng.randrange(10**4), rng.randrange(10**7)),
        lambda: rng.choice(["+INF", "-NAN", "", "abc", " 7", "1e", "0x10", "-", "1" * 25]),
        lambda: "%de%d" % (rng.randrange(1, 10**19), rng.randrange(-400, 400)),
    ]
    lines = []
    for _ in range(20000):
        lines.append(";".join(rng.choice(kinds)() for _ in range(rng.randrange(1, 12))))
    return ("\r\n".join(lines) + "\r\n").encode()


def main():
    linux, windows = sys.argv[1], sys.argv[2]
    wine = os.environ.get("WINE", "/usr/lib/wine/wine64")
    env = dict(os.environ, WINEDEBUG="-all")
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "examples", "logger.csv"), "rb") as f:
        example = f.read()
    cases = [(name, text, sep, delim) for name, text, sep, delim, *_ in FIXTURES] + [
        ("example", example, b",", b";"),
        ("generated", generated_table(), b",", b";"),
        ("long_first_line", b"1;" * 300000 + b"\n2\n", b".", b";"),
        ("empty", b"", b".", b";"),
        ("short", b"5", b".", b";"),
        ("zero_bytes", b"1;2\n3;\x004\n\x005;6\n", b".", b";"),
        ("end_of_text", b"1;2\r\n3;4\x1a5;6\r\n", b".", b";"),
    ]
    passed = failed = 0
    with tempfile.TemporaryDirectory() as scratch:
        for name, text, sep, delim in cases:
            source = os.path.join(scratch, name + ".csv")
            with open(source, "wb") as f:
                f.write(text)
            results = []
            for command, suffix in (([linux], ".linux"), ([wine, windows], ".windows")):
                output = os.path.join(scratch, name + suffix)
                run = subprocess.run([*command, source, output, sep, delim, name],
                                     capture_output=True, env=env, timeout=600)
                data = open(output, "rb").read() if os.path.exists(output) else None
                results.append((run.returncode, run.stdout, data))
            (linux_status, linux_out, linux_data), (win_status, win_out, win_data) = results
            problems = []
            if linux_status != win_status:
                problems.append("exit %d on Linux, %d on Windows" % (linux_status, win_status))
            if linux_out.replace(b"\n", b"\r\n") != win_out:
                problems.append("messages %r and %r" % (linux_out, win_out))
            if linux_data != win_data:
                problems.append("output files differ")
            print("%-16s exit %d, %s bytes: %s" % (
                name, linux_status, len(linux_data) if linux_data is not None else "no",
                "; ".join(problems) or "same"))
            passed += not problems
            failed += bool(problems)
    # The argument checks come before any file is touched.
    for args in ([], ["a", "b", "", ";", "x"], ["a", "b", ".", "", "x"], ["a", "b", ".", ";", ""]):
        linux_run = subprocess.run([linux, *args], capture_output=True)
        win_run = subprocess.run([wine, windows, *args], capture_output=True, env=env)
        same = (linux_run.returncode == win_run.returncode and
                linux_run.stdout.replace(b"\n", b"\r\n") == win_run.stdout)
        print("arguments %-22r exit %d: %s" % (args, linux_run.returncode,
                                               "same" if same else "DIFFERENT"))
        passed += same
        failed += not same
    print("same output: %d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
