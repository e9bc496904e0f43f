#!/usr/bin/env python3
"""Writes the release files: the Windows zip, the Linux tarball and their SHA256SUMS.

usage: dist.py --version VERSION --x86 EXE --x64 EXE --linux PROGRAM OUT_DIR

OUT_DIR is emptied first. Every date inside the archives is the commit's (SOURCE_DATE_EPOCH
when it is set), and names, order, modes and owners are fixed, so the same programs always give
the same bytes.
"""
import argparse
import gzip
import hashlib
import io
import os
import shutil
import struct
import subprocess
import sys
import tarfile
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

PE_MACHINES = {"x86": 0x014C, "x64": 0x8664}
DYNAMIC_BASE = 0x0040
RELOCATION_DIRECTORY = 5


class DistError(Exception):
    pass


def release_date():
    """Seconds since 1970: SOURCE_DATE_EPOCH, else the date of the commit checked out."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", str(ROOT), "log", "-1", "--format=%ct"], check=True,
                             capture_output=True, text=True).stdout
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        raise DistError("no commit date: set SOURCE_DATE_EPOCH outside a git checkout")


def program(path, check, *args):
    """The bytes of the program at PATH, once CHECK has found them fit for release."""
    data = path.read_bytes()
    try:
        check(path, data, *args)
    except struct.error:
        raise DistError(f"{path}: cut short inside its headers")
    return data


def check_pe(path, data, arch):
    """A Windows program for ARCH whose bytes do not depend on when it was linked, and which
    keeps its relocations, so that Windows can still place it anywhere (ASLR)."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        raise DistError(f"{path}: not a Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe : pe + 4] != b"PE\0\0":
        raise DistError(f"{path}: not a Windows program")
    machine, _, stamp = struct.unpack_from("<HHI", data, pe + 4)
    if machine != PE_MACHINES[arch]:
        raise DistError(f"{path}: machine {machine:#06x}, not an {arch} program")
    if stamp:
        raise DistError(f"{path}: the header holds a link time; link with --no-insert-timestamp")
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    directories = opt + (96 if magic == 0x10B else 112)
    flags = struct.unpack_from("<H", data, opt + 70)[0]
    relocations = struct.unpack_from("<II", data, directories + 8 * RELOCATION_DIRECTORY)[1]
    if not flags & DYNAMIC_BASE or not relocations:
        raise DistError(f"{path}: no relocations, so no ASLR")


def check_elf(path, data):
    """A static x86-64 Linux program: it must run on any distribution, whatever its libc."""
    if data[:4] != b"\x7fELF" or data[4] != 2 or data[5] != 1:
        raise DistError(f"{path}: not a 64-bit little-endian ELF program")
    machine = struct.unpack_from("<H", data, 18)[0]
    if machine != 62:
        raise DistError(f"{path}: machine {machine}, not x86-64")
    phoff, = struct.unpack_from("<Q", data, 32)
    phentsize, phnum = struct.unpack_from("<HH", data, 54)
    for i in range(phnum):
        if struct.unpack_from("<I", data, phoff + i * phentsize)[0] == 3:  # PT_INTERP
            raise DistError(f"{path}: linked dynamically")


def text(name, line_end):
    """A text file of the source tree with the given line ends. Windows users may open it in an
    old Notepad, which knows neither LF alone nor UTF-8, so it must be ASCII with CR LF."""
    data = (ROOT / name).read_bytes().replace(b"\r\n", b"\n")
    if line_end == b"\r\n":
        try:
            data.decode("ascii")
        except UnicodeDecodeError:
            raise DistError(f"{name}: not ASCII, which a Windows readme must be")
    return data.replace(b"\n", line_end)


def write_zip(path, members, date):
    # DOS dates start in 1980 and count two-second steps.
    stamp = time.gmtime(max(date, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as z:
        for name, data in members:
            info = zipfile.ZipInfo(name, stamp)
            # Windows reads no mode; an unzip on Linux gets plain readable files.
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)


def write_tar_gz(path, top, members, date):
    """members: (name, mode, data), under the folder TOP."""
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.USTAR_FORMAT) as tar:

        def entry(name, mode, kind):
            info = tarfile.TarInfo(name)
            info.type, info.mode, info.mtime = kind, mode, date
            info.uid = info.gid = 0
            info.uname = info.gname = "root"
            return info

        tar.addfile(entry(top, 0o755, tarfile.DIRTYPE))
        for name, mode, data in members:
            info = entry(f"{top}/{name}", mode, tarfile.REGTYPE)
            info.size = len(data)
            tar.addfile(info, io.BytesIO(data))
    with open(path, "wb") as f:
        # No file name and a fixed time in the gzip header.
        with gzip.GzipFile(filename="", mode="wb", fileobj=f, compresslevel=9, mtime=date) as gz:
            gz.write(raw.getvalue())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("--x86", required=True, type=Path)
    parser.add_argument("--x64", required=True, type=Path)
    parser.add_argument("--linux", required=True, type=Path)
    parser.add_argument("out", type=Path)
    args = parser.parse_args()
    try:
        date = release_date()
        x86, x64 = program(args.x86, check_pe, "x86"), program(args.x64, check_pe, "x64")
        linux = program(args.linux, check_elf)
        windows_zip = f"fwpeek-{args.version}-windows.zip"
        linux_tar = f"fwpeek-{args.version}-linux-x86_64.tar.gz"
        readme_windows = text("release/README-windows.txt", b"\r\n")
        licence_windows = text("LICENSE", b"\r\n")
        readme_linux, licence_linux = text("release/README-linux", b"\n"), text("LICENSE", b"\n")
    except (DistError, OSError) as e:
        sys.exit(f"dist: {e}")

    if args.out.exists():
        shutil.rmtree(args.out)
    args.out.mkdir(parents=True)
    write_zip(args.out / windows_zip, [
        ("README.txt", readme_windows),
        ("LICENSE.txt", licence_windows),
        ("x86/fwpeek.exe", x86),
        ("x64/fwpeek.exe", x64),
    ], date)
    write_tar_gz(args.out / linux_tar, linux_tar[: -len(".tar.gz")], [
        ("fwpeek", 0o755, linux),
        ("README", 0o644, readme_linux),
        ("LICENSE", 0o644, licence_linux),
    ], date)
    sums = "".join(f"{hashlib.sha256((args.out / name).read_bytes()).hexdigest()}  {name}\n"
                   for name in sorted([windows_zip, linux_tar]))
    (args.out / "SHA256SUMS").write_text(sums)
    print(sums, end="")


if __name__ == "__main__":
    main()
