"""Registry set-up in a prefix through Wine's own reg.exe.

In a win64 prefix plain `wine reg` is the 32-bit reg.exe: without /reg:64 it writes under
Wow6432Node, where a 64-bit reader (or a 32-bit one opening with KEY_WOW64_64KEY) never
looks. Seeds therefore go in with /reg:64 and are read back by the 64-bit reg.exe (wine64),
a native reader. A win32 prefix has one view; /reg:64 is accepted there and changes nothing."""

import re

from . import tools

SHARED_DLLS = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDlls"

_VALUE = re.compile(r"^    (.+?)    (REG_\w+)    (.*)$")


def add_dword(prefix, key, name, value):
    proc = prefix.run(["reg", "add", key, "/v", name, "/t", "REG_DWORD", "/d", str(value),
                       "/f", "/reg:64"], timeout=60)
    if proc.returncode != 0:
        raise RuntimeError(f"reg add {key} /v {name} failed ({proc.returncode}): "
                           f"{proc.stdout.strip()} {proc.stderr.strip()}")


def query(prefix, key, view):
    """Values of a key as {name: (type, data)}, as seen by a reader of `view`:
    "native" (64-bit reg.exe in win64, the only view in win32) or "wow32" (32-bit view)."""
    if view == "native" and prefix.arch == "win64":
        proc = prefix.run(["reg", "query", key], timeout=60, loader=tools.wine64())
    elif view == "native":
        proc = prefix.run(["reg", "query", key], timeout=60)
    else:
        proc = prefix.run(["reg", "query", key, "/reg:32"], timeout=60)
    values = {}
    if proc.returncode != 0:
        return values
    for line in proc.stdout.splitlines():
        match = _VALUE.match(line.rstrip("\r"))
        if match:
            values[match.group(1)] = (match.group(2), match.group(3))
    return values
