#!/usr/bin/env python3
"""Every file the tool opens is closed on every path, failures included:
valgrind --track-fds counts the descriptors still open at exit.
Usage: open_files_test.py PATH_TO_ZIVUVI (exit 77, skipped, without valgrind)"""

import os
import re
import shutil
import subprocess
import sys
import tempfile


def main():
    zivuvi = os.fsencode(sys.argv[1])
    valgrind = shutil.which("valgrind")
    if valgrind is None:
        print("valgrind is missing: skipped")
        return 77
    with tempfile.TemporaryDirectory() as scratch:
        d = os.fsencode(scratch)
        good = os.path.join(d, b"good.csv")
        with open(good, "wb") as f:
            f.write(b"1;2\n3;4\n")
        empty = os.path.join(d, b"empty.csv")
        open(empty, "wb").close()
        out = os.path.join(d, b"out.bin")
        runs = {
            "success": [good, out, b".", b";", b"x"],
            "invalid data": [empty, out, b".", b";", b"x"],
            "unreadable source": [d, out, b".", b";", b"x"],
            "destination is source": [good, good, b".", b";", b"x"],
            "cannot create destination": [good, os.path.join(d, b"no", b"x.bin"), b".", b";",
                                          b"x"],
            "full disk": [good, b"/dev/full", b".", b";", b"x"],
        }
        failures = 0
        for name, args in runs.items():
            result = subprocess.run([valgrind, "--track-fds=yes", "--error-exitcode=99",
                                     zivuvi, *args], capture_output=True, timeout=300)
            report = result.stderr.decode(errors="replace")
            match = re.search(r"FILE DESCRIPTORS: (\d+) open(?: \((\d+) std\))? at exit", report)
            still_open = int(match.group(1)) - int(match.group(2) or 3) if match else None
            ok = result.returncode in (0, 1) and still_open == 0
            print("%-26s exit %d, files left open: %s  %s" % (
                name, result.returncode, still_open, "ok" if ok else "FAILED"))
            if not ok:
                print(report)
                failures += 1
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
