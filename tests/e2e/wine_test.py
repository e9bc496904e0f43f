#!/usr/bin/env python3
"""Runs the real fwpeek.exe of one Windows target under Wine and compares bytes, exit statuses
and WriteFile calls.

usage: wine_test.py SOURCE_DIR TARGET   (TARGET: win32 or win64, the build folder's name)
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tools"))
import wine_targets  # noqa: E402

ROOT = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else ".")
TARGET = sys.argv.pop(1) if len(sys.argv) > 1 else "win32"
BUILD = os.path.join(ROOT, "build", TARGET)
EXE = os.path.join(BUILD, "fwpeek.exe")
LAUNCHER = os.path.join(BUILD, "launcher.exe")
WINE = wine_targets.loader(TARGET)
ENV = wine_targets.environment(TARGET, dict(
    os.environ, WINEPREFIX=os.path.join(ROOT, "build/wine-prefix"), WINEDEBUG="-all",
    LC_ALL="fr_FR.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml="))
# A full address: 8 hexadecimal digits, 16 where it does not fit in 8.
ADDRESS = rb"(?:[0-9A-F]{8}|[0-9A-F]{16})"

# The banner shows the major and minor numbers of the project version CMake hands over.
BANNER_VERSION = ".".join(os.environ["FWPEEK_VERSION"].split(".")[:2])
SCREEN = (
    f"FWPEEK v{BANNER_VERSION} Copyright (c) 2026 fwpeek contributors\r\n"
    "Affiche le type de microprogramme actif (Legacy BIOS ou UEFI)\r\n"
    " \r\n"
    "Note     : Un matériel UEFI peut utiliser le mode Legacy BIOS\r\n"
    " \r\n"
    "Syntaxe  : fwpeek\r\n"
    " \r\n"
    "Exemples : fwpeek\r\n"
    "           fwpeek > result.txt\r\n"
).encode("cp850")
RESULT = b"Legacy BIOS\r\n"  # Wine has no firmware variables
REPORT = re.compile(
    rb"\AException EInOutError dans le module fwpeek\.exe dans ([0-9A-F]{8})\.\r\n(.*)\r\n\r\n\Z")



def wine(args=(), env=ENV, **kw):
    kw.setdefault("stdout", subprocess.PIPE)
    kw.setdefault("stderr", subprocess.PIPE)
    kw.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.run([WINE, EXE, *args], env=env, timeout=120, **kw)


def shell(command):
    """Runs fwpeek.exe from sh, where $0 is the Wine loader and $1 the program."""
    return subprocess.run(["sh", "-c", command, WINE, EXE], env=ENV, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=120)


def report(err):
    m = REPORT.match(err)
    return (m.group(1), m.group(2)) if m else (None, b"(no report) " + err)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def launch(raw, out="inherit", err="inherit"):
    with tempfile.NamedTemporaryFile() as f:
        line = raw.hex()
        if len(line) > 8000:  # beyond what the launcher's own command line holds
            f.write(raw)
            f.flush()
            line = "@" + windows_path(f.name)
        return subprocess.run([WINE, LAUNCHER, out, err, windows_path(EXE), line], env=ENV,
                              capture_output=True, stdin=subprocess.DEVNULL, timeout=120)


def write_calls(args=(), console=False):
    """The sizes of the KERNEL32.WriteFile calls of one run, from Wine's relay trace."""
    with tempfile.TemporaryDirectory() as tmp:
        trace, out = os.path.join(tmp, "trace"), os.path.join(tmp, "out")
        env = dict(ENV, WINEDEBUG="+relay,+pid")
        quoted = " ".join([WINE, EXE, *args])
        if console:
            command = f"{quoted} 2>{trace}"
            subprocess.run(["script", "-qec", command, "/dev/null"], env=env, timeout=120,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        else:
            subprocess.run(["sh", "-c", f"{quoted} >{out} 2>{trace}"], env=env, timeout=120,
                           stdin=subprocess.DEVNULL)
        with open(trace, "rb") as f:
            text = f.read()
    # Only fwpeek's own process, the first one traced: the console's process writes too.
    first = re.search(rb"^([0-9a-f]{4}):[0-9a-f]{4}:", text, re.M)
    calls = re.findall(
        rb"^([0-9a-f]{4}):[0-9a-f]{4}:Call KERNEL32\.WriteFile\([0-9a-f]+,[0-9a-f]+,([0-9a-f]+),",
        text, re.M)
    return [int(size, 16) for process, size in calls if first and process == first.group(1)]


class Output(unittest.TestCase):
    def test_result_line_into_a_file(self):
        with tempfile.TemporaryFile() as f:
            r = wine(stdout=f)
            f.seek(0)
            self.assertEqual((r.returncode, f.read(), r.stderr), (0, RESULT, b""))

    def test_help_screen_in_the_oem_code_page(self):
        r = wine(["/?"])
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, SCREEN, b""))
        self.assertIn(b"mat\x82riel", r.stdout)

    def test_help_lines_keep_their_length_in_a_double_byte_code_page(self):
        # ANSI and OEM 949: the accented byte of line 4 is a lead byte there.
        locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
        if "ko_KR.utf8" not in locales.split():
            self.skipTest("no ko_KR.UTF-8 locale here")
        r = wine(["/?"], env=dict(ENV, LC_ALL="ko_KR.UTF-8"))
        self.assertEqual(r.returncode, 0)
        self.assertEqual([len(line) for line in r.stdout.split(b"\r\n")],
                         [len(line) for line in SCREEN.split(b"\r\n")])

    def test_command_line_table(self):
        cases = [
            (b"", RESULT), (b"?", SCREEN), (b"/?", SCREEN), (b"x ?", SCREEN),
            (b"? /?", SCREEN), (b"-?", RESULT), (b"/??", RESULT), (b'"/?"', SCREEN),
            (b'/"?"', SCREEN), (b'a"/?"', RESULT), (b'"" ?', SCREEN), (b'" ?"', RESULT),
            (b'? "', SCREEN), (b'"', RESULT), (b'\\"?\\"', RESULT), (b'"a b"c d', RESULT),
            (b"\t/?", SCREEN),
        ]
        for tail, expected in cases:
            r = launch(b"fwpeek " + tail)
            self.assertEqual((r.returncode, r.stdout), (0, expected), tail)

    def test_long_command_line(self):
        r = launch(b"fwpeek" + b" a" * 15990 + b" /?")
        self.assertEqual((r.returncode, r.stdout), (0, SCREEN))


class WriteCalls(unittest.TestCase):
    def test_result_line_is_one_write_on_a_console_and_into_a_file(self):
        self.assertEqual(write_calls(console=True), [13])
        self.assertEqual(write_calls(), [13])

    def test_help_screen(self):
        self.assertEqual(write_calls(["/?"], console=True),
                         [len(line) + 2 for line in SCREEN.split(b"\r\n")[:-1]])
        total = len(SCREEN)
        self.assertEqual(write_calls(["/?"]), [128] * (total // 128) + [total % 128])


class Failures(unittest.TestCase):
    def test_failures_are_reported_with_status_1(self):
        cases = [
            ("full disk", '"$0" "$1" >/dev/full', b"Erreur E/S 112."),
            ("closed output", '"$0" "$1" >&-', b"Erreur E/S 6."),
            ("help into a full disk", '"$0" "$1" /? >/dev/full', b"Erreur E/S 112."),
        ]
        for name, command, second in cases:
            r = shell(command)
            self.assertEqual(r.returncode, 1, name)
            self.assertEqual(report(r.stderr)[1], second, name)

    def test_pipe_without_reader(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            r = wine(stdout=write_end)
        finally:
            os.close(write_end)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(report(r.stderr)[1], b"Erreur E/S 233.")

    def test_output_without_write_access_is_access_denied(self):
        r = launch(b"fwpeek", out="read-only")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(report(r.stderr)[1], "Accès au fichier refusé.".encode("cp850"))

    def test_no_output_handle_reports_the_closing(self):
        for mode in ("null", "invalid"):
            r = launch(b"fwpeek", out=mode)
            self.assertEqual(r.returncode, 1, mode)
            self.assertEqual(report(r.stderr)[1], b"Erreur E/S 103.", mode)

    def test_the_closing_check_has_one_address_of_its_own(self):
        closed = report(shell('"$0" "$1" >&-').stderr)[0]
        null = report(launch(b"fwpeek", out="null").stderr)[0]
        result_line = report(shell('"$0" "$1" >/dev/full').stderr)[0]
        help_line = report(shell('"$0" "$1" /? >/dev/full').stderr)[0]
        self.assertIsNotNone(closed)
        self.assertEqual(closed, null)
        self.assertEqual(len({closed, result_line, help_line}), 3)

    def test_standard_error_closed_too(self):
        # Wine reuses descriptors closed before it starts, so stdout fails by being full.
        r = shell('"$0" "$1" >/dev/full 2>&-')
        self.assertEqual((r.returncode, r.stderr), (1, b""))

    def test_no_debugger_ever_starts(self):
        shell('"$0" "$1" >/dev/full')
        ps = subprocess.run(["ps", "-eo", "args"], capture_output=True, text=True).stdout
        self.assertNotIn("winedbg", ps)


class ProbeFaults(unittest.TestCase):
    """A probe whose request faults, in the program's code and in a system library."""

    PROGRAM = os.path.join(BUILD, "tests/win32/request_fault_test.exe")

    def test_each_fault_becomes_the_probes_text(self):
        r = subprocess.run([WINE, self.PROGRAM], env=ENV, capture_output=True,
                           stdin=subprocess.DEVNULL, timeout=120)
        self.assertEqual(r.returncode, 0, r.stdout)
        self.assertTrue(r.stdout.endswith(b"all passed\n") or r.stdout.endswith(b"all passed\r\n"),
                        r.stdout)

    def test_the_run_writes_the_failure_as_its_result_and_ends_with_0(self):
        r = subprocess.run([WINE, self.PROGRAM, "run"], env=ENV, capture_output=True,
                           stdin=subprocess.DEVNULL, timeout=120)
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        self.assertRegex(r.stdout, rb"\AEAccessViolation : Violation d'acc\x8As \x85 l'adresse "
                         + ADDRESS + rb" dans le module 'msvcrt\.dll'\. Lecture de l'adresse "
                         rb"00000000\r\n\Z")


if __name__ == "__main__":
    reason = wine_targets.why_not(TARGET, ENV)
    if reason:
        print(f"skipped: {reason}")
        sys.exit(wine_targets.SKIP)
    unittest.main(verbosity=2)
