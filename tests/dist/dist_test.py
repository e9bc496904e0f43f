#!/usr/bin/env python3
"""Runs tools/dist.py on small stand-in programs: the release files' layout, their sameness
from run to run, and the programs it must refuse to ship."""
import io
import os
import struct
import subprocess
import sys
import tarfile
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent.parent
DIST = ROOT / "tools/dist.py"
VERSION = "9.8.7"
DATE = 1700000000  # 2023-11-14 22:13:20 UTC
ZIP = f"fwpeek-{VERSION}-windows.zip"
TAR = f"fwpeek-{VERSION}-linux-x86_64.tar.gz"
TOP = f"fwpeek-{VERSION}-linux-x86_64"


def pe(machine, stamp=0, dynamic_base=True, relocations=0x200):
    """Just the headers that dist.py reads, with some code after them."""
    plus = machine == 0x8664
    at = 0x40
    opt = at + 24
    data = bytearray(opt + (240 if plus else 224)) + bytes([machine & 0xFF]) * 64
    data[:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, at)
    data[at : at + 4] = b"PE\0\0"
    struct.pack_into("<HHI", data, at + 4, machine, 1, stamp)
    struct.pack_into("<H", data, opt, 0x20B if plus else 0x10B)
    struct.pack_into("<H", data, opt + 70, 0x0140 if dynamic_base else 0x0100)
    struct.pack_into("<II", data, opt + (112 if plus else 96) + 8 * 5, 0x9000, relocations)
    return bytes(data)


def elf(interpreter=False):
    data = bytearray(64 + 2 * 56) + b"code"
    data[:6] = b"\x7fELF\x02\x01"
    struct.pack_into("<H", data, 18, 62)
    struct.pack_into("<Q", data, 32, 64)
    struct.pack_into("<HH", data, 54, 56, 2)
    struct.pack_into("<I", data, 64, 1)  # PT_LOAD
    struct.pack_into("<I", data, 64 + 56, 3 if interpreter else 4)  # PT_INTERP or PT_NOTE
    return bytes(data)


GOOD = {"x86": pe(0x014C), "x64": pe(0x8664), "linux": elf()}


def run_dist(work, programs=GOOD, out="dist", date=DATE, umask=0o022):
    """Writes the programs into WORK and runs dist.py there; returns the finished process."""
    work = Path(work)
    for name, data in programs.items():
        (work / name).write_bytes(data)
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(date))
    old = os.umask(umask)
    try:
        return subprocess.run(
            [sys.executable, DIST, "--version", VERSION, "--x86", "x86", "--x64", "x64",
             "--linux", "linux", out], cwd=work, env=env, capture_output=True, timeout=60)
    finally:
        os.umask(old)


class Release(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.work = Path(self.tmp.name)
        r = run_dist(self.work)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.out = self.work / "dist"

    def tearDown(self):
        self.tmp.cleanup()

    def test_windows_zip(self):
        with zipfile.ZipFile(self.out / ZIP) as z:
            self.assertEqual(z.namelist(),
                             ["README.txt", "LICENSE.txt", "x86/fwpeek.exe", "x64/fwpeek.exe"])
            self.assertEqual(z.read("x86/fwpeek.exe"), GOOD["x86"])
            self.assertEqual(z.read("x64/fwpeek.exe"), GOOD["x64"])
            licence = z.read("LICENSE.txt")
            self.assertEqual(licence, (ROOT / "LICENSE").read_bytes().replace(b"\n", b"\r\n"))
            for name in ("README.txt", "LICENSE.txt"):
                data = z.read(name)
                self.assertNotIn(b"\n", data.replace(b"\r\n", b""), f"{name}: a bare LF or CR")
                data.decode("ascii")
            for info in z.infolist():
                self.assertEqual(info.date_time, (2023, 11, 14, 22, 13, 20), info.filename)

    def test_linux_tarball(self):
        with tarfile.open(self.out / TAR) as tar:
            members = [(m.name, m.mode, m.uid, m.gid, m.mtime) for m in tar.getmembers()]
            self.assertEqual(members, [
                (TOP, 0o755, 0, 0, DATE),
                (f"{TOP}/fwpeek", 0o755, 0, 0, DATE),
                (f"{TOP}/README", 0o644, 0, 0, DATE),
                (f"{TOP}/LICENSE", 0o644, 0, 0, DATE),
            ])
            self.assertEqual(tar.extractfile(f"{TOP}/fwpeek").read(), GOOD["linux"])
            self.assertEqual(tar.extractfile(f"{TOP}/LICENSE").read(),
                             (ROOT / "LICENSE").read_bytes())
        # The gzip header holds the same date and no file name.
        head = (self.out / TAR).read_bytes()[:10]
        self.assertEqual((head[3], struct.unpack_from("<I", head, 4)[0]), (0, DATE))

    def test_sums_check_with_sha256sum(self):
        self.assertEqual(sorted(p.name for p in self.out.iterdir()), ["SHA256SUMS", TAR, ZIP])
        r = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.out, capture_output=True)
        self.assertEqual((r.returncode, r.stdout), (0, f"{TAR}: OK\n{ZIP}: OK\n".encode()))

    def test_same_bytes_from_another_folder_at_another_time(self):
        first = {p.name: p.read_bytes() for p in self.out.iterdir()}
        with tempfile.TemporaryDirectory() as other:
            time.sleep(2.1)  # past a zip date step, were the clock to leak in
            r = run_dist(other, out="elsewhere/dist", umask=0o077)
            self.assertEqual(r.returncode, 0, r.stderr)
            again = {p.name: p.read_bytes() for p in Path(other, "elsewhere/dist").iterdir()}
        self.assertEqual(again, first)

    def test_a_second_run_leaves_no_stale_file(self):
        (self.out / "fwpeek-0.1-windows.zip").write_bytes(b"old")
        self.assertEqual(run_dist(self.work).returncode, 0)
        self.assertEqual(sorted(p.name for p in self.out.iterdir()), ["SHA256SUMS", TAR, ZIP])


class Refused(unittest.TestCase):
    def test_programs_unfit_for_release(self):
        cases = [
            ("x86", pe(0x014C, stamp=0x5F000000), b"link time"),
            ("x64", pe(0x8664, stamp=1), b"link time"),
            ("x86", pe(0x8664), b"not an x86 program"),
            ("x64", pe(0x014C), b"not an x64 program"),
            ("x86", pe(0x014C, dynamic_base=False), b"no relocations"),
            ("x64", pe(0x8664, relocations=0), b"no relocations"),
            ("x86", GOOD["linux"], b"not a Windows program"),
            ("x64", pe(0x8664)[:0x50], b"cut short"),
            ("linux", elf(interpreter=True), b"linked dynamically"),
            ("linux", GOOD["x64"], b"not a 64-bit"),
        ]
        for slot, data, message in cases:
            with self.subTest(slot=slot, message=message), tempfile.TemporaryDirectory() as work:
                Path(work, "dist").mkdir()
                Path(work, "dist/keep").write_bytes(b"")
                r = run_dist(work, dict(GOOD, **{slot: data}))
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                # Refused before anything was removed or written.
                self.assertEqual(os.listdir(Path(work, "dist")), ["keep"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
