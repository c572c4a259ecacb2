#!/usr/bin/env python3
"""Configures the project as a newcomer would: without GoogleTest the tool
still builds and converts the example, -DZIVUVI_TESTS=ON says which package is
missing, and a cross-compiling configure builds no tests.
Usage: build_configuration_test.py CMAKE SOURCE_DIR CXX_COMPILER"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CMAKE, SOURCE, CXX = (sys.argv.pop(1) for _ in range(3)) if __name__ == "__main__" else ("", "", "")
HIDE_GTEST = "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON"


class Configure(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.build = os.path.join(self.scratch.name, "build")

    def tearDown(self):
        self.scratch.cleanup()

    def configure(self, *options):
        return subprocess.run([CMAKE, "-S", SOURCE, "-B", self.build,
                               "-DCMAKE_CXX_COMPILER=" + CXX, *options],
                              capture_output=True, text=True, timeout=300)

    def test_builds_the_tool_without_googletest(self):
        configured = self.configure(HIDE_GTEST)
        self.assertEqual(0, configured.returncode, configured.stderr)
        self.assertIn("libgtest-dev", configured.stdout)
        self.assertFalse(os.path.exists(os.path.join(self.build, "tests")))
        built = subprocess.run([CMAKE, "--build", self.build, "-j2", "--target", "zivuvi"],
                               capture_output=True, text=True, timeout=600)
        self.assertEqual(0, built.returncode, built.stdout + built.stderr)
        out = os.path.join(self.scratch.name, "logger.bin")
        converted = subprocess.run([os.path.join(self.build, "zivuvi"),
                                    os.path.join(SOURCE, "examples", "logger.csv"), out, ",",
                                    ";", "logger"], capture_output=True, timeout=60)
        self.assertEqual((0, b""), (converted.returncode, converted.stdout))
        self.assertTrue(os.path.getsize(out) > 44)

    def test_names_the_missing_package_when_tests_are_asked_for(self):
        configured = self.configure(HIDE_GTEST, "-DZIVUVI_TESTS=ON")
        self.assertNotEqual(0, configured.returncode)
        self.assertIn("apt-get install libgtest-dev", " ".join(configured.stderr.split()))

    @unittest.skipUnless(shutil.which("x86_64-w64-mingw32-g++-posix"), "needs mingw-w64")
    def test_builds_no_tests_when_cross_compiling(self):
        configured = subprocess.run(
            [CMAKE, "-S", SOURCE, "-B", self.build,
             "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE, "cmake", "mingw-w64-x86_64.cmake")],
            capture_output=True, text=True, timeout=300)
        self.assertEqual(0, configured.returncode, configured.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.build, "tests")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
