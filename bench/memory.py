#!/usr/bin/env python3
"""Peak memory does not grow with the table: the maximum resident set of a
conversion of a 1 KB, a 100 MB and a 1 GB generated table, with the default
threads (measured with GNU time, /usr/bin/time: Debian's package time). The
two large ones must be within 1 MiB of each other and under 32 MiB; the
small one starts no threads.
Usage: bench/memory.py [BIG_MB]   (default 1000; builds into build-bench/ like run.py)"""

import os
import subprocess
import sys
import tempfile

from run import build


def peak_kib(command):
    """The maximum resident set of the command, by GNU time."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], capture_output=True,
                            text=True, check=True)
    return int(result.stderr.split()[-1])


def main():
    big_mb = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    build_dir = build()
    zivuvi = os.path.join(build_dir, "zivuvi")
    make_table = os.path.join(build_dir, "bench", "make_table")
    results = []
    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR")) as work:
        for label, size in (("1 KB", 1000), ("100 MB", 100000000),
                            ("%d MB" % big_mb, big_mb * 1000000)):
            table = os.path.join(work, "table.csv")
            with open(table, "wb") as f:
                subprocess.run([make_table, str(size), "20"], stdout=f, check=True)
            kib = peak_kib([zivuvi, table, os.path.join(work, "table.bin"), ".", ";", "x"])
            results.append((label, os.path.getsize(table), kib))
            os.remove(table)
    for label, size, kib in results:
        print("%-8s table (%d bytes): peak resident set %d KiB" % (label, size, kib))
    difference = results[2][2] - results[1][2]
    largest = max(kib for _, _, kib in results)
    fine = abs(difference) <= 1024 and largest < 32 * 1024
    print("difference between the large ones: %d KiB; largest %d KiB (%s)" % (
        difference, largest, "within 1 MiB and under 32 MiB" if fine else "OVER"))
    return 0 if fine else 1


if __name__ == "__main__":
    sys.exit(main())
