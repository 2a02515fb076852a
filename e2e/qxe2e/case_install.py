"""Case: install logconfig.msi with msiexec and prove both QXLogConfig runs happened.

Evidence, not return values: Wine logs "Return value 1" and exits 0 even when the DLL did not
load or the export was not found, so the case requires the DLL's own echo inside each
action's block of the /l*v log, its exact lines in qxeca.log, and a clean msi stderr."""

import datetime
import os

from . import compare, dll_log, install_log, msiexec, registry

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

STAGE = "qxe2e"  # C:\qxe2e: the package and its log


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
    if os.path.exists(dll_log.path(prefix)):
        os.remove(dll_log.path(prefix))
    text, begin, end = msiexec.run(prefix, hosts, "/i", msi, STAGE, "install.log", 0, report, tag,
                                   timeout=180)
    _check_install_log(text, report, tag)
    _check_dll_log(prefix, begin, end, report, tag)
    if show:
        _show(text, prefix)


def _show(text, prefix):
    """What a user looks at: the actions' lines in the installer log and in qxeca.log."""
    print("\n    The installer log (msiexec /l*v), the actions' own lines:")
    if text is not None:
        for line in text.splitlines():
            if "LogConfig" in line or "QXECA: " in line:
                print(f"      {line}")
    print(f"\n    C:\\windows\\temp\\qxeca.log of the {prefix.arch} prefix:")
    for line in dll_log.read_lines(prefix) or []:
        print(f"      {line.rstrip(chr(13))}")


def _check_install_log(text, report, tag):
    if text is None:
        return
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
