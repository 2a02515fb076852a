"""The project's small Windows host programs (e2e/host/*.c), built for i686 each run."""

import os
import subprocess

from . import tools

HOST_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "host")
HOSTS = ("launch", "logstress", "arch")


def build(out_dir, report):
    """Build every host into out_dir; returns {name: path} or None after a failure."""
    os.makedirs(out_dir, exist_ok=True)
    built = {}
    for name in HOSTS:
        source = os.path.join(HOST_DIR, f"{name}.c")
        exe = os.path.join(out_dir, f"{name}.exe")
        # -static: the host must not need libgcc or winpthread DLLs beside it.
        proc = subprocess.run([tools.GCC, "-O2", "-Wall", "-Wextra", "-Werror", "-static",
                               "-o", exe, source], capture_output=True, text=True)
        if not report.check(f"build host {name}.exe", proc.returncode == 0,
                            proc.stdout + proc.stderr):
            return None
        built[name] = exe
    return built
