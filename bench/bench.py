#!/usr/bin/env python3
"""Size, speed and write counts of fwpeek, each beside its baseline, in one table.

Run from anywhere as bench/bench.py (make bench builds the native program first). Exits 1
when a measured figure misses its target; a figure that could not be measured is no miss.
"""

import argparse
import os
import re
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import wine_targets  # noqa: E402

NATIVE = os.path.join(ROOT, "build", "native", "fwpeek")
BENCH_DIR = os.path.join(ROOT, "build", "bench")
TRIVIAL_SOURCE = os.path.join(ROOT, "bench", "trivial.cc")
# Shared with whatever else runs fwpeek.exe under Wine here: one prefix, made once.
WINE_PREFIX = os.path.join(ROOT, "build", "wine-prefix")
# Each Windows program, the compiler of its trivial counterpart, and its size target.
WINDOWS_TARGETS = {
    "win32": ("i686-w64-mingw32-g++-win32", 96),
    "win64": ("x86_64-w64-mingw32-g++-win32", 128),
}

NATIVE_RUNS = 400
WINE_RUNS = 100

INSTRUCTION_LIMIT = 1.0
NATIVE_TIME_LIMIT = 1.2
WINE_TIME_LIMIT = 1.15

rows = []  # (ratio, target, result, what, figure, baseline)


def row(what, figure, baseline="", ratio=None, target="-", passed=None):
    result = "-" if passed is None else ("pass" if passed else "FAIL")
    rows.append(("-" if ratio is None else "%.2fx" % ratio, target, result, what, figure,
                 baseline))


def ratio_row(what, figure, baseline, ratio, limit):
    row(what, figure, baseline, ratio, "<= %.2fx" % limit, ratio <= limit)


def print_table():
    header = ("ratio", "target", "result", "measure", "fwpeek", "baseline")
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
    line = "  ".join("-" * w for w in widths)
    fmt = "  ".join("%%-%ds" % w for w in widths)
    print(fmt % header)
    print(line)
    for r in rows:
        print((fmt % r).rstrip())


def instructions(command):
    """Callgrind's total of instructions executed, or None when the run could not be had."""
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "callgrind.out")
        result = subprocess.run(
            ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + command,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            text=True, errors="replace")
    match = re.search(r"Collected\s*:\s*(\d+)", result.stderr)
    return int(match.group(1)) if match else None


def count_text(n):
    return "{:,}".format(n)


def measure_instructions():
    if not shutil.which("valgrind"):
        row("instructions: native fwpeek / /bin/true", "valgrind missing")
        return
    mine = instructions([NATIVE])
    true = instructions(["/bin/true"])
    if mine is None or true is None:
        row("instructions: native fwpeek / /bin/true", "callgrind failed")
    else:
        ratio_row("instructions: native fwpeek / /bin/true", count_text(mine),
                  count_text(true), mine / true, INSTRUCTION_LIMIT)
    for name, command in (("efibootmgr", ["efibootmgr"]),
                          ("bootctl status", ["bootctl", "status"])):
        what = "instructions: native fwpeek / %s" % name
        path = shutil.which(command[0])
        if not path:
            row(what, count_text(mine) if mine else "-", "not installed")
            continue
        theirs = instructions([path] + command[1:])
        if mine is None or not theirs:
            row(what, "-", "callgrind failed")
        else:
            row(what, count_text(mine), count_text(theirs), mine / theirs)


class RunFailed(Exception):
    pass


def spawn_time(argv, env, devnull):
    """Seconds from spawning `argv` to its end, its output thrown away."""
    actions = [(os.POSIX_SPAWN_DUP2, devnull, 0), (os.POSIX_SPAWN_DUP2, devnull, 1),
               (os.POSIX_SPAWN_DUP2, devnull, 2)]
    start = time.perf_counter_ns()
    pid = os.posix_spawn(argv[0], argv, env, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter_ns() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise RunFailed("%s: status %d" % (os.path.basename(argv[-1]),
                                           os.waitstatus_to_exitcode(status)))
    return elapsed / 1e9


def side_by_side(first, second, runs, env):
    """Runs the two commands in turn, `runs` times each, after a warm-up of each."""
    devnull = os.open(os.devnull, os.O_RDWR)
    try:
        for argv in (first, second, first, second):
            spawn_time(argv, env, devnull)
        a, b = [], []
        for _ in range(runs):
            a.append(spawn_time(first, env, devnull))
            b.append(spawn_time(second, env, devnull))
    finally:
        os.close(devnull)
    return a, b


def min_text(samples):
    ms = [s * 1000 for s in samples]
    return "%.2f ms (%.2f, %.2f)" % (min(ms), statistics.median(ms), max(ms))


def time_text(samples):
    ms = [s * 1000 for s in samples]
    return "%.2f ms (%.2f..%.2f)" % (statistics.median(ms), min(ms), max(ms))


def measure_native_time():
    what = "wall time: native fwpeek / /bin/true, median (min..max) of %d" % NATIVE_RUNS
    try:
        mine, true = side_by_side([NATIVE], ["/bin/true"], NATIVE_RUNS, dict(os.environ))
    except RunFailed as failed:
        row(what, "run failed", str(failed), target="<= %.2fx" % NATIVE_TIME_LIMIT)
        return
    ratio_row(what, time_text(mine), time_text(true),
              statistics.median(mine) / statistics.median(true), NATIVE_TIME_LIMIT)


def wine_env(target, debug="-all"):
    env = dict(os.environ)
    env["WINEPREFIX"] = WINE_PREFIX
    env["WINEDEBUG"] = debug
    return wine_targets.environment(target, env)


def build_trivial(target):
    """The trivial program of the target's own kind; None when it cannot be built."""
    exe = os.path.join(BENCH_DIR, "trivial-%s.exe" % target)
    if os.path.exists(exe) and os.path.getmtime(exe) >= os.path.getmtime(TRIVIAL_SOURCE):
        return exe
    os.makedirs(BENCH_DIR, exist_ok=True)
    compiler = WINDOWS_TARGETS[target][0]
    result = subprocess.run([compiler, "-static", "-Os", TRIVIAL_SOURCE, "-o", exe])
    return exe if result.returncode == 0 else None


def start_wine(target):
    wine = wine_targets.loader(target)
    if not os.access(wine, os.X_OK) or not shutil.which("wineserver"):
        return None
    env = wine_env(target)
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.isdir(WINE_PREFIX):
        # Making the prefix; no Mono or Gecko to offer to a headless session.
        subprocess.run([wine, "wineboot", "-i"], env=dict(env, WINEDLLOVERRIDES="mscoree,mshtml="),
                       timeout=120, **quiet)
    if subprocess.run(["wineserver", "-p"], env=env, **quiet).returncode != 0:
        # A server of the prefix still runs: it ends a few seconds after its last client, and
        # the persistent one takes its place. One that stays is just as warm.
        try:
            subprocess.run(["wineserver", "-w"], env=env, timeout=6, **quiet)
        except subprocess.TimeoutExpired:
            pass
        subprocess.run(["wineserver", "-p"], env=env, **quiet)
    return wine


def stop_wine():
    subprocess.run(["wineserver", "-k"], env=wine_env("win64"), stderr=subprocess.DEVNULL)


def write_calls(trace):
    """KERNEL32.WriteFile calls of the program's own process: the first one in the trace
    (a console run also traces the conhost.exe that the program starts)."""
    calls, program = 0, None
    with open(trace, errors="replace") as lines:
        for line in lines:
            pid = line.split(":", 1)[0]
            if program is None:
                program = pid
            if pid == program and "Call KERNEL32.WriteFile(" in line:
                calls += 1
    return calls


def traced_writes(target, wine, exe, arguments, console):
    with tempfile.TemporaryDirectory() as scratch:
        trace = os.path.join(scratch, "relay.txt")
        out = os.path.join(scratch, "out.txt")
        env = wine_env(target, "+relay,+pid")
        command = [wine, exe] + arguments
        try:
            result = run_traced(command, trace, out, env, console)
        except subprocess.TimeoutExpired:
            return "timed out"
        if result.returncode != 0:
            return "status %d" % result.returncode
        return str(write_calls(trace))


def run_traced(command, trace, out, env, console):
    if console:
        # Standard output on a pty; the trace goes around it.
        inner = "%s 2>%s" % (" ".join(shlex.quote(c) for c in command), shlex.quote(trace))
        return subprocess.run(["script", "-qec", inner, "/dev/null"], env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=60)
    with open(out, "wb") as stdout, open(trace, "wb") as stderr:
        return subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=stdout,
                              stderr=stderr, timeout=60)


def measure_wine(target):
    exe = os.path.join(ROOT, "build", target, "fwpeek.exe")
    name = "%s fwpeek.exe" % target
    what_time = ("wall time under Wine: %s / trivial.exe, min (median, max) of %d"
                 % (name, WINE_RUNS))
    what_size = "size of %s" % name
    write_cases = (("WriteFile calls: %s on a console" % name, [], True),
                   ("WriteFile calls: %s /? on a console" % name, ["/?"], True),
                   ("WriteFile calls: %s > file" % name, [], False),
                   ("WriteFile calls: %s /? > file" % name, ["/?"], False))
    size_limit_kib = WINDOWS_TARGETS[target][1]
    size_target = "<= %d KiB" % size_limit_kib
    if not os.path.exists(exe):
        row(what_time, "not built", target="<= %.2fx" % WINE_TIME_LIMIT)
        row(what_size, "not built", target=size_target)
        for what, _, _ in write_cases:
            row(what, "not built")
        return

    size = os.path.getsize(exe)
    row(what_size, "{:,} bytes = {:.1f} KiB".format(size, size / 1024), target=size_target,
        passed=size <= size_limit_kib * 1024)

    trivial = build_trivial(target)
    wine = start_wine(target)
    reason = wine_targets.why_not(target, wine_env(target)) if wine else "Wine missing"
    if reason:
        row(what_time, reason, target="<= %.2fx" % WINE_TIME_LIMIT)
        for what, _, _ in write_cases:
            row(what, reason)
        return
    try:
        if trivial:
            try:
                mine, theirs = side_by_side([wine, exe], [wine, trivial], WINE_RUNS,
                                            wine_env(target))
                # Wine's own start-up slows both programs alike in phases (about 10 ms, then
                # about 40 ms for a while), so the median says more about the phase than
                # about the program: the fastest run of each is the start-up cost.
                ratio_row(what_time, min_text(mine), min_text(theirs),
                          min(mine) / min(theirs), WINE_TIME_LIMIT)
            except RunFailed as failed:
                row(what_time, "run failed", str(failed), target="<= %.2fx" % WINE_TIME_LIMIT)
        else:
            row(what_time, "-", "trivial.exe failed to build", target="<= %.2fx" % WINE_TIME_LIMIT)
        for what, arguments, console in write_cases:
            row(what, traced_writes(target, wine, exe, arguments, console))
    finally:
        stop_wine()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--target", choices=sorted(WINDOWS_TARGETS), action="append",
                        help="the Windows programs to measure (default: every one)")
    targets = parser.parse_args().target or sorted(WINDOWS_TARGETS)
    if not os.path.exists(NATIVE):
        sys.exit("bench: build/native/fwpeek is missing; make native first")
    started = time.monotonic()
    measure_instructions()
    measure_native_time()
    for target in targets:
        measure_wine(target)
    print_table()
    failed = sum(1 for r in rows if r[2] == "FAIL")
    print("\n%d target(s) missed; measured in %.0f s" % (failed, time.monotonic() - started))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
