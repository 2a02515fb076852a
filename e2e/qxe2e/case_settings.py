"""Case: qxeca.dll's settings actions, installed, removed and rolled back in one prefix.

settings.msi runs every settings export in the run mode it is meant for (see the .wxs):
installing it saves and sets an HKLM DWORD, sets a per-user one, checks a program with a
version resource and one without, disables TCP task offload and counts up twice, starts a real
service (qxsvc.exe, registered with sc) and a missing one, renames files with their time stamp,
starts a program at once, fails to start a missing one and, after ScheduleReboot, registers one
in RunOnce. Removing it restores the DWORD, counts down to zero and stops the service.
settings-rollback.msi saves and changes a DWORD, then fails, so that its rollback-scheduled
QX_SaveHKLMRegDW restores it.

Evidence, not return values: qxeca.log entry for entry, the installer's /l*v log (echoed lines
inside their action's block, error texts, the closing property dump), the registry as reg.exe
of each view reads it, the files on disk, the service's own notes and sc, msiexec's full exit
code from the launcher. Wine's processes run two hours east of UTC here, so that local time
(the rename suffix, the log's stamps) and UTC (the RunOnce value name) are told apart."""

import contextlib
import datetime
import os
import re
import shutil
import subprocess
import time

from . import compare, dll_log, install_log, msiexec, packages, registry, tools
from .packages import DEFERRED, IMMEDIATE, REMOVE, ROLLBACK, RUN, SET_PROPERTY

HOST_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "host")
WINDRES = "i686-w64-mingw32-windres"
MSIBUILD = "msibuild"

STAGE = "qxsettings"  # C:\qxsettings: programs, files to rename, packages, logs
ZONE = "QXT-2"  # POSIX: two hours east of UTC, no daylight saving
KEY = r"SOFTWARE\Quaxten\QxSettingsE2E"
MACHINE_KEY = "HKLM\\" + KEY
USER_KEY = "HKCU\\" + KEY
STORE = r"SOFTWARE\Quaxten\InstalledProducts"
TCPIP = r"HKLM\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters"
COUNT = r"HKLM\SYSTEM\CurrentControlSet\Services\QXE\Parameters"
RUN_ONCE = r"HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce"
SERVICE = "QxE2ESvc"
MISSING_SERVICE = "QxE2ENoSuchService"
NOW = r"C:\windows\system32\qxmark.exe now"
LATER = r"C:\windows\system32\qxmark.exe later"
MISSING_PROGRAM = r"C:\qxsettings\nothing.exe /x"
# Seeds: the DWORD the package saves and changes, and the one the rollback restores.
SAVED, SET_TO, RB_LEVEL, RB_SET_TO = 0x11, 34, 0x33, 68
# The last change of the files QXRenameFile renames, in UTC.
WRITTEN = datetime.datetime(2011, 3, 7, 9, 5, tzinfo=datetime.timezone.utc)
ERROR_27857 = "QX e2e could not start [2]."

SETTINGS_ACTIONS = {
    "SetUserLevel": (IMMEDIATE, "QxecaDll", "QX_SetImmHKUSIDRegDW", RUN, 4001),
    "SameName": (SET_PROPERTY, "QX_INSTALLED_FILE_NAME", r"C:\qxsettings\versioned.exe", RUN,
                 4011),
    "SameVersion": (SET_PROPERTY, "QX_PACKAGE_FILE_VER", "1.5.2.18337", RUN, 4012),
    "CheckSame": (IMMEDIATE, "QxecaDll", "QX_CheckFileVers", RUN, 4013),
    "KeepSame": (SET_PROPERTY, "QXE2E_MISMATCH_SAME", "[QX_FILEVER_MISMATCH]", RUN, 4014),
    "NewerVersion": (SET_PROPERTY, "QX_PACKAGE_FILE_VER", "1.5.2.18338", RUN, 4021),
    "CheckNewer": (IMMEDIATE, "QxecaDll", "QX_CheckFileVers", RUN, 4022),
    "KeepNewer": (SET_PROPERTY, "QXE2E_MISMATCH_NEWER", "[QX_FILEVER_MISMATCH]", RUN, 4023),
    "ClearMismatch": (SET_PROPERTY, "QX_FILEVER_MISMATCH", "[QXE2E_NOTHING]", RUN, 4024),
    "PlainName": (SET_PROPERTY, "QX_INSTALLED_FILE_NAME", r"C:\qxsettings\plain.exe", RUN, 4031),
    "CheckPlain": (IMMEDIATE, "QxecaDll", "QX_CheckFileVers", RUN, 4032),
    "KeepPlain": (SET_PROPERTY, "QXE2E_MISMATCH_PLAIN", "[QX_FILEVER_MISMATCH]", RUN, 4033),
    "SaveLevel": (DEFERRED, "QxecaDll", "QX_SaveHKLMRegDW", RUN, 6571),
    "SetSaved": (DEFERRED, "QxecaDll", "QX_SetHKLMRegDW", RUN, 6572),
    "SetDefUser": (DEFERRED, "QxecaDll", "QX_SetDefHKUSIDRegDW", RUN, 6573),
    "DisableOffload": (DEFERRED, "QxecaDll", "QX_TCPDisableTaskOffload", RUN, 6574),
    "IncrementOffload": (DEFERRED, "QxecaDll", "QX_IncrementDisableTaskOffload", RUN, 6575),
    "IncrementOffloadAgain": (DEFERRED, "QxecaDll", "QX_IncrementDisableTaskOffload", RUN,
                              6576),
    "StartSvc": (DEFERRED, "QxecaDll", "QXStartService", RUN, 6577),
    "StartMissing": (DEFERRED, "QxecaDll", "QXStartService", RUN, 6578),
    "RenameLog": (DEFERRED, "QxecaDll", "QXRenameFile", RUN, 6579),
    "RenameTaken": (DEFERRED, "QxecaDll", "QXRenameFile", RUN, 6580),
    "RenameBlank": (DEFERRED, "QxecaDll", "QXRenameFile", RUN, 6581),
    "RestoreLevel": (DEFERRED, "QxecaDll", "QX_RestoreHKLMRegDW", REMOVE, 6591),
    "DecrementOffload": (DEFERRED, "QxecaDll", "QX_DecrementDisableTaskOffload", REMOVE, 6592),
    "DecrementOffloadAgain": (DEFERRED, "QxecaDll", "QX_DecrementDisableTaskOffload", REMOVE,
                              6593),
    "StartAgain": (DEFERRED, "QxecaDll", "QXStartService", REMOVE, 6594),
    "StopSvc": (DEFERRED, "QxecaDll", "QXStopService", REMOVE, 6595),
    "StopMissing": (DEFERRED, "QxecaDll", "QXStopService", REMOVE, 6596),
    "NowCommand": (SET_PROPERTY, "QXI_LAUNCHCMD", NOW, RUN, 6601),
    "LaunchNow": (IMMEDIATE, "QxecaDll", "QXLaunchApp", RUN, 6602),
    "MissingCommand": (SET_PROPERTY, "QXI_LAUNCHCMD", MISSING_PROGRAM, RUN, 6603),
    "LaunchMissing": (IMMEDIATE, "QxecaDll", "QXLaunchApp", RUN, 6604),
    "LaterCommand": (SET_PROPERTY, "QXI_LAUNCHCMD", LATER, RUN, 6606),
    "LaunchLater": (IMMEDIATE, "QxecaDll", "QXLaunchApp", RUN, 6607),
}
ROLLBACK_ACTIONS = {
    "RestoreRbLevel": (ROLLBACK, "QxecaDll", "QX_SaveHKLMRegDW", RUN, 6590),
    "SaveRbLevel": (DEFERRED, "QxecaDll", "QX_SaveHKLMRegDW", RUN, 6591),
    "SetRbLevel": (DEFERRED, "QxecaDll", "QX_SetHKLMRegDW", RUN, 6592),
    "SetBroken": (DEFERRED, "QxecaDll", "QX_SetHKLMRegDW", RUN, 6593),
}

# What Wine 8 cannot show; the unit tests on the simulated machine cover each of these.
WINE_CANNOT_SHOW = [
    "KEY_WOW64_64KEY on SYSTEM, HKU and HKCU keys (TCP/IP, the count, the per-user store, "
    "RunOnce): Wine shares those keys between the views, so only the HKLM\\SOFTWARE writes "
    "prove the 64-bit view here; the unit tests check every access mask",
    "the echoed exception exit line: Wine's MsiCloseAllHandles, which the handler must call "
    "first, also closes the session handle the action was given, so the echo is lost; the "
    "result, the error text and qxeca.log still show the handler",
    "service codes other than 1060 and 1056 (disabled, access denied, cannot accept the "
    "control, unlisted codes), a file held open by another process, version information "
    "without a fixed block (windres always writes one), keys that refuse writes",
    "a property too long to read (the export guard's 1603) and every other injected failure: "
    "the failure sweep",
]


def build(qxeca_dll, out_dir, report):
    """The host programs and both packages, their tables checked; None after a failure."""
    lost = [tool for tool in (WINDRES, MSIBUILD) if not shutil.which(tool)]
    if not report.check("settings case tools present (windres, msibuild)", not lost,
                        f"missing: {lost}"):
        return None
    programs = _build_programs(os.path.join(out_dir, "settings-hosts"), report)
    if programs is None:
        return None
    built = {"settings-programs": programs}
    for name, actions in (("settings", SETTINGS_ACTIONS),
                          ("settings-rollback", ROLLBACK_ACTIONS)):
        files = {"QxecaDll": qxeca_dll, "Payload": packages.payload(out_dir, f"{name}.txt")}
        msi = packages.build(f"{name}.wxs", files, out_dir, report)
        if msi is None or not _patch(msi, name, report) or not packages.check_tables(
                msi, actions, {"QxecaDll": qxeca_dll}, report,
                f"{name}.msi tables: exactly its {len(actions)} custom actions, with their "
                "types (the rollback one 3329), targets and sequence numbers"):
            return None
        built[name] = msi
    return built


def _build_programs(out_dir, report):
    """qxsvc.exe, qxmark.exe, versioned.exe (qxmark with a version resource) and plain.exe
    (without one); {file name: path}, or None after a failure."""
    os.makedirs(out_dir, exist_ok=True)
    res = os.path.join(out_dir, "versioned.res")
    steps = [
        ("qxsvc.exe", [tools.GCC, os.path.join(HOST_DIR, "qxsvc.c")]),
        ("qxmark.exe", [tools.GCC, os.path.join(HOST_DIR, "qxmark.c")]),
        ("versioned.res", [WINDRES, os.path.join(HOST_DIR, "versioned.rc"), "-O", "coff"]),
        ("versioned.exe", [tools.GCC, os.path.join(HOST_DIR, "qxmark.c"), res]),
    ]
    built = {}
    for name, command in steps:
        target = os.path.join(out_dir, name)
        if command[0] == tools.GCC:
            command = command[:1] + ["-O2", "-Wall", "-Wextra", "-Werror", "-static"] + command[1:]
        proc = subprocess.run(command + ["-o", target], capture_output=True, text=True)
        if not report.check(f"build host {name}", proc.returncode == 0,
                            proc.stdout + proc.stderr):
            return None
        built[name] = target
    built["plain.exe"] = os.path.join(out_dir, "plain.exe")
    shutil.copyfile(built["qxmark.exe"], built["plain.exe"])
    return built


def _patch(msi, name, report):
    """wixl writes rollback actions as immediate ones and cannot fill the Error table."""
    if name == "settings":
        query = ("INSERT INTO `Error` (`Error`,`Message`) VALUES "
                 f"(27857, '{ERROR_27857}')")
    else:
        query = "UPDATE `CustomAction` SET `Type`=3329 WHERE `Action`='RestoreRbLevel'"
    proc = subprocess.run([MSIBUILD, msi, "-q", query], capture_output=True, text=True)
    return report.check(f"{name}.msi patched with msibuild", proc.returncode == 0,
                        proc.stdout + proc.stderr)


@contextlib.contextmanager
def _zone():
    """Wine's processes, and this one's idea of local time, two hours east of UTC."""
    before = os.environ.get("TZ")
    os.environ["TZ"] = ZONE
    time.tzset()
    try:
        yield
    finally:
        if before is None:
            os.environ.pop("TZ", None)
        else:
            os.environ["TZ"] = before
        time.tzset()


def _native(prefix):
    return tools.wine64() if prefix.arch == "win64" else tools.WINE


def _suffix():
    """The rename suffix: the local (zone) date and time of WRITTEN."""
    return time.strftime("_%Y_%m_%d_%H%M", time.localtime(WRITTEN.timestamp()))


def _stage(prefix, *parts):
    return prefix.host_path(STAGE, *parts)


def _seed(prefix, programs, report, tag):
    # Services end with the last Wine process unless the server stays; only a server started
    # with -p does, so any other one goes first. Wine's own services, which then stay too, are
    # started here with no pipe of ours, or every later run would wait for them to let go.
    prefix.stop_server()
    for command in ([tools.WINESERVER, "-p"], [tools.WINE, "wineboot"]):
        subprocess.run(command, env=prefix.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    os.makedirs(_stage(prefix), exist_ok=True)
    for name in ("qxsvc.exe", "versioned.exe", "plain.exe"):
        shutil.copyfile(programs[name], _stage(prefix, name))
    # Only in the native system32: a 32-bit caller finds it there only with redirection off.
    shutil.copyfile(programs["qxmark.exe"], prefix.host_path("windows", "system32", "qxmark.exe"))
    for name, text in (("old.log", "old\n"), ("taken.log", "taken\n"),
                       (f"taken{_suffix()}.log", "already there\n")):
        with open(_stage(prefix, name), "w") as f:
            f.write(text)
        os.utime(_stage(prefix, name), (WRITTEN.timestamp(), WRITTEN.timestamp()))
    registry.add_dword(prefix, MACHINE_KEY, "Saved", SAVED)
    registry.add_dword(prefix, MACHINE_KEY, "RbLevel", RB_LEVEL)
    created = prefix.run(["sc", "create", SERVICE, "binPath=", rf"C:\{STAGE}\qxsvc.exe",
                          "start=", "demand"], timeout=60, loader=_native(prefix))
    seeded = registry.query(prefix, MACHINE_KEY, "native")
    ok = report.check(f"[{tag}] seeded: {MACHINE_KEY} Saved and RbLevel where a native reader "
                      f"sees them, service {SERVICE} registered (stopped)",
                      seeded == {"Saved": ("REG_DWORD", hex(SAVED)),
                                 "RbLevel": ("REG_DWORD", hex(RB_LEVEL))}
                      and created.returncode == 0 and _service_state(prefix) == "STOPPED",
                      f"native view {seeded}; sc create rc {created.returncode}: "
                      f"{created.stdout.strip()} {created.stderr.strip()}")
    if prefix.arch == "win64":
        wow = registry.query(prefix, MACHINE_KEY, "wow32")
        ok &= report.check(f"[{tag}] seed absent from the 32-bit view", not wow,
                           f"32-bit view: {wow}")
    return ok


def _service_state(prefix):
    proc = prefix.run(["sc", "query", SERVICE], timeout=60, loader=_native(prefix))
    state = re.search(r"STATE\s+:\s+\d+\s+(\w+)", proc.stdout)
    return state.group(1) if state else None


def _wait_for(condition, seconds=20):
    """Polls until condition() is true; its last answer."""
    deadline = time.monotonic() + seconds
    answer = condition()
    while not answer and time.monotonic() < deadline:
        time.sleep(0.5)
        answer = condition()
    return answer


def _read(path):
    try:
        with open(path, encoding="latin-1") as f:
            return f.read()
    except FileNotFoundError:
        return None


def _msiexec(prefix, hosts, verb, msi, log_name, want_code, report, tag):
    """One msiexec run on a fresh qxeca.log; (its /l*v text or None, local begin, local end)."""
    if os.path.exists(dll_log.path(prefix)):
        os.remove(dll_log.path(prefix))
    return msiexec.run(prefix, hosts, verb, msi, STAGE, log_name, want_code, report, tag)


# --- qxeca.log, entry for entry. An entry is (label, text); the text is a string, or a
# compiled pattern where the system or the clock decides part of it.

def _run(name, *body, start="----->> %s Starting <<-----", exit_line=None, dots=False):
    """The entries of one action's run: version, start line, body, exit line."""
    if dots:
        start = "----->> %s Starting... <<-----"
    entries = [("INFO", "qxeca dll version 1.5.2.18338"), ("INFO", start % name)]
    entries += [entry if isinstance(entry, tuple) else ("INFO", entry) for entry in body]
    if exit_line is not None:
        entries.append(("INFO", exit_line))
    return entries


def _started(prefix, *after):
    """A launch without a pending reboot: redirection off around CreateProcess on 64-bit
    Windows, then the lines that follow the start."""
    launch = "QXLaunchApp"
    if prefix.arch != "win64":
        return [f"{launch}: no reboot scheduled", *after]
    return ["running on 64-bit Windows, disabling WoW64Redirection",
            "calling Wow64DisableWow64FsRedirection", f"{launch}: no reboot scheduled",
            "calling Wow64RevertWow64FsRedirection",
            "Wow64 restored to prev state after CreateProcess", *after]


def _install_entries(prefix, sid):
    key, store = KEY, f"{sid}\\{STORE}"
    tcp = "SetTCPDisableTaskOffload: WriteRegValueDWORD got rc=0 writing 1 to " \
          r"SYSTEM\CurrentControlSet\Services\Tcpip\Parameters "
    suffix = _suffix()
    check = "QX_CheckFileVers"
    versioned, plain = r"C:\qxsettings\versioned.exe", r"C:\qxsettings\plain.exe"
    launch = "QXLaunchApp"
    entries = []
    entries += _run("QX_SetImmHKUSIDRegDW",
                    f"QX_SetImmHKUSIDRegDW: QX_REG_DATA = '{key};UserLevel;7;'",
                    f"get3parm: OK, key='{key}', value='UserLevel', data='0x7'",
                    f"setHKUSIDregDW: OK, set registry key '{sid}\\{key}' name 'UserLevel' "
                    "data '0x7'",
                    exit_line="----->> QX_SetImmHKUSIDRegDW normal exit <<-----\n")
    for package_version, decision in (
            ("1.5.2.18337", "has NOT set QX_FILEVER_MISMATCH, the MSI file is lower version"),
            ("1.5.2.18338", "has set QX_FILEVER_MISMATCH = 1, the MSI file is higher version")):
        entries += _run(check,
                        f"{check} QX_PACKAGE_FILE_VER={package_version} "
                        f"QX_INSTALLED_FILE_NAME={versioned}",
                        f"{check} File Version: 1.5.2.18337",
                        f"{check} QX_PACKAGE_FILE_VER strings "
                        f"{package_version.replace('.', '-')} dwords {package_version}",
                        f"{check} {decision}",
                        dots=True, exit_line=f"----->> {check} Exiting... rc=0 <<-----\n")
    entries += _run(check,
                    f"{check} QX_PACKAGE_FILE_VER=1.5.2.18338 QX_INSTALLED_FILE_NAME={plain}",
                    re.compile(re.escape(f"{check} GetFileVersionInfoSize error, rc=0x714, err:")
                               + r"\S.*"),
                    f"{check} has set QX_FILEVER_MISMATCH = 1, just in case",
                    dots=True, exit_line=f"----->> {check} Exiting... rc=0 <<-----\n")
    entries += _run("QX_SaveHKLMRegDW",
                    f"get2msiparm: CustomActionData = ' {key} ; Saved '",
                    f"get2msiparm: keyname='{key}', valuename='Saved'",
                    f"saveregdw: found original data {SAVED:#x} for DW dwData Saved in HKLM key "
                    f"'{key}'",
                    f"saveregdw saved DW data {SAVED:#x} in key SavedDataDW\\{key}\\Saved in HKU "
                    f"{store}",
                    exit_line="----->> QX_SaveHKLMRegDW normal exit <<-----\n")
    entries += _run("QX_SetHKLMRegDW",
                    f"QX_SetHKLMRegDW: got custom action data '{key};Saved;{SET_TO};'",
                    f"setHKLMregDW: got data key='{key}', value='Saved', data='{SET_TO:#x}'",
                    f"setHKLMregDW: set registry key '{key}' name 'Saved' data '{SET_TO:#x}'",
                    dots=True, exit_line="----->> QX_SetHKLMRegDW normal exit rc=0 <<-----\n")
    entries += _run("QX_SetDefHKUSIDRegDW",
                    exit_line="----->> QX_SetDefHKUSIDRegDW HAS NOT BEEN TESTED -- EXITING "
                              "<<-----")
    entries += _run("QX_TCPDisableTaskOffload", tcp,
                    exit_line="----->> QX_TCPDisableTaskOffload normal exit <<-----\n")
    entries += _run("QX_IncrementDisableTaskOffload", tcp,
                    "Managing DisableTaskOffload: Opening registry key for read failed, will try "
                    "to create it:",
                    "Managing DisableTaskOffload: Reading registry value failed, will try to "
                    "create it:",
                    exit_line="----->> QX_IncrementDisableTaskOffload normal exit <<-----\n")
    entries += _run("QX_IncrementDisableTaskOffload", tcp,
                    exit_line="----->> QX_IncrementDisableTaskOffload normal exit <<-----\n")
    entries += _run(SERVICE, f"StartService started '{SERVICE}' successfully",
                    start="----->> QXStartService (%s) starting <<-----",
                    exit_line="----->> QXStartService Exiting, rc=0 <<-----\n")
    entries += _run(MISSING_SERVICE,
                    f"StartService failed to open service '{MISSING_SERVICE}', status=0x424 "
                    "(ERROR_SERVICE_DOES_NOT_EXIST)",
                    start="----->> QXStartService (%s) starting <<-----",
                    exit_line="----->> QXStartService Exiting, rc=0 <<-----\n")
    rename = "QX_Rename_File_Def"
    for old, line in (
            ("old.log", f"{rename}: renamed C:\\qxsettings\\old.log as "
                        f"C:\\qxsettings\\old{suffix}.log "),
            ("taken.log", f"{rename}: DID NOT RENAME 'C:\\qxsettings\\taken.log' as "
                          f"'C:\\qxsettings\\taken{suffix}.log', rc=0xffffffff")):
        entries += _run(rename, f"{rename} got filename 'C:\\qxsettings\\{old}'", line,
                        dots=True, exit_line=f"----->> {rename} Exiting... <<-----\n")
    entries += _run(rename, f"{rename} got filename 'qxblank'",
                    f"{rename} target filename is empty ('qxblank'), will exit",
                    dots=True, exit_line=f"----->> {rename} Exiting... <<-----\n")
    entries += _run(launch, f"{launch} got filename '{NOW}'", f"{launch} got file '{NOW}' ",
                    *_started(prefix, f"{launch} CreateProcess ok for '{NOW}'"),
                    dots=True, exit_line=f"----->> {launch} Exiting... <<-----\n")
    not_found = re.compile(r"CMSIException::ConvertErrorCodeToString ErrCd='0x2' returning "
                           r"'\S.*'")
    entries += _run(launch, f"{launch} got filename '{MISSING_PROGRAM}'",
                    f"{launch} got file '{MISSING_PROGRAM}' ",
                    *_started(prefix, not_found,
                              re.compile(re.escape(f"{launch} CreateProcess error=0x2 (") + r"\S.*"
                                         + re.escape("), throwing exception"))),
                    dots=True, exit_line=f"----->> {launch} exception Exit... <<-----\n")
    later = [f"{launch}: runmode reboot is pending",
             re.compile(r"value 'qxapp_\d{20,22}' set " + re.escape(f"'{LATER}' in HKCU RunOnce"))]
    if prefix.arch == "win64":
        later = (["running on 64-bit Windows, disabling WoW64Redirection",
                  "calling Wow64DisableWow64FsRedirection"] + later
                 + ["calling Wow64RevertWow64FsRedirection"])
    entries += _run(launch, f"{launch} got filename '{LATER}'", f"{launch} got file '{LATER}' ",
                    *later, dots=True, exit_line=f"----->> {launch} Exiting... <<-----\n")
    return entries


def _uninstall_entries():
    key = KEY
    return (
        _run("QX_RestoreHKLMRegDW",
             f"get2msiparm: CustomActionData = '{key};Saved'",
             f"get2msiparm: keyname='{key}', valuename='Saved'",
             f"restoreregdw: found saved data {SAVED:#x} for 'SavedDataDW\\{key}\\Saved'",
             f"restoreregdw: restored data={SAVED:#x} in value Saved of HKLM key {key}",
             exit_line="----->> QX_RestoreHKLMRegDW normal exit <<-----\n")
        # The first decrement leaves offload disabled; the second brings the count to 0.
        + _run("QX_DecrementDisableTaskOffload",
               exit_line="----->> QX_DecrementDisableTaskOffload normal exit <<-----\n")
        + _run("QX_DecrementDisableTaskOffload", "zeroing the TCP setting",
               "SetTCPDisableTaskOffload: WriteRegValueDWORD got rc=0 writing 0 to "
               r"SYSTEM\CurrentControlSet\Services\Tcpip\Parameters ",
               exit_line="----->> QX_DecrementDisableTaskOffload normal exit <<-----\n")
        + _run(SERVICE, f"StartService failed to start '{SERVICE}', status=0x420 "
                        "(ERROR_SERVICE_ALREADY_RUNNING)",
               start="----->> QXStartService (%s) starting <<-----",
               exit_line="----->> QXStartService Exiting, rc=0 <<-----\n")
        + _run(SERVICE, f"StopService stopped '{SERVICE}' successfully",
               start="----->> QXStopService (%s) starting <<-----",
               exit_line="----->> QXStopService exit, rc=0 <<-----\n")
        + _run(MISSING_SERVICE,
               f"StopService did not open service '{MISSING_SERVICE}', status=0x424 "
               "(ERROR_SERVICE_DOES_NOT_EXIST)",
               start="----->> QXStopService (%s) starting <<-----",
               exit_line="----->> QXStopService exit, rc=0 <<-----\n"))


def _rollback_entries(sid):
    key, store = KEY, f"{sid}\\{STORE}"
    data = f"{key};RbLevel"
    broken = f"{key};Broken;1"
    return (
        _run("QX_SaveHKLMRegDW",
             f"get2msiparm: CustomActionData = '{data}'",
             f"get2msiparm: keyname='{key}', valuename='RbLevel'",
             f"saveregdw: found original data {RB_LEVEL:#x} for DW dwData RbLevel in HKLM key "
             f"'{key}'",
             f"saveregdw saved DW data {RB_LEVEL:#x} in key SavedDataDW\\{key}\\RbLevel in HKU "
             f"{store}",
             exit_line="----->> QX_SaveHKLMRegDW normal exit <<-----\n")
        + _run("QX_SetHKLMRegDW",
               f"QX_SetHKLMRegDW: got custom action data '{key};RbLevel;{RB_SET_TO};'",
               f"setHKLMregDW: got data key='{key}', value='RbLevel', data='{RB_SET_TO:#x}'",
               f"setHKLMregDW: set registry key '{key}' name 'RbLevel' data '{RB_SET_TO:#x}'",
               dots=True, exit_line="----->> QX_SetHKLMRegDW normal exit rc=0 <<-----\n")
        + _run("QX_SetHKLMRegDW",
               f"QX_SetHKLMRegDW: got custom action data '{broken}'",
               ("ERROR", f"setHKLMregDW: invalid custom action data parameter in '{broken}'; "
                         "must abort"),
               "CMSIException (in-source text) 1=1, 2='Error managing registry data.', "
               "3='.\\regsav', 4='735'",
               dots=True,
               exit_line="----->> QX_SetHKLMRegDW Exit via exception, returning "
                         "ERROR_INSTALL_FAILURE (0x643) <<-----\n")
        # The rollback run of the save export restores.
        + _run("QX_SaveHKLMRegDW",
               f"get2msiparm: CustomActionData = '{data}'",
               f"get2msiparm: keyname='{key}', valuename='RbLevel'",
               f"restoreregdw: found saved data {RB_LEVEL:#x} for 'SavedDataDW\\{key}\\RbLevel'",
               f"restoreregdw: restored data={RB_LEVEL:#x} in value RbLevel of HKLM key {key}",
               exit_line="----->> QX_SaveHKLMRegDW normal exit <<-----\n"))


def _expected_lines(entries):
    """The masked file lines of the entries: strings, or patterns of a whole line."""
    lines = []
    for label, text in entries:
        if isinstance(text, str):
            lines += dll_log.expected(text, label=label)
        else:
            head = dll_log.expected("", label=label)[0][:-1]
            lines.append(re.compile(re.escape(head) + text.pattern + "\r"))
    return lines


def _check_dll_log(prefix, entries, begin, end, what, report, tag):
    lines = dll_log.read_lines(prefix)
    if not report.check(f"[{tag}] {what}: qxeca.log written", lines is not None,
                        f"no {dll_log.path(prefix)}"):
        return
    want = _expected_lines(entries)
    got = [dll_log.mask(line) for line in lines]
    same = len(got) == len(want) and all(
        w == g if isinstance(w, str) else w.fullmatch(g) for w, g in zip(want, got))
    shown = [w if isinstance(w, str) else next((g for g in got if w.fullmatch(g)), w.pattern)
             for w in want]
    report.check(f"[{tag}] {what}: qxeca.log holds exactly the {len(entries)} expected entries "
                 "of its actions, in order", same, compare.diff(shown, got))
    late = dll_log.stamps_outside(lines, begin - datetime.timedelta(seconds=1), end)
    report.check(f"[{tag}] {what}: qxeca.log time stamps are local time (UTC+2 here) within "
                 "the run", not late, f"run {begin} .. {end}\n"
                 + "\n".join(f"line {i + 1}: {line!r}" for i, line in late[:5]))


def _block_lines(text, action):
    """The "1: ..." lines (one-field INFO records) and all other lines of each run of an
    action in the /l*v log."""
    return [body for body, _ in install_log.action_blocks(text, action)]


def _check_echo(text, action, field, report, tag):
    echo = install_log.render_info(field)
    counts = [body.count(echo) for body in _block_lines(text, action)]
    report.check(f"[{tag}] {action}: {field!r} echoed once, inside the action",
                 counts.count(1) == 1 and sum(counts) == 1,
                 f"per run of {action}: {counts}\n"
                 + "\n".join(install_log.context(text, field[:40])))


def _check_install(prefix, text, begin, end, report, tag):
    dump = install_log.property_dump(text)
    sid = dump.get("UserSID", "")
    _check_dll_log(prefix, _install_entries(prefix, sid), begin, end, "install", report, tag)

    # The installer log: the set actions' echoes, error 27857, the version checks' answers.
    _check_echo(text, "SetUserLevel", f"QXECA: setHKUSIDregDW: OK, set registry key "
                f"'{sid}\\{KEY}' name 'UserLevel' data '0x7'", report, tag)
    _check_echo(text, "SetSaved", f"QXECA: setHKLMregDW: set registry key '{KEY}' name 'Saved' "
                f"data '{SET_TO:#x}'", report, tag)
    error = ERROR_27857.replace("[2]", MISSING_PROGRAM) + "\n"
    shown = [body.count(error) for body in _block_lines(text, "LaunchMissing")]
    report.check(f"[{tag}] LaunchMissing: error 27857 shown with the command, {error.strip()!r}",
                 shown == [1], f"per run: {shown}")
    quiet = text.count("QXECA: ----->>")
    report.check(f"[{tag}] install: no exit line echoed (none of these actions echoes a normal "
                 "exit)", quiet == 0, f"found {quiet}")
    got = {name: dump.get(name) for name in
           ("QXE2E_MISMATCH_SAME", "QXE2E_MISMATCH_NEWER", "QXE2E_MISMATCH_PLAIN")}
    want = {"QXE2E_MISMATCH_SAME": None, "QXE2E_MISMATCH_NEWER": "1",
            "QXE2E_MISMATCH_PLAIN": "1"}
    report.check(f"[{tag}] property dump: QX_FILEVER_MISMATCH not set for the same version, "
                 "set for a newer package and for a program without a version resource",
                 got == want, f"want {want}\ngot  {got}")

    # The registry.
    machine = registry.query(prefix, MACHINE_KEY, "native")
    report.check(f"[{tag}] {MACHINE_KEY}: Saved set to {SET_TO:#x} (native view)",
                 machine.get("Saved") == ("REG_DWORD", hex(SET_TO)), f"native view: {machine}")
    if prefix.arch == "win64":
        wow = registry.query(prefix, MACHINE_KEY, "wow32")
        report.check(f"[{tag}] {MACHINE_KEY}: nothing written to the 32-bit view", not wow,
                     f"32-bit view: {wow}")
    saved = registry.query(prefix, f"HKU\\{sid}\\{STORE}", "native")
    report.check(f"[{tag}] saved copy SavedDataDW\\{KEY}\\Saved = {SAVED:#x} in HKU\\{sid}\\"
                 f"{STORE}", saved == {f"SavedDataDW\\{KEY}\\Saved": ("REG_DWORD", hex(SAVED))},
                 f"store: {saved}")
    user = registry.query(prefix, USER_KEY, "native")
    report.check(f"[{tag}] {USER_KEY}: UserLevel 7 and no DefLevel (QX_SetDefHKUSIDRegDW writes "
                 "nothing)", user == {"UserLevel": ("REG_DWORD", "0x7")}, f"{user}")
    offload = (registry.query(prefix, TCPIP, "native").get("DisableTaskOffload"),
               registry.query(prefix, COUNT, "native").get("DisableTaskOffload"))
    report.check(f"[{tag}] task offload disabled (TCP/IP value 1) and counted twice (2)",
                 offload == (("REG_DWORD", "0x1"), ("REG_DWORD", "0x2")), f"{offload}")

    # The service, the files, the launches.
    state = _wait_for(lambda: _service_state(prefix) == "RUNNING")
    notes = _read(_stage(prefix, "qxsvc.txt"))
    report.check(f"[{tag}] {SERVICE} running and its notes say 'started'",
                 state and notes == "started\n", f"sc: {_service_state(prefix)}, notes {notes!r}")
    suffix = _suffix()
    files = {name: _read(_stage(prefix, name)) for name in
             ("old.log", f"old{suffix}.log", "taken.log", f"taken{suffix}.log")}
    want_files = {"old.log": None, f"old{suffix}.log": "old\n", "taken.log": "taken\n",
                  f"taken{suffix}.log": "already there\n"}
    report.check(f"[{tag}] old.log renamed to old{suffix}.log (local time of its last change); "
                 "taken.log kept, its target untouched", files == want_files, f"{files}")
    launched = _wait_for(lambda: _read(_stage(prefix, "launched-now.txt")))
    report.check(f"[{tag}] LaunchNow: qxmark.exe ran with its command line" +
                 (" from the native system32 (redirection was off)"
                  if prefix.arch == "win64" else ""),
                 launched == NOW + "\n", f"launched-now.txt: {launched!r}")
    _check_run_once(prefix, begin, end, report, tag)


def _check_run_once(prefix, begin, end, report, tag):
    values = registry.query(prefix, RUN_ONCE, "native")
    ours = {name: data for name, data in values.items() if name.startswith("qxapp_")}
    report.check(f"[{tag}] LaunchLater: one RunOnce value with the command as REG_EXPAND_SZ, "
                 "nothing started", list(ours.values()) == [("REG_EXPAND_SZ", LATER)]
                 and _read(_stage(prefix, "launched-later.txt")) is None, f"RunOnce: {values}")
    if len(ours) != 1:
        return
    name = next(iter(ours))
    parts = re.fullmatch(r"qxapp_(\d{4})(\d\d)(\d\d)(\d\d)(\d\d)(\d\d)(\d{3})(\d{3,5})", name)
    when = None
    if parts:
        numbers = [int(p) for p in parts.groups()]
        when = datetime.datetime(*numbers[:6], numbers[6] * 1000, tzinfo=datetime.timezone.utc)
    utc = [moment.astimezone(datetime.timezone.utc) for moment in
           (begin.astimezone() - datetime.timedelta(seconds=1), end.astimezone())]
    report.check(f"[{tag}] RunOnce value name: qxapp_ + UTC time of the launch to the "
                 "millisecond + the runtime's first pseudo-random number, 041",
                 when is not None and utc[0] <= when <= utc[1] and parts.group(8) == "041",
                 f"{name}: {when} not in UTC {utc[0]} .. {utc[1]} or random part not 041")


def _check_uninstall(prefix, text, sid, begin, end, report, tag):
    _check_dll_log(prefix, _uninstall_entries(), begin, end, "removal", report, tag)
    machine = registry.query(prefix, MACHINE_KEY, "native")
    saved = registry.query(prefix, f"HKU\\{sid}\\{STORE}", "native")
    report.check(f"[{tag}] removal: Saved restored to {SAVED:#x}, the saved copy deleted",
                 machine.get("Saved") == ("REG_DWORD", hex(SAVED)) and not saved,
                 f"{MACHINE_KEY}: {machine}; store: {saved}")
    offload = (registry.query(prefix, TCPIP, "native").get("DisableTaskOffload"),
               registry.query(prefix, COUNT, "native").get("DisableTaskOffload"))
    report.check(f"[{tag}] removal: count down to 0 and task offload allowed again (0)",
                 offload == (("REG_DWORD", "0x0"), ("REG_DWORD", "0x0")), f"{offload}")
    state = _wait_for(lambda: _service_state(prefix) == "STOPPED")
    notes = _read(_stage(prefix, "qxsvc.txt"))
    report.check(f"[{tag}] {SERVICE} stopped and its notes say 'started', 'stopped'",
                 state and notes == "started\nstopped\n",
                 f"sc: {_service_state(prefix)}, notes {notes!r}")
    quiet = text.count("QXECA: ")
    report.check(f"[{tag}] removal: nothing echoed into the installer log", quiet == 0,
                 f"found {quiet}")


def _check_rollback(prefix, text, sid, begin, end, report, tag):
    _check_dll_log(prefix, _rollback_entries(sid), begin, end, "rollback", report, tag)
    machine = registry.query(prefix, MACHINE_KEY, "native")
    saved = registry.query(prefix, f"HKU\\{sid}\\{STORE}", "native")
    report.check(f"[{tag}] rollback: RbLevel back to {RB_LEVEL:#x}, no Broken value, the saved "
                 "copy deleted", machine.get("RbLevel") == ("REG_DWORD", hex(RB_LEVEL))
                 and "Broken" not in machine and not saved,
                 f"{MACHINE_KEY}: {machine}; store: {saved}")
    shown = [body.count("\nError: Error managing registry data.\n")
             for body in _block_lines(text, "SetBroken")]
    report.check(f"[{tag}] SetBroken: 'Error: Error managing registry data.' shown inside the "
                 "failing action", shown.count(1) == 1 and sum(shown) == 1,
                 f"per run: {shown}")
    # Once when the script is written, once when the rollback script runs it.
    restored = [rv for _, rv in install_log.action_blocks(text, "RestoreRbLevel")]
    report.check(f"[{tag}] RestoreRbLevel: scheduled, then run from the rollback script, "
                 "returning 1 both times", restored == [1, 1],
                 f"return values of its blocks: {restored}")


def run(prefix, hosts, msis, report, tag, show=False):
    with _zone():
        if not _seed(prefix, msis["settings-programs"], report, tag):
            return
        text, begin, end = _msiexec(prefix, hosts, "/i", msis["settings"], "install.log", 3010,
                                    report, tag)
        sid = install_log.property_dump(text or "").get("UserSID", "")
        if text is not None:
            _check_install(prefix, text, begin, end, report, tag)
            if show:
                _show(prefix, text)
        text, begin, end = _msiexec(prefix, hosts, "/x", msis["settings"], "uninstall.log", 0,
                                    report, tag)
        if text is not None:
            _check_uninstall(prefix, text, sid, begin, end, report, tag)
        text, begin, end = _msiexec(prefix, hosts, "/i", msis["settings-rollback"],
                                    "rollback.log", 1603, report, tag)
        if text is not None:
            _check_rollback(prefix, text, sid, begin, end, report, tag)
    for item in WINE_CANNOT_SHOW:
        report.note(f"Wine cannot show: {item}")


def _show(prefix, text):
    print("\n    qxeca.log of the install:")
    for line in dll_log.read_lines(prefix) or []:
        print(f"      {line.rstrip()}")
    print("\n    The installer log (msiexec /l*v), qxeca's lines:")
    for line in text.splitlines():
        if "QXECA" in line or "could not start" in line:
            print(f"      {line}")
