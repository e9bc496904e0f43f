#!/usr/bin/env python3
"""Runs the native fwpeek as a process and compares bytes and exit statuses."""
import fcntl
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

PROGRAM = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else "build/native/fwpeek")

# The banner shows the major and minor numbers of the project version CMake hands over.
BANNER_VERSION = ".".join(os.environ["FWPEEK_VERSION"].split(".")[:2])
SCREEN = (
    f"FWPEEK v{BANNER_VERSION} Copyright (c) 2026 fwpeek contributors\n"
    "Affiche le type de microprogramme actif (Legacy BIOS ou UEFI)\n"
    " \n"
    "Note     : Un matériel UEFI peut utiliser le mode Legacy BIOS\n"
    " \n"
    "Syntaxe  : fwpeek\n"
    " \n"
    "Exemples : fwpeek\n"
    "           fwpeek > result.txt\n"
).encode("utf-8")

EXPECTED = b"UEFI Mode\n" if os.path.isdir("/sys/firmware/efi") else b"Legacy BIOS\n"
REPORT = re.compile(
    rb"\AException EInOutError dans le module fwpeek dans [0-9A-F]{8}\.\n(.*)\n\n\Z")


def run(args=(), **kw):
    kw.setdefault("stdout", subprocess.PIPE)
    kw.setdefault("stderr", subprocess.PIPE)
    return subprocess.run([PROGRAM, *args], stdin=subprocess.DEVNULL, timeout=20, **kw)


def second_line(err):
    m = REPORT.match(err)
    return m.group(1) if m else b"(no report) " + err


def address(err):
    m = re.search(rb" dans ([0-9A-F]{8})\.\n", err)
    return m.group(1) if m else None


class ResultLine(unittest.TestCase):
    def test_result_line_to_a_pipe_and_a_file(self):
        r = run()
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, EXPECTED, b""))
        with tempfile.TemporaryFile() as f:
            r = run(stdout=f)
            f.seek(0)
            self.assertEqual((r.returncode, f.read()), (0, EXPECTED))

    def test_arguments_other_than_help_are_ignored(self):
        for args in (["-?"], ["/??"], ["x", "-h"], [""], ["a/?"], ["é"]):
            r = run(args)
            self.assertEqual((r.returncode, r.stdout), (0, EXPECTED), args)

    def test_help_screen(self):
        for args in (["?"], ["/?"], ["x", "?"], ["?", "/?"]):
            r = run(args)
            self.assertEqual((r.returncode, r.stdout, r.stderr), (0, SCREEN, b""), args)

    def test_argv_elements_are_arguments_as_given(self):
        cases = [
            ('exec -a "" "$0" "?"', SCREEN),  # an empty name
            ('exec "$0" \'"\' "?"', SCREEN),
            ('exec "$0" \'a"b\' "/?"', SCREEN),
            ('exec "$0" \'x" /?\'', EXPECTED),  # one argument, not a switch
            ('exec "$0" \'"/?"\'', EXPECTED),
            ('exec "$0" "" "?"', SCREEN),
        ]
        for command, expected in cases:
            r = subprocess.run(["bash", "-c", command, PROGRAM], capture_output=True, timeout=20)
            self.assertEqual((r.returncode, r.stdout), (0, expected), command)

    def test_long_command_line(self):
        r = run(["a"] * 16000 + ["/?"])
        self.assertEqual((r.returncode, r.stdout), (0, SCREEN))

    def test_uefi_machine(self):
        if os.geteuid() != 0 or not shutil.which("unshare"):
            self.skipTest("needs root and unshare")
        script = 'mount -t tmpfs none /sys/firmware && mkdir /sys/firmware/efi && exec "$0"'
        r = subprocess.run(["unshare", "-m", "sh", "-c", script, PROGRAM],
                           capture_output=True, timeout=20)
        if r.returncode != 0 and b"mount" in r.stderr:
            self.skipTest("no mount namespace here: " + r.stderr.decode(errors="replace"))
        self.assertEqual((r.returncode, r.stdout), (0, b"UEFI Mode\n"))


class Failures(unittest.TestCase):
    def test_full_disk(self):
        with open("/dev/full", "wb") as full:
            r = run(stdout=full)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(second_line(r.stderr), b"Erreur E/S 112.")

    def test_closed_output(self):
        r = subprocess.run(["sh", "-c", 'exec "$0" >&-', PROGRAM], capture_output=True,
                           timeout=20)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(second_line(r.stderr), b"Erreur E/S 103.")

    def test_pipe_without_reader(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            r = run(stdout=write_end)
        finally:
            os.close(write_end)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(second_line(r.stderr), b"Erreur E/S 232.")

    def test_help_into_full_disk_fails_at_the_first_line(self):
        with open("/dev/full", "wb") as full:
            r = run(["/?"], stdout=full)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(second_line(r.stderr), b"Erreur E/S 112.")

    def test_closing_check_has_one_address(self):
        with open("/dev/full", "wb") as full:
            console_like = run(stdout=full)  # a character device: the result line's check
        closed = subprocess.run(["sh", "-c", 'exec "$0" >&-', PROGRAM], capture_output=True)
        read_end, write_end = os.pipe()
        os.close(read_end)
        piped = run(stdout=write_end)
        os.close(write_end)
        with open("/dev/full", "wb") as full:
            help_line = run(["/?"], stdout=full)
        self.assertEqual(address(closed.stderr), address(piped.stderr))
        self.assertNotEqual(address(closed.stderr), address(console_like.stderr))
        self.assertNotEqual(address(help_line.stderr), address(console_like.stderr))
        self.assertNotEqual(address(help_line.stderr), address(closed.stderr))

    def test_file_size_limit_is_reported(self):
        with tempfile.TemporaryDirectory() as tmp:
            big = os.path.join(tmp, "big")
            with open(big, "wb") as f:
                f.write(bytes(8192))
            for args in ("", "/?"):
                r = subprocess.run(["sh", "-c", f'ulimit -f 4; exec "$0" {args} >> "$1"',
                                    PROGRAM, big], capture_output=True, timeout=20)
                self.assertEqual(r.returncode, 1, args)
                self.assertEqual(second_line(r.stderr), b"Erreur E/S 223.", args)

    def test_output_sealed_against_writing_is_access_denied(self):
        fd = os.memfd_create("sealed", os.MFD_ALLOW_SEALING)
        try:
            fcntl.fcntl(fd, fcntl.F_ADD_SEALS, fcntl.F_SEAL_WRITE)
            r = run(stdout=fd)
        finally:
            os.close(fd)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(second_line(r.stderr), "Accès au fichier refusé.".encode("utf-8"))

    def test_report_names_the_program_without_proc(self):
        if os.geteuid() != 0 or not shutil.which("unshare"):
            self.skipTest("needs root and unshare")
        script = 'umount -l /proc && exec "$0" > /dev/full'
        r = subprocess.run(["unshare", "-m", "-p", "-f", "sh", "-c", script, PROGRAM],
                           capture_output=True, timeout=20)
        if b"umount" in r.stderr or b"unshare" in r.stderr:
            self.skipTest("no mount namespace here: " + r.stderr.decode(errors="replace"))
        self.assertEqual(r.returncode, 1)
        self.assertEqual(second_line(r.stderr), b"Erreur E/S 112.")

    def test_standard_error_closed_too(self):
        r = subprocess.run(["sh", "-c", 'exec "$0" >&- 2>&-', PROGRAM], capture_output=True,
                           timeout=20)
        self.assertEqual(r.returncode, 1)


if __name__ == "__main__":
    unittest.main(verbosity=2)
