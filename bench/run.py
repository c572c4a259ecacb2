#!/usr/bin/env python3
"""Times zivuvi end to end against its yardsticks, side by side, on one
generated table (20 columns of values such as -1234.5678901, 1.5e-03, 42 and
0.25, semicolons, decimal point):

  zivuvi            the tool: reads the table, writes the Octave file
  from_chars loop   std::from_chars over the table already in memory
  wc -l             reading the file once: the floor
  Octave            dlmread followed by save -binary, when octave-cli is installed
  numpy.loadtxt     when numpy is installed

Prints MB/s of table for each (the median of several runs) and the tool's
ratio against each. Usage: bench/run.py [SIZE_MB] [RUNS]   (default 256 MB, 5 runs)
Builds into build-bench/ (override with BUILD=dir)."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def build():
    build_dir = os.environ.get("BUILD", os.path.join(ROOT, "build-bench"))
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DZIVUVI_BENCHMARKS=ON", "-DZIVUVI_TESTS=OFF"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j", str(os.cpu_count())], check=True,
                   stdout=subprocess.DEVNULL)
    return build_dir


def median_seconds(command, runs, remove=None, **kwargs):
    """remove: a file deleted before each run, so that no run pays for
    truncating the last one's output."""
    times = []
    for _ in range(runs):
        if remove and os.path.exists(remove):
            os.remove(remove)
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **kwargs)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def find_numpy_python():
    for python in [sys.executable, "/usr/bin/python3"]:
        if subprocess.run([python, "-c", "import numpy"], capture_output=True).returncode == 0:
            return python
    return None


def main():
    size_mb = int(sys.argv[1]) if len(sys.argv) > 1 else 256
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    build_dir = build()
    bench = os.path.join(build_dir, "bench")
    zivuvi = os.path.join(build_dir, "zivuvi")
    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR")) as work:
        table = os.path.join(work, "table.csv")
        with open(table, "wb") as f:
            subprocess.run([os.path.join(bench, "make_table"), str(size_mb * 1000000), "20"],
                           stdout=f, check=True)
        size = os.path.getsize(table)
        subprocess.run(["cat", table], stdout=subprocess.DEVNULL, check=True)  # page cache
        output = os.path.join(work, "table.bin")
        # Round by round, so that the shared machine's ups and downs fall on
        # the tool and its yardsticks alike.
        tool_rates, loop_rates, read_rates = [], [], []
        for _ in range(runs):
            tool_rates.append(size / median_seconds([zivuvi, table, output, ".", ";", "x"], 1,
                                                    remove=output) / 1e6)
            loop = subprocess.run([os.path.join(bench, "parse_loop"), table, "3"],
                                  capture_output=True, text=True, check=True)
            loop_rates.append(float(loop.stdout))
            read_rates.append(size / median_seconds(["wc", "-l", table], 1) / 1e6)
        rows = [("zivuvi (file to file)", statistics.median(tool_rates)),
                ("from_chars loop (in memory)", statistics.median(loop_rates)),
                ("wc -l (read floor)", statistics.median(read_rates))]
        slow_runs = max(1, min(runs, 3))
        octave = shutil.which("octave-cli")
        if octave:
            script = "x = dlmread('%s', ';'); save('-binary', '%s', 'x');" % (
                table, os.path.join(work, "octave.bin"))
            env = dict(os.environ, OCTAVE_HISTFILE=os.path.join(work, "history"))
            seconds = median_seconds([octave, "--no-gui", "--norc", "-q", "--eval", script],
                                     slow_runs, remove=os.path.join(work, "octave.bin"), env=env)
            rows.append(("Octave dlmread + save -binary", size / seconds / 1e6))
        python = find_numpy_python()
        if python:
            script = "import numpy; numpy.loadtxt('%s', delimiter=';')" % table
            seconds = median_seconds([python, "-c", script], slow_runs)
            rows.append(("numpy.loadtxt", size / seconds / 1e6))

    tool = rows[0][1]
    print("table: %d MB, 20 columns; median of %d runs (%d for Octave and numpy)" % (
        size // 1000000, runs, slow_runs))
    print("%-32s %10s %14s" % ("", "MB/s", "zivuvi is"))
    for name, rate in rows:
        print("%-32s %10.0f %13.2fx" % (name, rate, tool / rate))


if __name__ == "__main__":
    main()
