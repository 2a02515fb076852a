"""One msiexec run in a prefix, judged the same way by every case.

Wine logs "Return value 1" and exits 0 even when a DLL did not load or an export was not found,
so a run counts only with the full exit code from the launcher (the shell keeps 8 bits) and no
msi stderr line that says an action never ran; the cases then look for the actions' own lines."""

import datetime
import os
import re
import shutil

from . import install_log

BROKEN_ACTION = re.compile(r"failed to load dll|GetProcAddress", re.I)
EXIT_CODE = re.compile(r"^launch: exit code (\d+)", re.M)


def now():
    return datetime.datetime.now().replace(microsecond=0)


def run(prefix, hosts, verb, msi, stage, log_name, want_code, report, tag, timeout=240):
    """Copies the package into C:\\<stage>, runs `msiexec <verb> <package> /qn /l*v <log>` there
    and checks its exit code and stderr. Returns (the /l*v text or None, local begin, local end)."""
    name = os.path.basename(msi)
    os.makedirs(prefix.host_path(stage), exist_ok=True)
    shutil.copyfile(msi, prefix.host_path(stage, name))
    begin = now()
    proc = prefix.run([hosts["launch"], "msiexec", verb, rf"C:\{stage}\{name}", "/qn", "/l*v",
                       rf"C:\{stage}\{log_name}"], debug="-all,err+msi,warn+msi", timeout=timeout)
    end = now() + datetime.timedelta(seconds=1)
    what = f"msiexec {verb} {name}"
    code = EXIT_CODE.search(proc.stdout)
    report.check(f"[{tag}] {what}: exit code {want_code} (full code from the launcher)",
                 code and int(code.group(1)) == want_code,
                 f"launcher stdout: {proc.stdout.strip()!r} (shell rc {proc.returncode})")
    broken = [line for line in proc.stderr.splitlines() if BROKEN_ACTION.search(line)]
    report.check(f"[{tag}] {what}: msi stderr has no 'failed to load dll' / 'GetProcAddress' "
                 "line", not broken, "\n".join(broken))
    errors = [line for line in proc.stderr.splitlines() if ":err:" in line and line not in broken]
    if errors:
        report.note(f"other err lines on stderr: {errors[:5]}")
    log = prefix.host_path(stage, log_name)
    if not report.check(f"[{tag}] {what}: /l*v log written", os.path.isfile(log)):
        return None, begin, end
    return install_log.read(log), begin, end
