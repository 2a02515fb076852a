"""Export and import tables of the DLLs, read with objdump -p.

A host finds an action by its undecorated name; a stray `Name@4` means a .def or a calling
convention slipped. The DLLs must carry their C++ runtime: any import beyond Windows'
own DLLs (libstdc++-6, libgcc_s, libwinpthread) fails to load on a clean machine."""

import fnmatch
import os
import re
import subprocess

from . import tools

# Undecorated exports each DLL must have, no more, no less.
EXPECTED_EXPORTS = {
    "qxeca.dll": ["QXLogConfig", "QX_SaveHKLMRegDW", "QX_RestoreHKLMRegDW", "QX_SetHKLMRegDW",
                  "QX_SetImmHKUSIDRegDW", "QX_SetDefHKUSIDRegDW", "QX_TCPDisableTaskOffload",
                  "QX_IncrementDisableTaskOffload", "QX_DecrementDisableTaskOffload",
                  "QXStartService", "QXStopService", "QX_CheckFileVers", "QXRenameFile",
                  "QXLaunchApp"],
    "qxmsica.dll": ["QX_LinkSpeedBitsToBytes", "QX_LinkSpeedBytesToBits", "QX_SetHKLMRegDW",
                    "QX_DelRegQXEOrder", "QX_BrowseFile", "QX_CheckFileExists"],
}

# Windows system DLLs the libraries may import (lower case; patterns allowed).
IMPORT_WHITELIST = ["kernel32.dll", "msvcrt.dll", "msi.dll", "advapi32.dll", "user32.dll",
                    "comdlg32.dll", "version.dll", "api-ms-win-crt-*.dll"]


def read(dll):
    """(file format, [exported names], [imported DLL names]) of a PE."""
    proc = subprocess.run([tools.OBJDUMP, "-p", dll], capture_output=True, text=True)
    if proc.returncode != 0:
        return f"unreadable ({proc.stderr.strip()})", [], []
    out = proc.stdout
    fmt = re.search(r"file format (\S+)", out)
    imports = re.findall(r"^\s*DLL Name: (\S+)", out, re.M)
    exports = []
    table = re.search(r"^\[Ordinal/Name Pointer\] Table\n((?:\s*\[\s*\d+\].*\n)*)", out, re.M)
    if table:
        exports = [m.group(1) for m in re.finditer(r"\[\s*\d+\]\s+(\S+)", table.group(1))]
    return (fmt.group(1) if fmt else "?"), exports, imports


def check(dll, report):
    name = os.path.basename(dll).lower()
    if not report.check(f"{name}: present", os.path.isfile(dll), f"no {dll}"):
        return False
    fmt, exports, imports = read(dll)
    ok = report.check(f"{name}: 32-bit PE (pei-i386)", fmt == "pei-i386", f"objdump: {fmt}")

    want = sorted(EXPECTED_EXPORTS.get(name, []))
    decorated = [e for e in exports if "@" in e or e.startswith("_")]
    ok &= report.check(f"{name}: exports exactly {want or 'nothing'}, undecorated",
                       sorted(exports) == want and not decorated,
                       f"exported: {sorted(exports)}\nexpected: {want}"
                       + (f"\ndecorated: {decorated}" if decorated else ""))

    foreign = [i for i in imports
               if not any(fnmatch.fnmatch(i.lower(), w) for w in IMPORT_WHITELIST)]
    ok &= report.check(f"{name}: imports Windows system DLLs only",
                       imports and not foreign,
                       f"imports: {imports}\nnot allowed: {foreign}")
    return ok
