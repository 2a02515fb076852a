"""Case: install logconfig.msi with msiexec and prove both QXLogConfig runs happened.

Evidence, not return values: Wine logs "Return value 1" and exits 0 even when the DLL did not
load or the export was not found, so the case requires the DLL's own echo inside each
action's block of the /l*v log, its exact lines in qxeca.log, and a clean msi stderr."""

import datetime
import os
import re
import shutil

from . import compare, dll_log, install_log, registry

MAKER_VALUE = r"C:\Program Files\Common Files\Quaxten\QXE\qxeinst.exe"
OTHER_VALUE = r"C:\Program Files\Common Files\Other\x.dll"
SEEDS = {MAKER_VALUE: 3, OTHER_VALUE: 1}

VERSION_TEXT = "qxeca dll version 1.5.2.18338"

# An immediate run logs no run modes or refcounts; the deferred one logs them all.
IMMEDIATE_TEXTS = [VERSION_TEXT, dll_log.START_TEXT, dll_log.EXIT_TEXT]
DEFERRED_TEXTS = [
    VERSION_TEXT,
    dll_log.START_TEXT,
    "QXLogConfig MsiRunMode is not Maintenance",
    "QXLogConfig MsiRunMode = Logging is enabled",  # /l*v enables logging
    f"{MAKER_VALUE} refcount=3",
    "LogRefCounts: got 1 QXI refcounts",  # the other maker's value is not counted
    dll_log.EXIT_TEXT,
]

# Lines Wine prints on stderr (err+msi) when an action never ran although it "returned 1".
BROKEN_ACTION = re.compile(r"failed to load dll|GetProcAddress", re.I)
EXIT_CODE = re.compile(r"^launch: exit code (\d+)", re.M)


def _now():
    return datetime.datetime.now().replace(microsecond=0)


def seed_shared_dlls(prefix, report, tag):
    for name, value in SEEDS.items():
        registry.add_dword(prefix, registry.SHARED_DLLS, name, value)
    native = registry.query(prefix, registry.SHARED_DLLS, "native")
    want = {name: ("REG_DWORD", f"0x{value:x}") for name, value in SEEDS.items()}
    got = {name: native.get(name) for name in want}
    ok = report.check(f"[{tag}] SharedDlls seeded where a native (64-bit) reader sees it",
                      got == want, f"want {want}\ngot  {native}")
    if prefix.arch == "win64":
        # If the 32-bit view saw it too, a DLL that forgot KEY_WOW64_64KEY would pass.
        wow = registry.query(prefix, registry.SHARED_DLLS, "wow32")
        ok &= report.check(f"[{tag}] SharedDlls seed absent from the 32-bit view",
                           MAKER_VALUE not in wow, f"32-bit view: {wow}")
    return ok


def run(prefix, hosts, msi, report, tag, show=False):
    if not seed_shared_dlls(prefix, report, tag):
        return
    stage = prefix.host_path("qxe2e")
    os.makedirs(stage, exist_ok=True)
    shutil.copyfile(msi, os.path.join(stage, "logconfig.msi"))
    if os.path.exists(dll_log.path(prefix)):
        os.remove(dll_log.path(prefix))

    begin = _now()
    proc = prefix.run([hosts["launch"], "msiexec", "/i", r"C:\qxe2e\logconfig.msi", "/qn",
                       "/l*v", r"C:\qxe2e\install.log"],
                      debug="-all,err+msi,warn+msi", timeout=180)
    end = _now() + datetime.timedelta(seconds=1)

    code = EXIT_CODE.search(proc.stdout)
    report.check(f"[{tag}] msiexec exit code 0 (full code from the launcher)",
                 code and int(code.group(1)) == 0,
                 f"launcher stdout: {proc.stdout.strip()!r} (shell rc {proc.returncode})")

    broken = [l for l in proc.stderr.splitlines() if BROKEN_ACTION.search(l)]
    report.check(f"[{tag}] msi stderr has no 'failed to load dll' / 'GetProcAddress' line",
                 not broken, "\n".join(broken))
    errors = [l for l in proc.stderr.splitlines() if ":err:" in l and l not in broken]
    if errors:
        report.note(f"other err lines on stderr: {errors[:5]}")

    _check_install_log(os.path.join(stage, "install.log"), report, tag)
    _check_dll_log(prefix, begin, end, report, tag)
    if show:
        _show(os.path.join(stage, "install.log"), prefix)


def _show(install_log_path, prefix):
    """What a user looks at: the actions' lines in the installer log and in qxeca.log."""
    print("\n    The installer log (msiexec /l*v), the actions' own lines:")
    if os.path.isfile(install_log_path):
        for line in install_log.read(install_log_path).splitlines():
            if "LogConfig" in line or "QXECA: " in line:
                print(f"      {line}")
    print(f"\n    C:\\windows\\temp\\qxeca.log of the {prefix.arch} prefix:")
    for line in dll_log.read_lines(prefix) or []:
        print(f"      {line.rstrip(chr(13))}")


def _check_install_log(path, report, tag):
    if not report.check(f"[{tag}] /l*v install log written", os.path.isfile(path)):
        return
    text = install_log.read(path)
    echo = install_log.render_info(install_log.ECHO_FIELD)
    for action in ("LogConfigImmediate", "LogConfigDeferred"):
        blocks = install_log.action_blocks(text, action)
        echoed = [rv for body, rv in blocks if echo in body]
        where = install_log.context(text, "QXLogConfig normal exit") or ["nowhere"]
        report.check(f"[{tag}] {action}: exit line echoed exactly once, as "
                     f"{echo!r}, inside the action, which returned 1",
                     len(echoed) == 1 and echoed[0] == 1
                     and sum(body.count(echo) for body, _ in blocks) == 1,
                     f"runs of {action}: {[(rv, body.count(echo)) for body, rv in blocks]}\n"
                     "where the exit text appears:\n  " + "\n  ".join(where))
    total = text.count(echo)
    report.check(f"[{tag}] /l*v log holds exactly two echoed exit lines", total == 2,
                 f"found {total}")


def _check_dll_log(prefix, begin, end, report, tag):
    lines = dll_log.read_lines(prefix)
    if not report.check(f"[{tag}] qxeca.log written", lines is not None,
                        f"no {dll_log.path(prefix)}"):
        return
    torn = dll_log.torn_lines(lines)
    report.check(f"[{tag}] qxeca.log: every line has the log layout",
                 not torn, "\n".join(f"line {i + 1}: {l!r}" for i, l in torn[:10]))
    want = [line for text in IMMEDIATE_TEXTS + DEFERRED_TEXTS
            for line in dll_log.expected(text)]
    got = [dll_log.mask(line) for line in lines]
    report.check(f"[{tag}] qxeca.log: the immediate run's 3 and the deferred run's 7 entries, "
                 "in order, exactly", got == want, compare.diff(want, got))
    late = dll_log.stamps_outside(lines, begin - datetime.timedelta(seconds=1), end)
    report.check(f"[{tag}] qxeca.log: time stamps are today's local time, 24-hour, "
                 "within the install", not late,
                 f"install ran {begin} .. {end}\n"
                 + "\n".join(f"line {i + 1}: {l!r}" for i, l in late[:10]))
