#!/usr/bin/env python3
"""Times zivuvi end to end against its yardsticks, side by side, on one
generated table (20 columns of values such as -1234.5678901, 1.5e-03, 42 and
0.25, semicolons, decimal point):

  zivuvi              the tool: reads the table, writes the Octave file, with
                      its default threads (one per processor it may use)
  zivuvi, 1 thread    the same with ZIVUVI_THREADS=1
  from_chars loop     std::from_chars over the table already in memory, on one
                      thread and split at line feeds over every processor
  wc -l               reading the file once: the floor
  polars, DuckDB      their CSV readers (Node.js), every column as float64, when
                      installed: npm --prefix bench/node install
  Octave              dlmread followed by save -binary, when octave-cli is installed
  numpy.loadtxt       when numpy is installed

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
NODE_READERS = os.path.join(ROOT, "bench", "node")


def build():
    build_dir = os.environ.get("BUILD", os.path.join(ROOT, "build-bench"))
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DZIVUVI_BENCHMARKS=ON", "-DZIVUVI_TESTS=OFF"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j", str(os.cpu_count())], check=True,
                   stdout=subprocess.DEVNULL)
    return build_dir


def seconds_of(command, remove=None, **kwargs):
    """remove: a file deleted first, so that no run pays for truncating the
    last one's output."""
    if remove and os.path.exists(remove):
        os.remove(remove)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **kwargs)
    seconds = time.perf_counter() - start
    # The disk writes back what the command wrote before the next one is timed.
    os.sync()
    return seconds


def find_numpy_python():
    for python in [sys.executable, "/usr/bin/python3"]:
        if subprocess.run([python, "-c", "import numpy"], capture_output=True).returncode == 0:
            return python
    return None


def node_reader_installed(name):
    package = {"polars": "nodejs-polars", "DuckDB": os.path.join("@duckdb", "node-api")}[name]
    return shutil.which("node") and os.path.isdir(
        os.path.join(NODE_READERS, "node_modules", package))


def main():
    size_mb = int(sys.argv[1]) if len(sys.argv) > 1 else 256
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    build_dir = build()
    bench = os.path.join(build_dir, "bench")
    zivuvi = os.path.join(build_dir, "zivuvi")
    threads = len(os.sched_getaffinity(0))
    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR")) as work:
        table = os.path.join(work, "table.csv")
        with open(table, "wb") as f:
            subprocess.run([os.path.join(bench, "make_table"), str(size_mb * 1000000), "20"],
                           stdout=f, check=True)
        size = os.path.getsize(table)
        subprocess.run(["cat", table], stdout=subprocess.DEVNULL, check=True)  # page cache
        output = os.path.join(work, "table.bin")
        one_thread = dict(os.environ, ZIVUVI_THREADS="1")

        def loop(thread_count):
            result = subprocess.run([os.path.join(bench, "parse_loop"), table, "3",
                                     str(thread_count)], capture_output=True, text=True,
                                    check=True)
            return float(result.stdout)

        def node_reader(name):
            result = subprocess.run(["node", os.path.join(NODE_READERS, "read_table.mjs"),
                                     name.lower(), table, str(threads)], capture_output=True,
                                    text=True, check=True)
            return size / float(result.stdout) / 1e6

        # Round by round, so that the shared machine's ups and downs fall on
        # the tool and its yardsticks alike.
        measures = [
            ("zivuvi (file to file, %d threads)" % threads,
             lambda: size / seconds_of([zivuvi, table, output, ".", ";", "x"], output) / 1e6),
            ("zivuvi, ZIVUVI_THREADS=1",
             lambda: size / seconds_of([zivuvi, table, output, ".", ";", "x"], output,
                                       env=one_thread) / 1e6),
            ("from_chars loop (in memory, 1 thread)", lambda: loop(1)),
            ("from_chars loop (in memory, %d threads)" % threads, lambda: loop(threads)),
            ("wc -l (read floor)", lambda: size / seconds_of(["wc", "-l", table]) / 1e6),
        ]
        for name in ("polars", "DuckDB"):
            if node_reader_installed(name):
                measures.append(("%s CSV reader (%d threads)" % (name, threads),
                                 lambda name=name: node_reader(name)))
        rates = {name: [] for name, _ in measures}
        for _ in range(runs):
            for name, measure in measures:
                rates[name].append(measure())
        rows = [(name, statistics.median(rates[name])) for name, _ in measures]

        slow_runs = max(1, min(runs, 3))
        octave = shutil.which("octave-cli")
        if octave:
            script = "x = dlmread('%s', ';'); save('-binary', '%s', 'x');" % (
                table, os.path.join(work, "octave.bin"))
            env = dict(os.environ, OCTAVE_HISTFILE=os.path.join(work, "history"))
            seconds = statistics.median(
                seconds_of([octave, "--no-gui", "--norc", "-q", "--eval", script],
                           os.path.join(work, "octave.bin"), env=env) for _ in range(slow_runs))
            rows.append(("Octave dlmread + save -binary", size / seconds / 1e6))
        python = find_numpy_python()
        if python:
            script = "import numpy; numpy.loadtxt('%s', delimiter=';')" % table
            seconds = statistics.median(
                seconds_of([python, "-c", script]) for _ in range(slow_runs))
            rows.append(("numpy.loadtxt", size / seconds / 1e6))

    tool = rows[0][1]
    print("table: %d MB, 20 columns; median of %d runs (%d for Octave and numpy)" % (
        size // 1000000, runs, slow_runs))
    print("%-42s %10s %14s" % ("", "MB/s", "zivuvi is"))
    for name, rate in rows:
        print("%-42s %10.0f %13.2fx" % (name, rate, tool / rate))


if __name__ == "__main__":
    main()
