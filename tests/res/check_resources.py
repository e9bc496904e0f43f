#!/usr/bin/env python3
"""Reads the resources back from fwpeek.exe with wrestool and checks them against their sources.

usage: check_resources.py FWPEEK_EXE SOURCE_DIR VERSION

VERSION is the project version CMake knows (major.minor.patch[.build]).
"""
import re
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

EXE = SRC = VERSION = None
FRENCH = 0x040C
FIRST_ID, LAST_ID = 65456, 65535
ENTRY = re.compile(r'FWPEEK_STRING\((\d+), ((?:"(?:[^"\\]|\\.)*" ?)+)\)')
SIMPLE_ESCAPES = {"r": 0x0D, "n": 0x0A, "t": 0x09, "\\": 0x5C, "'": 0x27}


def c_string_bytes(literals):
    """Bytes of adjacent C string literals, hex escapes as greedy as a C compiler's."""
    out = bytearray()
    for body in re.findall(r'"((?:[^"\\]|\\.)*)"', literals):
        i = 0
        while i < len(body):
            c = body[i]
            if c != "\\":
                out.append(ord(c))
                i += 1
            elif body[i + 1] == "x":
                m = re.match(r"[0-9A-Fa-f]+", body[i + 2 :])
                if not m or int(m.group(), 16) > 0xFF:
                    raise ValueError(f"bad hex escape in {literals}")
                out.append(int(m.group(), 16))
                i += 2 + m.end()
            elif body[i + 1] in SIMPLE_ESCAPES:
                out.append(SIMPLE_ESCAPES[body[i + 1]])
                i += 2
            else:  # nothing else is needed, and windres only grudgingly takes \"
                raise ValueError(f"unsupported escape in {literals}")
    return bytes(out)


def source_table():
    table = {}
    # ASCII only: a raw é would reach the two compilers in whatever encoding the editor chose.
    for n, line in enumerate((SRC / "res/strings.h").read_text("ascii").splitlines(), 1):
        if not line or line.startswith("//"):
            continue
        m = ENTRY.fullmatch(line)
        if not m:
            raise ValueError(f"strings.h:{n}: not an entry: {line}")
        id_ = int(m.group(1))
        if id_ in table:
            raise ValueError(f"strings.h:{n}: id {id_} twice")
        table[id_] = c_string_bytes(m.group(2)).decode("cp1252")
    return table


def wrestool(*args):
    return subprocess.run(["wrestool", *args, str(EXE)], check=True, capture_output=True).stdout


def resource(type_, name):
    data = wrestool("-x", "--raw", f"--type={type_}", f"--name={name}", f"--language={FRENCH}")
    if not data:
        raise AssertionError(f"no French resource type {type_} name {name}")
    return data


def listing():
    """(type, name, language) of every resource."""
    pattern = r"--type=(\d+) --name=(\d+) --language=(\d+)"
    return [tuple(map(int, m)) for m in re.findall(pattern, wrestool("-l").decode())]


def version_node(data, pos):
    """One VS_VERSIONINFO node: (key, value bytes, children, end), padded to 4 bytes."""
    length, value_len, is_text = struct.unpack_from("<HHH", data, pos)
    end = pos + length
    key_end = pos + 6
    while data[key_end : key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos + 6 : key_end].decode("utf-16-le")
    at = (key_end + 2 + 3) & ~3
    size = value_len * 2 if is_text else value_len
    value = data[at : at + size]
    at = (at + size + 3) & ~3
    children = []
    while at < end:
        child = version_node(data, at)
        children.append(child)
        at = (child[3] + 3) & ~3
    return key, value, children, end


class Resources(unittest.TestCase):
    def test_string_table_matches_source(self):
        expected = source_table()
        self.assertEqual(sorted(expected), list(range(FIRST_ID, LAST_ID + 1)))
        found = {}
        blocks = [name for type_, name, _ in listing() if type_ == 6]
        for block in blocks:
            data, pos = resource(6, block), 0
            for i in range(16):
                (n,) = struct.unpack_from("<H", data, pos)
                text = data[pos + 2 : pos + 2 + 2 * n].decode("utf-16-le")
                if n:
                    found[(block - 1) * 16 + i] = text
                pos += 2 + 2 * n
        for id_ in expected:
            with self.subTest(id=id_):
                self.assertEqual(found.get(id_), expected[id_])
        self.assertEqual(sorted(found), sorted(expected), "strings outside the source")

    def test_every_resource_is_french(self):
        self.assertEqual({lang for _, _, lang in listing()}, {FRENCH})

    def test_version(self):
        key, fixed, children, _ = version_node(resource(16, 1), 0)
        self.assertEqual(key, "VS_VERSION_INFO")
        sig, _, file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<6I", fixed)
        self.assertEqual(sig, 0xFEEF04BD)
        numbers = [int(n) for n in VERSION.split(".")] + [0]
        major, minor, patch, build = numbers[:4]
        ms, ls = major << 16 | minor, patch << 16 | build
        self.assertEqual((file_ms, file_ls, prod_ms, prod_ls), (ms, ls, ms, ls))
        nodes = {k: c for k, _, c, _ in children}
        [(table, _, strings, _)] = nodes["StringFileInfo"]
        self.assertEqual(table, "040C04E4")
        values = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _, _ in strings}
        self.assertEqual(values.pop("LegalCopyright").split()[-2:], ["fwpeek", "contributors"])
        self.assertEqual(values, {
            "CompanyName": "fwpeek contributors",
            "FileDescription": "UEFI BIOS",
            "FileVersion": f"{major}.{minor}.{patch}.{build}",
            "InternalName": "fwpeek",
            "OriginalFilename": "fwpeek.exe",
            "ProductName": "fwpeek",
            "ProductVersion": f"{major}.{minor}.{patch}.{build}",
        })
        [(name, translation, _, _)] = nodes["VarFileInfo"]
        self.assertEqual((name, struct.unpack("<HH", translation)), ("Translation", (FRENCH, 1252)))

    def test_icon(self):
        [group] = [name for type_, name, _ in listing() if type_ == 14]
        data = resource(14, group)
        reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual((reserved, kind, count), (0, 1, 2))
        with tempfile.TemporaryDirectory() as tmp:
            ico = Path(tmp, "fwpeek.ico")
            subprocess.run([sys.executable, SRC / "tools/make-icon.py", ico], check=True)
            drawn = ico.read_bytes()
        sizes = []
        for i in range(count):
            entry = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
            w, h, colours, _, planes, bpp, size, icon_id = entry
            image = resource(3, icon_id)
            self.assertEqual((w, colours, planes, bpp, size), (h, 0, 1, 8, len(image)))
            head = struct.unpack_from("<IiiHHIIiiII", image)
            self.assertEqual(head[:6], (40, w, 2 * w, 1, 8, 0))  # 8 bits a pixel, no compression
            self.assertIn(head[9], (0, 256))
            mask_row = (w + 31) // 32 * 4
            self.assertEqual(len(image), 40 + 4 * 256 + w * w + mask_row * w)
            # The image is the one the generator draws now, not a stale one.
            offset = struct.unpack_from("<I", drawn, 6 + 16 * i + 12)[0]
            self.assertEqual(image, drawn[offset : offset + len(image)])
            sizes.append(w)
        self.assertEqual(sizes, [16, 32])


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    EXE, SRC, VERSION = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
    if not EXE.is_file():
        sys.exit(f"{EXE}: no such program; build its preset first")
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
