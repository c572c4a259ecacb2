#!/usr/bin/env python3
"""Runs the zivuvi executable as a user does: its messages, exit statuses and the
files it leaves behind. Usage: command_line_test.py PATH_TO_ZIVUVI

A path ending in .exe is the Windows build, run under Wine ($WINE, by default
/usr/lib/wine/wine64): its messages end lines in CR LF, and the tests that need
POSIX pipes, FIFOs or byte-exact non-ASCII arguments are skipped. Start
`wineserver -p >/dev/null 2>&1` and run Wine once first, as .ci/run does:
otherwise every run waits for a new Wine server to end."""

import os
import pty
import struct
import subprocess
import sys
import tempfile
import time
import unittest

ZIVUVI = os.fsencode(sys.argv.pop(1)) if __name__ == "__main__" else b""
WINDOWS = ZIVUVI.endswith(b".exe")
COMMAND = [os.environ.get("WINE", "/usr/lib/wine/wine64"), ZIVUVI] if WINDOWS else [ZIVUVI]
posix_only = unittest.skipIf(WINDOWS, "needs POSIX pipes, FIFOs or byte arguments")

BANNER = b"zivuvi 1.0 - converts a delimited text table into an Octave binary data file\n"
USAGE = b"usage: zivuvi.exe src_path dest_path dec_sep delim var_ident\n\n"


def failure(message):
    text = BANNER + USAGE + b"Error - " + message + b"!\n"
    return text.replace(b"\n", b"\r\n") if WINDOWS else text


NOT_ENOUGH_PARAMETERS = failure(b"not enough parameters")
CANT_READ_SOURCE = failure(b"can't read source file")
CANT_CREATE_DESTINATION = failure(b"can't create destination file")
INVALID_DATA = failure(b"invalid data in source file")
DESTINATION_IS_SOURCE = failure(b"destination file is the source file")
CANT_WRITE_DESTINATION = failure(b"can't write destination file")


def octave_file(name, columns, values):
    lines = len(values) // columns
    return (b"Octave-1-L\0" + struct.pack("<i", len(name)) + name + struct.pack("<iBBi", 0, 0, 255, 6)
            + b"matrix" + struct.pack("<iiiB", -2, columns, lines, 7)
            + struct.pack("<%dd" % len(values), *values))


class Tool(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.dir = os.fsencode(self.scratch.name)

    def tearDown(self):
        self.scratch.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        path = self.path(name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def zivuvi(self, *args, stdin=None, env=None):
        # Wine decodes the command line by the locale: UTF-8.
        env = dict(os.environ, WINEDEBUG="-all", LANG="C.UTF-8", **(env or {}))
        result = subprocess.run([*COMMAND, *args], stdin=stdin, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=120, env=env)
        if not WINDOWS:  # Wine has its own say on standard error
            self.assertEqual(b"", result.stderr)
        return result.returncode, result.stdout

    def expect(self, args, status, output, stdin=None, env=None):
        self.assertEqual((status, output), self.zivuvi(*args, stdin=stdin, env=env))


class Arguments(Tool):
    def test_rejects_missing_or_empty_arguments_before_touching_a_file(self):
        source = self.write(b"in.csv", b"1;2\n")
        out = self.path(b"out.bin")
        cases = [
            ([], NOT_ENOUGH_PARAMETERS),
            ([source], NOT_ENOUGH_PARAMETERS),
            ([source, out, b",", b";"], NOT_ENOUGH_PARAMETERS),
            ([source, out, b"", b";", b"x"], failure(b"invalid decimal separator")),
            ([source, out, b"", b"", b""], failure(b"invalid decimal separator")),
            ([source, out, b",", b"", b"x"], failure(b"invalid delimiter")),
            ([source, out, b",", b"", b""], failure(b"invalid delimiter")),
            ([source, out, b",", b";", b""], failure(b"invalid variable name")),
            # A character of several bytes would be cut to its first byte.
            ([source, out, "·".encode(), b";", b"x"], failure(b"invalid decimal separator")),
            ([source, out, b",", "¦".encode(), b"x"], failure(b"invalid delimiter")),
            ([source, out, "€".encode(), b";", b"x"], failure(b"invalid decimal separator")),
            ([source, out, b",", "😀".encode(), b"x"], failure(b"invalid delimiter")),
            # The reader removes carriage returns and stops at 0x1A.
            ([source, out, b"\r", b";", b"x"], failure(b"invalid decimal separator")),
            ([source, out, b",", b"\x1a", b"x"], failure(b"invalid delimiter")),
            ([self.path(b"missing.csv"), out, b",", b";", b"x"], CANT_READ_SOURCE),
            ([source, self.path(b"no/such/dir.bin"), b",", b";", b"x"], CANT_CREATE_DESTINATION),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.expect(args, 1, message)
                self.assertFalse(os.path.exists(out))
                self.assertEqual(b"1;2\n", self.read(source))

    def test_takes_the_first_character_and_ignores_extra_arguments(self):
        source = self.write(b"in.csv", b"1,5;2,25\n")
        out = self.path(b"out.bin")
        self.expect([source, out, b",x", b";;", b"v", b"extra", b"more"], 0, b"")
        self.assertEqual(octave_file(b"v", 2, [1.5, 2.25]), self.read(out))

    @posix_only
    def test_takes_a_single_byte_above_ascii_as_separator(self):
        # A Latin-1 middle dot, as an old export writes it: one byte, no UTF-8.
        source = self.write(b"in.csv", b"1\xb75\xa62\xb725\n")
        out = self.path(b"out.bin")
        self.expect([source, out, b"\xb7", b"\xa6", b"x"], 0, b"")
        self.assertEqual(octave_file(b"x", 2, [1.5, 2.25]), self.read(out))

    def test_reads_and_writes_names_in_any_script(self):
        # Windows once mapped these to look-alikes of its code page: a.txt for
        # ā.txt. The variable name is stored in UTF-8 on every platform.
        other = self.write("a.txt".encode(), b"9\n")
        for name in ["ā", "日本", "größe"]:
            with self.subTest(name=name):
                source = self.write((name + ".txt").encode(), b"1;2\n")
                out = self.path((name + ".bin").encode())
                self.expect([source, out, b".", b";", name.encode()], 0, b"")
                self.assertEqual(octave_file(name.encode(), 2, [1, 2]), self.read(out))
        self.assertEqual(b"9\n", self.read(other))
        self.assertFalse(os.path.exists(self.path(b"a.bin")))

    def test_writes_any_name_and_path_byte_for_byte(self):
        # Windows passes arguments through its code page and limits a command
        # line to 32767 characters.
        names = [b"my var", b"1st", b"n" * 30000] if WINDOWS else [
            b"my var", b"1st", b"\xff\xfe\x80", b"n" * 100000]
        for name in names:
            with self.subTest(name=name[:10]):
                source = self.write(b"t\xe9t\xe9 .csv" if not WINDOWS else b"table one.csv", b"7\n")
                out = self.path(b"\xc0\xff out.bin" if not WINDOWS else b"out one.bin")
                self.expect([source, out, b".", b";", name], 0, b"")
                self.assertEqual(octave_file(name, 1, [7.0]), self.read(out))


class Conversion(Tool):
    def test_writes_the_three_by_two_example(self):
        source = self.write(b"in.csv", b"1,2\n3,4\n5,6\n")
        out = self.path(b"out.bin")
        self.expect([source, out, b".", b",", b"x"], 0, b"")
        data = self.read(out)
        self.assertEqual(93, len(data))
        self.assertEqual(octave_file(b"x", 2, [1, 2, 3, 4, 5, 6]), data)

    def test_rejects_a_source_without_a_first_line_of_two_characters(self):
        for text in [b"", b"\n", b"5", b"\r\n", b"\x1a5\n"]:
            with self.subTest(text=text):
                source = self.write(b"in.csv", text)
                out = self.write(b"out.bin", b"old contents")
                self.expect([source, out, b".", b";", b"x"], 1, INVALID_DATA)
                self.assertEqual(b"", self.read(out))

    def test_converts_the_smallest_valid_source(self):
        source = self.write(b"in.csv", b"5\n")
        out = self.path(b"out.bin")
        self.expect([source, out, b".", b";", b"x"], 0, b"")
        self.assertEqual(octave_file(b"x", 1, [5.0]), self.read(out))

    @posix_only
    def test_reads_a_pipe_like_the_file_it_carries(self):
        text = b"time;volt\r\n" + b"".join(b"%d;%d,5\r\n" % (i, i) for i in range(50000))
        source = self.write(b"in.csv", text)
        from_file = self.path(b"file.bin")
        from_pipe = self.path(b"pipe.bin")
        self.expect([source, from_file, b",", b";", b"v"], 0, b"")
        pipe = subprocess.Popen(["cat", source], stdout=subprocess.PIPE)
        self.expect([b"/dev/stdin", from_pipe, b",", b";", b"v"], 0, b"", stdin=pipe.stdout)
        pipe.stdout.close()
        pipe.wait()
        self.assertEqual(self.read(from_file), self.read(from_pipe))
        self.assertEqual(44 + 1 + 8 * 2 * 50001, len(self.read(from_pipe)))

    @posix_only
    def test_fails_rather_than_lose_a_first_line_too_long_to_read_twice_from_a_pipe(self):
        source = self.write(b"in.csv", b"1;" * 300000 + b"\n2\n")
        out = self.path(b"out.bin")
        self.expect([source, out, b".", b";", b"x"], 0, b"")
        self.assertEqual(44 + 1 + 8 * 300001 * 2, len(self.read(out)))
        pipe = subprocess.Popen(["cat", source], stdout=subprocess.PIPE)
        self.expect([b"/dev/stdin", out, b".", b";", b"x"], 1, CANT_READ_SOURCE, stdin=pipe.stdout)
        pipe.stdout.close()
        pipe.wait()


class Files(Tool):
    def test_never_writes_over_its_source(self):
        text = b"1;2\n3;4\n"
        source = self.write(b"in.csv", text)
        os.link(source, self.path(b"hard.csv"))
        os.symlink(source, self.path(b"soft.csv"))
        os.mkdir(self.path(b"sub"))
        for destination in [source, self.path(b"hard.csv"), self.path(b"soft.csv"),
                            os.path.join(self.dir, b"sub", b"..", b"in.csv")]:
            with self.subTest(destination=destination):
                self.expect([source, destination, b".", b";", b"x"], 1, DESTINATION_IS_SOURCE)
                self.assertEqual(text, self.read(source))
        self.assertTrue(os.path.islink(self.path(b"soft.csv")))
        self.assertEqual(sorted([b"in.csv", b"hard.csv", b"soft.csv", b"sub"]),
                         sorted(os.listdir(self.dir)))

    def test_reports_a_source_that_cannot_be_read_and_leaves_the_destination(self):
        out = self.path(b"out.bin")
        self.expect([self.dir, out, b".", b";", b"x"], 1, CANT_READ_SOURCE)
        self.assertFalse(os.path.exists(out))
        # A directory given by mistake must not empty last run's result.
        earlier = self.write(b"earlier.bin", b"an earlier result")
        self.expect([self.dir, earlier, b".", b";", b"x"], 1, CANT_READ_SOURCE)
        self.assertEqual(b"an earlier result", self.read(earlier))

    def test_reports_paths_the_system_refuses(self):
        source = self.write(b"in.csv", b"1;2\n")
        too_long_name = self.path(b"n" * 300)
        too_long_path = self.dir + b"/" + b"/".join([b"d" * 200] * 30)
        self.expect([too_long_name, self.path(b"out.bin"), b".", b";", b"x"], 1, CANT_READ_SOURCE)
        self.expect([too_long_path, self.path(b"out.bin"), b".", b";", b"x"], 1, CANT_READ_SOURCE)
        self.expect([source, too_long_name, b".", b";", b"x"], 1, CANT_CREATE_DESTINATION)
        self.expect([source, too_long_path, b".", b";", b"x"], 1, CANT_CREATE_DESTINATION)
        self.assertFalse(os.path.exists(self.path(b"out.bin")))

    @posix_only
    def test_keeps_reading_a_source_whose_name_is_removed(self):
        fifo = self.path(b"fifo")
        os.mkfifo(fifo)
        out = self.path(b"out.bin")
        tool = subprocess.Popen([*COMMAND, fifo, out, b".", b";", b"x"], stdout=subprocess.PIPE)
        with open(fifo, "wb") as feed:
            feed.write(b"1;2\n" * 1000)
            feed.flush()
            os.unlink(fifo)
            feed.write(b"3;4\n" * 1000)
        self.assertEqual(b"", tool.communicate(timeout=60)[0])
        self.assertEqual(0, tool.returncode)
        self.assertEqual(octave_file(b"x", 2, [1, 2] * 1000 + [3, 4] * 1000), self.read(out))

    def test_reports_a_full_disk(self):
        small = self.write(b"small.csv", b"1;2\n")
        large = self.write(b"large.csv", b"1;2;3\n" * 100000)
        for source in [small, large]:
            with self.subTest(source=source):
                self.expect([source, b"/dev/full", b".", b";", b"x"], 1, CANT_WRITE_DESTINATION)


class Pipes(Tool):
    def pipe_out(self, source, stdin=None, env=None):
        """Runs with the destination /dev/stdout on a pipe; returns the exit
        status and all that came through the pipe."""
        result = subprocess.run([*COMMAND, source, b"/dev/stdout", b",", b";", b"x"], stdin=stdin,
                                stdout=subprocess.PIPE, timeout=120,
                                env=dict(os.environ, **(env or {})))
        return result.returncode, result.stdout

    @posix_only
    def test_writes_a_whole_file_into_a_pipe_from_a_source_it_can_read_twice(self):
        table = logger_table()
        source = self.write(b"logger.csv", table)
        out = self.path(b"out.bin")
        self.expect([source, out, b",", b";", b"x"], 0, b"")
        for threads in [b"1", b"2"]:
            with self.subTest(threads=threads):
                self.assertEqual((0, self.read(out)),
                                 self.pipe_out(source, env={"ZIVUVI_THREADS": threads}))

    @posix_only
    def test_fails_before_writing_when_neither_end_can_be_read_or_written_twice(self):
        with open(self.write(b"in.csv", b"1;2\n" * 1000), "rb") as table:
            cat = subprocess.Popen(["cat"], stdin=table, stdout=subprocess.PIPE)
            self.assertEqual((1, CANT_WRITE_DESTINATION),
                             self.pipe_out(b"/dev/stdin", stdin=cat.stdout))
            cat.stdout.close()
            cat.wait()


class Progress(Tool):
    def run_slowly(self, stderr):
        """Converts a pipe that pauses for 1.5 s halfway; returns the exit
        status and standard output."""
        fifo = self.path(b"fifo")
        os.mkfifo(fifo)
        tool = subprocess.Popen([*COMMAND, fifo, self.path(b"out.bin"), b".", b";", b"x"],
                                stdout=subprocess.PIPE, stderr=stderr)
        with open(fifo, "wb") as feed:
            feed.write(b"1;2\n" * 200000)
            feed.flush()
            time.sleep(1.5)
            feed.write(b"3;4\n" * 200000)
        output = tool.communicate(timeout=60)
        return tool.returncode, output

    @posix_only
    def test_shows_progress_on_a_terminal_and_clears_it_at_the_end(self):
        terminal, tool_side = pty.openpty()
        try:
            status, (stdout, _) = self.run_slowly(tool_side)
        finally:
            os.close(tool_side)
        shown = b""
        while True:
            try:
                piece = os.read(terminal, 4096)
            except OSError:  # the other side is closed
                break
            if not piece:
                break
            shown += piece
        os.close(terminal)
        self.assertEqual((0, b""), (status, stdout))
        self.assertRegex(shown, rb"^\rzivuvi: \d+ MB read, \d+ MB/s")
        last_line = shown.split(b"\r")[-2]
        self.assertTrue(shown.endswith(b"\r") and last_line.strip() == b"", shown)

    @posix_only
    def test_shows_nothing_when_standard_error_is_no_terminal(self):
        status, (stdout, stderr) = self.run_slowly(subprocess.PIPE)
        self.assertEqual((0, b"", b""), (status, stdout, stderr))


def logger_table():
    """A few megabytes as exports come: a UTF-8 byte-order mark, CR LF line
    ends, a header, blank lines, ragged lines, lines far longer than the
    reader's block, and a zero-padded end."""
    lines = [b"\xef\xbb\xbftime;volt;current;temperature"]
    for i in range(60000):
        if i % 997 == 0:
            lines.append(b"")
        elif i % 20011 == 5:
            lines.append(b";".join(b"%d,%03d" % (j, i % 1000) for j in range(120000)))
        elif i % 13 == 0:
            lines.append(b"%d;%d,5" % (i, i % 50))
        else:
            lines.append(b"%d;%d,%d;-%de-%d;%d" % (i, i % 230, i % 7, i % 91, i % 9, i % 40))
    return b"\r\n".join(lines) + b"\r\n" + b"\0" * 4096


class Threads(Tool):
    def test_writes_the_same_file_whatever_the_threads(self):
        source = self.write(b"logger.csv", logger_table())
        files = {}
        for threads in [b"1", b"2", b"8"]:
            out = self.path(b"out-" + threads + b".bin")
            self.expect([source, out, b",", b";", b"x"], 0, b"", env={"ZIVUVI_THREADS": threads})
            files[threads] = self.read(out)
        self.assertEqual(files[b"1"], files[b"2"])
        self.assertEqual(files[b"1"], files[b"8"])
        self.assertEqual(struct.pack("<ii", 4, 60001), files[b"1"][36:44])

    @posix_only
    def test_reads_a_pipe_on_threads_like_the_file_it_carries(self):
        table = logger_table()
        source = self.write(b"logger.csv", table)
        from_file = self.path(b"file.bin")
        from_pipe = self.path(b"pipe.bin")
        self.expect([source, from_file, b",", b";", b"x"], 0, b"", env={"ZIVUVI_THREADS": b"1"})
        with open(source, "rb") as pipe_source:
            cat = subprocess.Popen(["cat"], stdin=pipe_source, stdout=subprocess.PIPE)
            self.expect([b"/dev/stdin", from_pipe, b",", b";", b"x"], 0, b"", stdin=cat.stdout,
                        env={"ZIVUVI_THREADS": b"3"})
            cat.wait()
        self.assertEqual(self.read(from_file), self.read(from_pipe))

    def test_ignores_a_thread_count_that_is_not_a_positive_number(self):
        source = self.write(b"in.csv", b"1;2\n3;4\n" * 100000)
        expected = octave_file(b"x", 2, [1, 2, 3, 4] * 100000)
        for threads in [b"", b"0", b"-2", b"two", b"3x", b"99999999999999999999", b" 2"]:
            with self.subTest(threads=threads):
                out = self.path(b"out.bin")
                self.expect([source, out, b".", b";", b"x"], 0, b"",
                            env={"ZIVUVI_THREADS": threads})
                self.assertEqual(expected, self.read(out))


if __name__ == "__main__":
    unittest.main(verbosity=2)
