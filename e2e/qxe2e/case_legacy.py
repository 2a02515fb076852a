"""Case: qxmsica.dll's actions in two installs.

legacy.msi runs both link-speed conversions, QX_CheckFileExists on a file, a missing file and a
folder, QX_SetHKLMRegDW twice and QX_DelRegQXEOrder on a seeded Order key; legacy-rollback.msi
runs QX_SetHKLMRegDW with a command that lacks its third ";", which must roll the install back.

Evidence, not return values: each action's own line inside its block of the /l*v log, the
properties in the log's closing dump, the registry as reg.exe of each view reads it, the
payload on disk, and msiexec's full exit code from the launcher. QX_BrowseFile needs a desktop
and is left to the unit tests."""

import os
import re

from . import install_log, msiexec, packages, registry, tools
from .packages import DEFERRED, IMMEDIATE, RUN, SET_PROPERTY

STAGE = "qxlegacy"  # C:\qxlegacy: the packages, the file the check finds, the logs
# Wine reports Windows NT 6.x, so the framework's parameters live with its service.
ORDER_KEY = r"HKLM\System\CurrentControlSet\Services\QXE\Parameters\Order"
VALUE_KEY = r"HKLM\SOFTWARE\Quaxten\QxE2E"

LEGACY_ACTIONS = {
    "LinkBitsToBytes": (IMMEDIATE, "QxmsicaDll", "QX_LinkSpeedBitsToBytes", RUN, 4001),
    "LinkBytesToBits": (IMMEDIATE, "QxmsicaDll", "QX_LinkSpeedBytesToBits", RUN, 4002),
    "PathHere": (SET_PROPERTY, "QX_PATHTOFILE", r"C:\qxlegacy\here.txt", RUN, 4011),
    "CheckHere": (IMMEDIATE, "QxmsicaDll", "QX_CheckFileExists", RUN, 4012),
    "KeepHere": (SET_PROPERTY, "QXE2E_MISSING_HERE", "[QX_FileMissing]", RUN, 4013),
    "PathNone": (SET_PROPERTY, "QX_PATHTOFILE", r"C:\qxlegacy\none.txt", RUN, 4021),
    "CheckNone": (IMMEDIATE, "QxmsicaDll", "QX_CheckFileExists", RUN, 4022),
    "KeepNone": (SET_PROPERTY, "QXE2E_MISSING_NONE", "[QX_FileMissing]", RUN, 4023),
    "PathFolder": (SET_PROPERTY, "QX_PATHTOFILE", r"C:\qxlegacy", RUN, 4031),
    "CheckFolder": (IMMEDIATE, "QxmsicaDll", "QX_CheckFileExists", RUN, 4032),
    "KeepFolder": (SET_PROPERTY, "QXE2E_MISSING_FOLDER", "[QX_FileMissing]", RUN, 4033),
    "SetDwordLevel": (DEFERRED, "QxmsicaDll", "QX_SetHKLMRegDW", RUN, 6591),
    "SetDwordBlanks": (DEFERRED, "QxmsicaDll", "QX_SetHKLMRegDW", RUN, 6592),
    "ClearOrder": (DEFERRED, "QxmsicaDll", "QX_DelRegQXEOrder", RUN, 6593),
}
ROLLBACK_ACTIONS = {
    "SetDwordBroken": (DEFERRED, "QxmsicaDll", "QX_SetHKLMRegDW", RUN, 6591),
}

# The line each action writes into the installer log; None: it writes none, and the
# properties show that it ran.
ECHOES = {
    "LinkBitsToBytes":
        "QX_FixLinkSpeedParams valid, returning DownSpeed='1000' and UpSpeed='300'",
    "LinkBytesToBits": None,
    "CheckHere": None,
    "CheckNone": r"QX_CheckFileExists: cannot find file 'C:\qxlegacy\none.txt'",
    "CheckFolder": r"QX_CheckFileExists: cannot find file 'C:\qxlegacy'",
    "SetDwordLevel":
        r"QX_SetHKLMRegDW set registry key 'SOFTWARE\Quaxten\QxE2E' name 'Level' data '5'",
    "SetDwordBlanks":
        r"QX_SetHKLMRegDW set registry key 'SOFTWARE\Quaxten\QxE2E' name 'Minus' data '-1'",
    "ClearOrder": r"QX_DelRegQXEOrder deleting all keys in "
                  r"'System\CurrentControlSet\Services\QXE\Parameters\Order'",
}

PROPERTIES = {
    "QX_LINKDOWN_SPEED_TOREG": "1000",  # 8,000 bits
    "QX_LINKUP_SPEED_TOREG": "300",  # 2,400 bits
    "QX_LinkSpeedBad": "0",
    "QX_LINKDOWN_SPEED_Gui": "1000",  # from #125 bytes
    "QX_LINKUP_SPEED_Gui": "2,400",  # #0 leaves the typed value
    "QXE2E_MISSING_HERE": "0",
    "QXE2E_MISSING_NONE": "1",
    "QXE2E_MISSING_FOLDER": "1",
}

# qxmsica shows an error twice: as an INFO record (Wine writes "Info 0." before its text) and
# as a message box; /qn logs both.
ROLLBACK_ERROR = "QX_SetHKLMRegDW\r\n\r\nError: invalid custom action data parameter\n"

_KEY_LINE = re.compile(r"^(HKEY_\S.*?)\r?$", re.M)


def build(qxmsica_dll, out_dir, report):
    """Both packages, their tables checked; None after a failure."""
    built = {}
    for name, actions in (("legacy", LEGACY_ACTIONS), ("legacy-rollback", ROLLBACK_ACTIONS)):
        files = {"QxmsicaDll": qxmsica_dll, "Payload": packages.payload(out_dir, f"{name}.txt")}
        msi = packages.build(f"{name}.wxs", files, out_dir, report)
        if msi is None or not packages.check_tables(
                msi, actions, {"QxmsicaDll": qxmsica_dll}, report,
                f"{name}.msi tables: exactly its {len(actions)} custom actions, with their "
                "types, targets and sequence numbers"):
            return None
        built[name] = msi
    return built


def _subkeys(prefix, key):
    """Names of the sub-keys of an HKLM key as the native reg.exe lists them; None when the
    key is missing."""
    loader = tools.wine64() if prefix.arch == "win64" else tools.WINE
    proc = prefix.run(["reg", "query", key], timeout=60, loader=loader)
    if proc.returncode != 0:
        return None
    full = key.replace("HKLM", "HKEY_LOCAL_MACHINE", 1).lower() + "\\"
    return sorted(m.group(1)[len(full):] for m in _KEY_LINE.finditer(proc.stdout)
                  if m.group(1).lower().startswith(full))


def _seed(prefix, report, tag):
    stage = prefix.host_path(STAGE)
    os.makedirs(stage, exist_ok=True)
    with open(os.path.join(stage, "here.txt"), "w") as here:
        here.write("the file QX_CheckFileExists finds\n")
    # The Order key as the framework leaves it: nested sub-keys, a DBVersion and another value.
    registry.add_dword(prefix, ORDER_KEY + r"\A\B\C", "Leaf", 1)
    registry.add_dword(prefix, ORDER_KEY + r"\D", "Leaf", 2)
    registry.add_dword(prefix, ORDER_KEY, "DBVersion", 7)
    registry.add_dword(prefix, ORDER_KEY, "Other", 1)
    return report.check(f"[{tag}] Order key seeded with sub-keys A (A\\B\\C below) and D, "
                        "DBVersion and Other",
                        _subkeys(prefix, ORDER_KEY) == ["A", "D"]
                        and _subkeys(prefix, ORDER_KEY + r"\A\B") == ["C"]
                        and "DBVersion" in registry.query(prefix, ORDER_KEY, "native"),
                        f"sub-keys {_subkeys(prefix, ORDER_KEY)}, values "
                        f"{registry.query(prefix, ORDER_KEY, 'native')}")


def _installed_at(prefix, properties, file_name):
    """Host path of a file in the package's INSTALLDIR, as the property dump names it."""
    windows_dir = properties.get("INSTALLDIR", "").rstrip("\\")
    if not windows_dir.upper().startswith("C:\\"):
        return None
    return prefix.host_path(*windows_dir[3:].split("\\"), file_name)


def _check_echoes(text, report, tag):
    for action, line in ECHOES.items():
        blocks = install_log.action_blocks(text, action)
        texts = [re.findall(r"^1: (.*) $", body, re.M) for body, _ in blocks]
        want = [] if line is None else [line]
        # A deferred action shows twice: scheduled (no DLL output), then run from the script.
        ran = [t for t in texts if t]
        ok = (all(rv == 1 for _, rv in blocks) and blocks
              and (ran == [want] if want else not ran))
        report.check(f"[{tag}] {action}: " + (f"wrote {line!r} inside its action"
                                                if line else "wrote no installer-log line")
                     + ", returned 1", ok,
                     f"runs (return value, its '1: ' lines): "
                     f"{[(rv, t) for (_, rv), t in zip(blocks, texts)]}")


def _check_legacy(prefix, text, report, tag):
    _check_echoes(text, report, tag)
    dump = install_log.property_dump(text)
    got = {name: dump.get(name) for name in PROPERTIES}
    report.check(f"[{tag}] property dump: link speeds converted both ways, file checks "
                 "0 / 1 / 1", got == PROPERTIES, f"want {PROPERTIES}\ngot  {got}")

    written = {"Level": ("REG_DWORD", "0x5"), "Minus": ("REG_DWORD", "0xffffffff")}
    view32 = registry.query(prefix, VALUE_KEY, "wow32" if prefix.arch == "win64" else "native")
    report.check(f"[{tag}] QX_SetHKLMRegDW: Level 5 and Minus 0xffffffff in the 32-bit view"
                 + (r" (SOFTWARE\Wow6432Node)" if prefix.arch == "win64" else ""),
                 view32 == written, f"32-bit view: {view32}")
    if prefix.arch == "win64":
        native = registry.query(prefix, VALUE_KEY, "native")
        report.check(f"[{tag}] QX_SetHKLMRegDW: nothing in the 64-bit view", not native,
                     f"64-bit view: {native}")

    subkeys = _subkeys(prefix, ORDER_KEY)
    values = registry.query(prefix, ORDER_KEY, "native")
    report.check(f"[{tag}] QX_DelRegQXEOrder: Order kept with no sub-keys and only its "
                 "Other value", subkeys == [] and values == {"Other": ("REG_DWORD", "0x1")},
                 f"sub-keys {subkeys}, values {values}")

    installed = _installed_at(prefix, dump, "legacy.txt")
    report.check(f"[{tag}] legacy.msi: payload installed", installed and os.path.isfile(installed),
                 f"looked at {installed}")


def _check_rollback(prefix, text, report, tag):
    shown = [body.count(ROLLBACK_ERROR) for body, _ in
             install_log.action_blocks(text, "SetDwordBroken")]
    report.check(f"[{tag}] SetDwordBroken: {ROLLBACK_ERROR!r} logged twice (log, then "
                 "message box) inside the action", shown.count(2) == 1 and sum(shown) == 2,
                 f"per run of the action: {shown}\n"
                 + "\n".join(install_log.context(text, "invalid custom action")))
    views = ("wow32", "native") if prefix.arch == "win64" else ("native",)
    stray = {view: registry.query(prefix, VALUE_KEY, view).get("Broken") for view in views}
    report.check(f"[{tag}] SetDwordBroken: no Broken value written", not any(stray.values()),
                 f"{stray}")
    dump = install_log.property_dump(text)
    installed = _installed_at(prefix, dump, "rollback.txt")
    report.check(f"[{tag}] legacy-rollback.msi: payload rolled back",
                 installed and not os.path.exists(installed), f"looked at {installed}")


def run(prefix, hosts, msis, report, tag, show=False):
    if not _seed(prefix, report, tag):
        return
    text, _, _ = msiexec.run(prefix, hosts, "/i", msis["legacy"], STAGE, "legacy.log", 0, report,
                             tag)
    if text is not None:
        _check_legacy(prefix, text, report, tag)
    rollback, _, _ = msiexec.run(prefix, hosts, "/i", msis["legacy-rollback"], STAGE,
                                 "rollback.log", 1603, report, tag)
    if rollback is not None:
        _check_rollback(prefix, rollback, report, tag)
    if show:
        for log_text in (text, rollback):
            print("\n    The installer log (msiexec /l*v), qxmsica's lines:")
            for line in (log_text or "").splitlines():
                if "QX_" in line or "Error: " in line:
                    print(f"      {line}")
