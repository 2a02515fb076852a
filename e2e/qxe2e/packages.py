"""wixl packages of e2e/packages/, built against the DLLs under test, then read back.

wixl 0.101 has quirks (custom-action types, sequence placement), so the runner does not
trust the .wxs: it reads the built tables and requires exactly the intended actions."""

import os
import shutil
import subprocess

from . import tools

PACKAGE_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                           "packages")

# Custom action type bits (msidbCustomActionType*).
DLL_FROM_BINARY = 0x001
IN_SCRIPT = 0x400
NO_IMPERSONATE = 0x800

# logconfig.wxs: action -> (type, source, target, condition, sequence)
LOGCONFIG_ACTIONS = {
    "LogConfigImmediate": (DLL_FROM_BINARY, "QxecaDll", "QXLogConfig",
                           'NOT (REMOVE="ALL")', 4001),
    "LogConfigDeferred": (DLL_FROM_BINARY | IN_SCRIPT | NO_IMPERSONATE, "QxecaDll",
                          "QXLogConfig", 'NOT (REMOVE="ALL")', 6599),
}
INSTALL_FINALIZE = 6600


def _table(msi, name):
    """Rows of an MSI table as lists of strings (header, types and key lines dropped)."""
    out = subprocess.run([tools.MSIINFO, "export", msi, name], capture_output=True,
                         text=True, check=True).stdout
    return [line.split("\t") for line in out.splitlines()[3:] if line]


def build_logconfig(qxeca_dll, out_dir, report):
    """logconfig.msi carrying qxeca_dll as a Binary; None after a failure."""
    stage = os.path.join(out_dir, "logconfig")
    os.makedirs(stage, exist_ok=True)
    shutil.copyfile(qxeca_dll, os.path.join(stage, "qxeca.dll"))
    shutil.copyfile(os.path.join(PACKAGE_DIR, "logconfig.wxs"),
                    os.path.join(stage, "logconfig.wxs"))
    with open(os.path.join(stage, "logconfig.txt"), "w") as payload:
        payload.write("installed by the qx e2e logconfig package\n")
    # wixl 0.101 cannot take absolute source paths (GLib asserts): build inside the stage.
    proc = subprocess.run([tools.WIXL, "-a", "x86", "-D", "QxecaDll=qxeca.dll",
                           "-D", "Payload=logconfig.txt", "-o", "logconfig.msi",
                           "logconfig.wxs"], cwd=stage, capture_output=True, text=True)
    msi = os.path.join(stage, "logconfig.msi")
    if not report.check("build logconfig.msi (wixl)",
                        proc.returncode == 0 and os.path.isfile(msi),
                        proc.stdout + proc.stderr):
        return None
    if not _check_logconfig_tables(msi, qxeca_dll, report):
        return None
    return msi


def _check_logconfig_tables(msi, qxeca_dll, report):
    problems = []
    actions = {row[0]: row for row in _table(msi, "CustomAction")}
    sequence = {row[0]: row for row in _table(msi, "InstallExecuteSequence")}
    for name, (ca_type, source, target, condition, seq) in LOGCONFIG_ACTIONS.items():
        row = actions.get(name)
        if not row or (int(row[1]), row[2], row[3]) != (ca_type, source, target):
            problems.append(f"CustomAction {name}: want type {ca_type} {source} {target}, "
                            f"got {row}")
        row = sequence.get(name)
        if not row or (row[1], int(row[2])) != (condition, seq):
            problems.append(f"InstallExecuteSequence {name}: want {condition!r} at {seq}, "
                            f"got {row}")
    finalize = sequence.get("InstallFinalize")
    if not finalize or int(finalize[2]) != INSTALL_FINALIZE:
        problems.append(f"InstallFinalize not at {INSTALL_FINALIZE}: {finalize}")
    carried = subprocess.run([tools.MSIINFO, "extract", msi, "Binary.QxecaDll"],
                             capture_output=True).stdout
    with open(qxeca_dll, "rb") as dll:
        if carried != dll.read():
            problems.append("Binary.QxecaDll differs from the DLL under test")
    return report.check("logconfig.msi tables: two QXLogConfig actions, types "
                        "1 (immediate) and 3073 (deferred, no-impersonate), at 4001 and 6599",
                        not problems, "\n".join(problems))
