#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""bench/run's instruction table when valgrind cannot run a program: that
row says why and every other row is still counted. valgrind itself is
replaced by a script on PATH, since its failure depends on the processor."""

import contextlib
import importlib.machinery
import io
import os
import stat
import sys
import tempfile
import types
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Stops at the first run of our FLAC encoder as valgrind 3.19 stops at an
# RDTSCP instruction; counts 2 M instructions for every other command on the
# 10 s source and 1 M on the 1 s source.
FAKE_VALGRIND = """#!/bin/sh
count=1000000
for word in "$@"; do
  case "$word" in
    flac)
      echo "vex amd64->IR: unhandled instruction bytes: 0xF 0x1 0xF9 0x48" >&2
      echo "==42== valgrind: Unrecognised instruction at address 0x4b1c2d0." >&2
      exit 1 ;;
    *source10.wav*) count=2000000 ;;
  esac
done
echo "==42== Collected : $count" >&2
"""


def load_bench_run():
    loader = importlib.machinery.SourceFileLoader("bench_run", os.path.join(ROOT, "bench", "run"))
    module = types.ModuleType(loader.name)
    module.__file__ = loader.path
    loader.exec_module(module)
    return module


class InstructionTable(unittest.TestCase):
    def test_a_row_valgrind_cannot_run_says_why_and_the_others_are_counted(self):
        bench_run = load_bench_run()
        with tempfile.TemporaryDirectory() as folder:
            valgrind = os.path.join(folder, "valgrind")
            with open(valgrind, "w", encoding="utf-8") as file:
                file.write(FAKE_VALGRIND)
            os.chmod(valgrind, os.stat(valgrind).st_mode | stat.S_IXUSR)
            os.environ["PATH"] = folder + os.pathsep + os.environ["PATH"]
            table = io.StringIO()
            with contextlib.redirect_stdout(table), contextlib.redirect_stderr(io.StringIO()):
                bench_run.print_instruction_table(folder)
        rows = {line[:46].strip(): line[46:].strip() for line in table.getvalue().splitlines()}
        self.assertEqual(rows["FLAC level 5 vs flac -5"],
                         "not counted: bench_encode_file under callgrind: "
                         "vex amd64->IR: unhandled instruction bytes: 0xF 0x1 0xF9 0x48")
        for label, *_ in bench_run.INSTRUCTION_ROWS[1:]:
            self.assertRegex(rows[label], r"^1 +1 +1\.000 ")


if __name__ == "__main__":
    sys.exit(unittest.main())
