"""Case: two processes hammer qxeca.log at once; no line may be lost or torn.

logstress.exe calls QXLogConfig with installer handle 0, where every installer call fails
but each call still writes the same fixed set of lines. The runner first measures that set
with one call, then requires the concurrent log to be exactly 2*N copies of it, every line
whole, 2*N start banners and 2*N exit banners."""

import collections
import datetime
import os
import re
import shutil

from . import compare, dll_log

# Observed once with the real qxeca.dll 1.5.2.18338 under Wine 8 (win64 and win32), handle 0:
# one call writes 8 lines, 7 entries and the empty line after the exit banner:
#   INFO  qxeca dll version 1.5.2.18338
#   INFO  ----->> QXLogConfig Starting <<-----
#   ERROR MsiGetProperty 'DEBUG' failed, retcode='0x6' throwing exception
#   INFO  CMSIException::ConvertErrorCodeToString ErrCd='0x6' returning 'Invalid handle.'
#   INFO  CMSIException (in-source text) 1=5, 2='Invalid handle.', 3='.\PropertyActions', 4='39'
#   INFO  CMSIException (in-source text) case eMSIError, record set with text='Invalid handle.'
#   INFO  ----->> QXLogConfig exception, but returning ERROR_SUCCESS (no rollback) <<-----
#   (empty)
# The checks below use the count measured in the same run, not this note.

RESULT = re.compile(r"^logstress: pid=(\d+) calls=(\d+) nonzero=(\d+) start=(\d+) end=(\d+)",
                    re.M)
STAGE = "qxstress"
EXE = rf"C:\{STAGE}\logstress.exe"


def _now():
    return datetime.datetime.now().replace(microsecond=0)


def _lines_or_fail(prefix, report, name):
    lines = dll_log.read_lines(prefix)
    report.check(name, lines, f"no or empty {dll_log.path(prefix)}")
    return lines


def run(prefix, hosts, qxeca_dll, report, tag, calls):
    stage = prefix.host_path(STAGE)
    os.makedirs(stage, exist_ok=True)
    shutil.copyfile(hosts["logstress"], os.path.join(stage, "logstress.exe"))
    shutil.copyfile(qxeca_dll, os.path.join(stage, "qxeca.dll"))
    if os.path.exists(dll_log.path(prefix)):
        os.remove(dll_log.path(prefix))

    # One call: the set of lines a call writes.
    proc = prefix.run([EXE, "1"], timeout=120)
    if not report.check(f"[{tag}] logstress 1: one call made",
                        RESULT.search(proc.stdout) and RESULT.search(proc.stdout).group(2) == "1",
                        f"stdout: {proc.stdout.strip()!r}\nstderr: {proc.stderr.strip()[-800:]}"):
        return
    one = _lines_or_fail(prefix, report, f"[{tag}] logstress 1: qxeca.log written")
    if not one:
        return
    one_size = os.path.getsize(dll_log.path(prefix))
    per_call = [dll_log.mask(line) for line in one]
    torn = dll_log.torn_lines(one)
    starts = per_call.count(dll_log.expected(dll_log.START_TEXT)[0])
    exits = sum(dll_log.is_exit(line) for line in one)
    if not report.check(f"[{tag}] one call writes whole lines, one start and one exit banner",
                        not torn and starts == 1 and exits == 1,
                        f"starts {starts}, exits {exits}, lines:\n"
                        + "\n".join(repr(l) for l in one)):
        return
    report.note(f"measured: one call writes {len(one)} lines, {one_size} bytes:")
    for line in per_call:
        report.note(f"  {line!r}")
    os.remove(dll_log.path(prefix))

    total = 2 * calls
    if not report.check(f"[{tag}] {total} calls stay under the {dll_log.ROTATE_AT} byte rotation",
                        one_size * total < dll_log.ROTATE_AT,
                        f"{total} x {one_size} bytes would reach {one_size * total}: lower N"):
        return

    begin = _now()
    procs = [prefix.popen([EXE, str(calls), "2"]) for _ in range(2)]
    outputs = []
    try:
        for p in procs:
            outputs.append(p.communicate(timeout=180))
    except Exception:
        prefix.stop_server()
        raise
    end = _now() + datetime.timedelta(seconds=1)

    results = [RESULT.search(out) for out, _ in outputs]
    report.check(f"[{tag}] both logstress {calls} processes made {calls} calls",
                 all(r and int(r.group(2)) == calls for r in results),
                 "\n".join(f"stdout {out.strip()!r} stderr {err.strip()[-400:]!r}"
                           for out, err in outputs))
    if not all(results):
        return
    spans = [(int(r.group(4)), int(r.group(5))) for r in results]
    overlap = min(e for _, e in spans) - max(s for s, _ in spans)
    report.check(f"[{tag}] the two call loops overlapped in time",
                 overlap > 0,
                 f"loops (FILETIME): {spans}; overlap {overlap / 10000:.1f} ms")
    report.note(f"loops ran {[(e - s) / 10000 for s, e in spans]} ms, "
                f"overlapping {overlap / 10000:.1f} ms; "
                f"nonzero returns {[int(r.group(3)) for r in results]}")

    rotated = dll_log.rotated_files(prefix)
    size = os.path.getsize(dll_log.path(prefix)) if os.path.exists(dll_log.path(prefix)) else 0
    if not report.check(f"[{tag}] qxeca.log did not rotate (under {dll_log.ROTATE_AT} bytes)",
                        not rotated and size < dll_log.ROTATE_AT,
                        f"the log rotated: size {size}, other log files {rotated}; the counts "
                        "below cannot be trusted, lower N"):
        return
    lines = _lines_or_fail(prefix, report, f"[{tag}] qxeca.log written by the two processes")
    if not lines:
        return
    masked = [dll_log.mask(line) for line in lines]

    torn = dll_log.torn_lines(lines)
    report.check(f"[{tag}] every line whole (empty lines only after an exit banner)",
                 not torn,
                 f"{len(torn)} torn lines:\n"
                 + "\n".join(f"line {i + 1}: {l!r}" for i, l in torn[:10]))
    starts = masked.count(dll_log.expected(dll_log.START_TEXT)[0])
    exits = sum(dll_log.is_exit(line) for line in lines)
    report.check(f"[{tag}] exactly {total} start and {total} exit banners",
                 starts == total and exits == total, f"starts {starts}, exits {exits}")
    want = collections.Counter({line: n * total
                                for line, n in collections.Counter(per_call).items()})
    got = collections.Counter(masked)
    report.check(f"[{tag}] exactly {total} x the {len(per_call)} lines of one call, "
                 f"{total * len(per_call)} lines, none lost or extra",
                 got == want and len(lines) == total * len(per_call),
                 f"{len(lines)} lines\n" + compare.diff(
                     [f"{want[k]} x {k!r}" for k in sorted(want)],
                     [f"{got[k]} x {k!r}" for k in sorted(got)]))
    late = dll_log.stamps_outside(lines, begin - datetime.timedelta(seconds=1), end)
    report.check(f"[{tag}] time stamps are today's local time, 24-hour, within the run",
                 not late, f"run {begin} .. {end}\n"
                 + "\n".join(f"line {i + 1}: {l!r}" for i, l in late[:10]))
