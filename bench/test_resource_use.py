"""Checks how bench/resource-use reads an strace log, the part of it whose mistakes would not
show: a miscounted wake-up looks like any other figure. Run: python3 bench/test_resource_use.py
"""

import importlib.machinery
import importlib.util
import os
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
loader = importlib.machinery.SourceFileLoader("resource_use", os.path.join(HERE, "resource-use"))
spec = importlib.util.spec_from_loader("resource_use", loader)
resource_use = importlib.util.module_from_spec(spec)
loader.exec_module(resource_use)

SUMMARY = """\
% time     seconds  usecs/call     calls    errors syscall
------ ----------- ----------- --------- --------- ----------------
 60.00    0.000060          15         4           poll
 30.00    0.000030           7         4         1 openat
 10.00    0.000010          10         1           futex
------ ----------- ----------- --------- --------- ----------------
100.00    0.000100          11         9         1 total
"""

# As strace -f -ttt -T writes them: attached at 1000.0, the program started at 997.0.
ATTACH = [
    "10  1000.000100 restart_syscall(<... resuming interrupted read ...>) = 0 <57.000000>",
    "11  1000.000200 restart_syscall(<... resuming interrupted read ...> <unfinished ...>",
]
TICK = [
    "10  1057.000200 openat(AT_FDCWD, \"/h/hkcu.sqlite3\", O_RDWR) = 5 <0.000010>",
    "10  1057.000300 writev(3, [{iov_base=\"+\\0\\1\\0\", iov_len=4}], 1) = 4 <0.000005>",
    "11  1057.000400 <... restart_syscall resumed>) = 1 <57.000200>",
    "11  1057.000500 futex(0x55, FUTEX_WAKE_PRIVATE, 1) = 1 <0.000003>",
    "11  1057.000600 poll([{fd=3, events=POLLIN}], 1, -1 <unfinished ...>",
    "10  1057.000700 poll([{fd=5, events=POLLIN}], 1, 59999 <unfinished ...>",
]
SECOND_TICK = [
    "10  1117.000700 <... poll resumed>) = 0 (Timeout) <60.000000>",
    "10  1117.000800 openat(AT_FDCWD, \"/h/hkcu.sqlite3\", O_RDWR) = 5 <0.000010>",
    "10  1117.000900 poll([{fd=5, events=POLLIN}], 1, 59999 <unfinished ...>",
]
DETACH = [
    "10  1180.000000 <... poll resumed> <detached ...>",
    "11  1180.000100 poll([{fd=3, events=POLLIN}], 1, -1 <detached ...>",
]


def parse(lines):
    return resource_use.parse_trace("\n".join(lines) + "\n" + SUMMARY, 997.0, 1000.0)


class ParseTrace(unittest.TestCase):
    def test_wake_ups(self):
        cases = [
            # what the log holds, wake-ups, seconds after exec of each, threads of each
            ("attaching and detaching only",
             [ATTACH[1], "10  1000.000100 restart_syscall(<... resuming ...> <unfinished ...>"]
             + DETACH, 0, [], []),
            ("one tick on two threads", ATTACH + TICK + DETACH, 1, [60.0], [2]),
            ("two ticks a minute apart", ATTACH + TICK + SECOND_TICK + DETACH, 2, [60.0, 120.0],
             [2, 1]),
            ("a whole-line wait wakes where it returns, not where it began",
             ["10  1000.000100 restart_syscall(<... resuming ...>) = 0 <9.999900>",
              "10  1010.000000 poll([{fd=5, events=POLLIN}], 1, 30000) = 0 (Timeout) <30.000000>",
              "10  1040.000100 poll([{fd=5, events=POLLIN}], 1, 0) = 0 (Timeout) <0.000004>"],
             2, [13.0, 43.0], [1, 1]),
            ("a wait that returns at once wakes nothing",
             ["10  1010.000000 poll([{fd=5, events=POLLIN}], 1, 0) = 0 (Timeout) <0.000004>",
              "10  1010.000100 <... futex resumed>) = 0 <0.002000>"], 0, [], []),
            ("a pause inside a tick leaves it one wake-up",
             ATTACH + TICK[:2] + ["10  1057.040000 poll([{fd=5}], 1, 0) = 1 <0.000003>"]
             + TICK[2:] + DETACH, 1, [60.0], [2]),
            ("a read that blocked wakes: Wine waits for its server so",
             ["10  1010.000000 read(4, \"\\0\", 64) = 64 <50.000000>"], 1, [63.0], [1]),
            ("a call that is not a wait wakes nothing",
             ["10  1010.000000 openat(AT_FDCWD, \"x\", O_RDONLY) = 3 <0.000010>"], 0, [], []),
        ]
        for what, lines, count, at, threads in cases:
            with self.subTest(what):
                bursts = parse(lines)["bursts"]
                self.assertEqual(len(bursts), count)
                self.assertEqual([round(b["at"], 1) for b in bursts], at)
                self.assertEqual([len(b["threads"]) for b in bursts], threads)

    def test_calls_of_a_wake_up_count_each_call_once(self):
        # The resumed halves are the same calls as their unfinished beginnings.
        burst = parse(ATTACH + TICK + DETACH)["bursts"][0]
        self.assertEqual(burst["calls"], {"openat": 1, "writev": 1, "futex": 1, "poll": 2})

    def test_summary_is_strace_own_count(self):
        self.assertEqual(parse(ATTACH)["calls"], {"poll": 4, "openat": 4, "futex": 1})


if __name__ == "__main__":
    unittest.main()
