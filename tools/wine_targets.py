#!/usr/bin/env python3
"""The Wine loader for each Windows target, and whether this host can start it.

usage: wine_targets.py TARGET PROGRAM [ARG...]  runs PROGRAM under TARGET's loader, or exits
with status 77 (a skip) and the reason when this host cannot start that loader.
"""
import os
import subprocess
import sys
import tempfile

# Called directly: /usr/bin/wine takes the 32-bit loader whenever it is installed.
LOADERS = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}
SKIP = 77


def loader(target):
    return LOADERS[target]


def why_not(target, env=None):
    """None when TARGET's loader starts a program here, else the reason it cannot."""
    path = loader(target)
    if not os.access(path, os.X_OK):
        return f"{path} is not installed"
    # A 32-bit loader on a kernel without 32-bit support fails before any .exe is read.
    # Into a file, not a pipe: services that Wine starts with the program keep its handles.
    with tempfile.TemporaryFile() as err:
        try:
            r = subprocess.run([path, "cmd.exe", "/c", "exit", "0"],
                               env=environment(target, env), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=err, timeout=120)
        except OSError as e:
            return f"{path} cannot start: {e.strerror}"
        err.seek(0)
        message = err.read()
    if r.returncode == 126 or b"Exec format error" in message:
        return f"this kernel cannot run {path} (Exec format error)"
    return None


def environment(target, env=None):
    return dict(env if env is not None else os.environ, WINELOADER=loader(target))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    target, command = sys.argv[1], sys.argv[2:]
    reason = why_not(target)
    if reason:
        print(f"skipped: {reason}")
        sys.exit(SKIP)
    sys.exit(subprocess.run([loader(target), *command], env=environment(target)).returncode)
