"""The e2e runner: builds hosts and packages, makes Wine prefixes, runs the cases, reports."""

import argparse
import hashlib
import os
import shutil
import signal
import sys
import time
import traceback

from . import (case_install, case_legacy, case_settings, case_stress, hosts, packages,
               pe_tables, prefix, tools)
from .report import Report

E2E_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPO_DIR = os.path.dirname(E2E_DIR)
ARCHES = ("win64", "win32")
CASES = ("install", "stress", "legacy", "settings")


def parse(argv):
    ap = argparse.ArgumentParser(
        prog="e2e/run",
        description="Run the real qxeca.dll / qxmsica.dll in Wine's msiexec and check what "
                    "they did.")
    ap.add_argument("--dll-dir", default=os.path.join(REPO_DIR, "build", "cross"),
                    help="folder holding qxeca.dll and qxmsica.dll (default: build/cross)")
    ap.add_argument("--qxeca", help="qxeca.dll to test (default: DLL_DIR/qxeca.dll)")
    ap.add_argument("--qxmsica", help="qxmsica.dll to test (default: DLL_DIR/qxmsica.dll)")
    ap.add_argument("--arch", default=",".join(ARCHES),
                    help="comma-separated prefix architectures (default: win64,win32)")
    ap.add_argument("--cases", default=",".join(CASES),
                    help="comma-separated cases (default: install,stress,legacy,settings)")
    ap.add_argument("--calls", type=int, default=250,
                    help="QXLogConfig calls per logstress process (default: 250)")
    ap.add_argument("--workdir", help="parent of the temporary directory (default: $TMPDIR)")
    ap.add_argument("--keep", action="store_true",
                    help="keep the temporary directory and prefixes for debugging")
    ap.add_argument("--show", action="store_true",
                    help="print what the actions wrote: their lines in the installer log "
                         "and qxeca.log")
    args = ap.parse_args(argv)
    args.qxeca = os.path.abspath(args.qxeca or os.path.join(args.dll_dir, "qxeca.dll"))
    args.qxmsica = os.path.abspath(args.qxmsica or os.path.join(args.dll_dir, "qxmsica.dll"))
    args.arch = [a for a in args.arch.split(",") if a]
    args.cases = [c for c in args.cases.split(",") if c]
    for a in args.arch:
        if a not in ARCHES:
            ap.error(f"unknown architecture {a}")
    for c in args.cases:
        if c not in CASES:
            ap.error(f"unknown case {c}")
    return args


def _exit_on_signal(signum, _frame):
    raise SystemExit(128 + signum)


def create_prefixes(ws, arches, report, built):
    """One fresh prefix per architecture, made in parallel."""
    started = {}
    for arch in arches:
        pfx = ws.new_prefix(f"{arch}-base", arch)
        started[arch] = (pfx, pfx.start_create(), time.monotonic())
    bases = {}
    for arch, (pfx, proc, t0) in started.items():
        _, err = proc.communicate(timeout=600)
        pfx.wait_server(timeout=120)
        made = proc.returncode == 0 and os.path.isdir(pfx.host_path("windows"))
        if not report.check(f"[{arch}] fresh prefix made ({time.monotonic() - t0:.0f} s)",
                            made, f"wineboot rc {proc.returncode}: {err[-800:]}"):
            continue
        probe = pfx.run([built["arch"]], timeout=60)
        want = prefix.NATIVE_ARCH[arch]
        if report.check(f"[{arch}] a 32-bit process sees native architecture {want}",
                        f"arch: native={want}" in probe.stdout,
                        f"arch.exe said {probe.stdout.strip()!r}"):
            bases[arch] = pfx
    return bases


def run_case(case, pfx, args, built, msis, report):
    tag = f"{pfx.arch} {case}"
    print(f"\n--- {tag} ({pfx.path})")
    try:
        if case == "install":
            case_install.run(pfx, built, msis["logconfig"], report, tag, show=args.show)
        elif case == "legacy":
            case_legacy.run(pfx, built, msis, report, tag, show=args.show)
        elif case == "settings":
            case_settings.run(pfx, built, msis, report, tag, show=args.show)
        else:
            case_stress.run(pfx, built, args.qxeca, report, tag, args.calls)
    except Exception:
        report.failed(f"[{tag}] ran to the end", traceback.format_exc())
    finally:
        pfx.stop_server()


def main(argv):
    args = parse(argv)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, _exit_on_signal)
    report = Report()
    started = time.monotonic()

    lost = tools.missing()
    if lost:
        report.failed("host tools present", f"missing: {lost}")
        report.summary()
        return 2

    ws = prefix.Workspace(args.workdir)
    print(f"--- work folder {ws.root}")
    try:
        _snapshot_dlls(ws, args)
        print("\n--- DLL tables")
        pe_tables.check(args.qxeca, report)
        pe_tables.check(args.qxmsica, report)
        if os.path.isfile(args.qxeca):
            _run_cases(ws, args, report)
    except (KeyboardInterrupt, SystemExit) as stop:
        report.failed("runner ran to the end", f"interrupted ({type(stop).__name__} {stop})")
    except Exception:
        report.failed("runner ran to the end", traceback.format_exc())
    finally:
        # Also after a signal: no prefix or wineserver may outlive the run, and a second
        # signal must not cut the clean-up short.
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, signal.SIG_IGN)
        if args.keep:
            ws.stop_all()
            print(f"\n--keep: prefixes and builds kept in {ws.root} (delete it when done)")
        else:
            ws.remove()
    return _finish(report, started)


def _snapshot_dlls(ws, args):
    """Test one copy of each DLL: a rebuild during the run must not mix two versions."""
    os.makedirs(ws.path("dlls"), exist_ok=True)
    for attr in ("qxeca", "qxmsica"):
        source = getattr(args, attr)
        if not os.path.isfile(source):
            print(f"    {attr}: {source} (missing)")
            continue
        copy = ws.path("dlls", os.path.basename(source))
        shutil.copyfile(source, copy)
        with open(copy, "rb") as dll:
            digest = hashlib.sha256(dll.read()).hexdigest()[:16]
        stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(os.path.getmtime(source)))
        print(f"    {attr}: {source} ({os.path.getsize(copy)} bytes, {stamp}, "
              f"sha256 {digest}...)")
        setattr(args, attr, copy)


def _run_cases(ws, args, report):
    built = hosts.build(ws.path("hosts"), report)
    msi = packages.build_logconfig(args.qxeca, ws.path("packages"), report)
    legacy = (case_legacy.build(args.qxmsica, ws.path("packages"), report)
              if "legacy" in args.cases else {})
    settings = (case_settings.build(args.qxeca, ws.path("packages"), report)
                if "settings" in args.cases else {})
    if not (built and msi and legacy is not None and settings is not None):
        return
    msis = {"logconfig": msi, **legacy, **settings}
    print("\n--- prefixes")
    bases = create_prefixes(ws, args.arch, report, built)
    for arch, base in bases.items():
        for i, case in enumerate(args.cases):
            last = i == len(args.cases) - 1
            # The last case of an architecture takes the base itself; the others a copy.
            pfx = base if last else ws.copy_prefix(base, f"{arch}-{case}")
            run_case(case, pfx, args, built, msis, report)
            if not args.keep:
                ws.discard(pfx)  # 1.3 GB each: gone as soon as its case is done


def _finish(report, started):
    print(f"\n(took {time.monotonic() - started:.0f} s)")
    return 0 if report.summary() else 1
