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
ROLLBACK_BIT = 0x100

# The action types and conditions the packages use.
IMMEDIATE = DLL_FROM_BINARY
DEFERRED = DLL_FROM_BINARY | IN_SCRIPT | NO_IMPERSONATE
ROLLBACK = DEFERRED | ROLLBACK_BIT
SET_PROPERTY = 51
RUN = 'NOT (REMOVE="ALL")'
REMOVE = 'REMOVE="ALL"'

# logconfig.wxs: action -> (type, source, target, condition, sequence)
LOGCONFIG_ACTIONS = {
    "LogConfigImmediate": (IMMEDIATE, "QxecaDll", "QXLogConfig", RUN, 4001),
    "LogConfigDeferred": (DEFERRED, "QxecaDll", "QXLogConfig", RUN, 6599),
}
INSTALL_FINALIZE = 6600


def _table(msi, name):
    """Rows of an MSI table as lists of strings (header, types and key lines dropped)."""
    out = subprocess.run([tools.MSIINFO, "export", msi, name], capture_output=True,
                         text=True, check=True).stdout
    return [line.split("\t") for line in out.splitlines()[3:] if line]


def build(wxs, files, out_dir, report):
    """Build packages/<wxs> with wixl. files: {wixl variable: host path}; each file is copied
    beside the .wxs and passed as -D VARIABLE=name. The .msi path, or None after a failure."""
    name = os.path.splitext(wxs)[0]
    stage = os.path.join(out_dir, name)
    os.makedirs(stage, exist_ok=True)
    shutil.copyfile(os.path.join(PACKAGE_DIR, wxs), os.path.join(stage, wxs))
    defines = []
    for variable, path in files.items():
        shutil.copyfile(path, os.path.join(stage, os.path.basename(path)))
        defines += ["-D", f"{variable}={os.path.basename(path)}"]
    # wixl 0.101 cannot take absolute source paths (GLib asserts): build inside the stage.
    proc = subprocess.run([tools.WIXL, "-a", "x86"] + defines + ["-o", f"{name}.msi", wxs],
                          cwd=stage, capture_output=True, text=True)
    msi = os.path.join(stage, f"{name}.msi")
    if not report.check(f"build {name}.msi (wixl)", proc.returncode == 0 and os.path.isfile(msi),
                        proc.stdout + proc.stderr):
        return None
    return msi


def payload(out_dir, name):
    """A small file for a package's one component: wixl needs one for a real install."""
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, name)
    with open(path, "w") as text:
        text.write(f"installed by the qx e2e package {os.path.splitext(name)[0]}\n")
    return path


def check_tables(msi, actions, binaries, report, title):
    """The built tables hold exactly the intended custom actions.
    actions: {action: (type, source, target, condition, sequence)};
    binaries: {Binary key: the DLL it must carry byte for byte}."""
    problems = []
    rows = {row[0]: row for row in _table(msi, "CustomAction")}
    sequence = {row[0]: row for row in _table(msi, "InstallExecuteSequence")}
    for extra in sorted(set(rows) - set(actions)):
        problems.append(f"CustomAction {extra}: not expected")
    for name, (ca_type, source, target, condition, seq) in actions.items():
        row = rows.get(name)
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
    for key, dll in binaries.items():
        carried = subprocess.run([tools.MSIINFO, "extract", msi, f"Binary.{key}"],
                                 capture_output=True).stdout
        with open(dll, "rb") as original:
            if carried != original.read():
                problems.append(f"Binary.{key} differs from the DLL under test")
    return report.check(title, not problems, "\n".join(problems))


def build_logconfig(qxeca_dll, out_dir, report):
    """logconfig.msi carrying qxeca_dll as a Binary; None after a failure."""
    files = {"QxecaDll": qxeca_dll, "Payload": payload(out_dir, "logconfig.txt")}
    msi = build("logconfig.wxs", files, out_dir, report)
    if msi is None or not check_tables(
            msi, LOGCONFIG_ACTIONS, {"QxecaDll": qxeca_dll}, report,
            "logconfig.msi tables: two QXLogConfig actions, types 1 (immediate) and 3073 "
            "(deferred, no-impersonate), at 4001 and 6599"):
        return None
    return msi
