"""One throw-away Wine prefix: create, copy, run programs in it, stop its server, delete it.

Every prefix the runner makes is registered with a Workspace, which stops its wineserver
and deletes it at the end, whatever happened (a win64 prefix is 1.3 GB)."""

import os
import re
import shutil
import subprocess
import tempfile

from . import tools

# Native processor architecture a 32-bit process sees (GetNativeSystemInfo).
NATIVE_ARCH = {"win64": 9, "win32": 0}


class Prefix:
    def __init__(self, path, arch):
        self.path = path
        self.arch = arch
        self.started = []  # our background processes, ended by id if they outlive the server

    def __repr__(self):
        return f"Prefix({self.path}, {self.arch})"

    def env(self, debug="-all"):
        env = dict(os.environ)
        env.update(WINEPREFIX=self.path, WINEARCH=self.arch, WINEDEBUG=debug,
                   # No Mono/Gecko installer prompts while the prefix is made.
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        # msiexec /qn needs no display; none is used even when one is around.
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def host_path(self, *windows_parts):
        """Unix path of C:\\<parts...> in this prefix."""
        return os.path.join(self.path, "drive_c", *windows_parts)

    def run(self, args, timeout=120, debug="-all", loader=tools.WINE):
        """Run a Windows program; output as text. A hang stops this prefix's server."""
        try:
            return subprocess.run([loader] + list(args), env=self.env(debug),
                                  stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=timeout, encoding="latin-1")
        except subprocess.TimeoutExpired as exc:
            self.stop_server()
            raise RuntimeError(f"{' '.join(args)} took longer than {timeout} s") from exc

    def popen(self, args, debug="-all", loader=tools.WINE):
        proc = subprocess.Popen([loader] + list(args), env=self.env(debug),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, encoding="latin-1")
        self.started.append(proc)
        return proc

    def start_create(self):
        proc = subprocess.Popen(["wineboot", "-i"], env=self.env(), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                encoding="latin-1")
        self.started.append(proc)
        return proc

    def wait_server(self, timeout=60):
        """Wait until this prefix's wineserver has exited (it saves the registry then)."""
        subprocess.run([tools.WINESERVER, "-w"], env=self.env(), timeout=timeout,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def stop_server(self):
        """Stop this prefix's wineserver and every Wine process of this prefix only.
        The server flushes the registry to disk on the way out."""
        subprocess.run([tools.WINESERVER, "-k"], env=self.env(), timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        try:
            self.wait_server(timeout=30)
        except subprocess.TimeoutExpired:
            pass
        for proc in self.started:
            if proc.poll() is None:
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.started = [p for p in self.started if p.returncode is None]


    def socket_dirs(self):
        """(folder, server subfolder) of this prefix's server sockets, or None. Debian's Wine
        names a /tmp/wine-XXXXXX folder in <prefix>/wineserver (copies inherit it) and puts
        server-<dev>-<inode> inside; both outlive the server."""
        try:
            with open(os.path.join(self.path, "wineserver")) as named:
                name = named.read().strip()
            st = os.stat(self.path)
        except OSError:
            return None
        if not re.fullmatch(r"wine-\w+", name):
            return None
        for tmp in dict.fromkeys([tempfile.gettempdir(), "/tmp"]):
            folder = os.path.join(tmp, name)
            if os.path.isdir(folder):
                return folder, os.path.join(folder, f"server-{st.st_dev:x}-{st.st_ino:x}")
        return None

    def delete(self):
        """Remove the prefix and its socket folder; the server must be down."""
        sockets = self.socket_dirs()
        shutil.rmtree(self.path, ignore_errors=True)
        if sockets:
            folder, server = sockets
            shutil.rmtree(server, ignore_errors=True)
            try:
                os.rmdir(folder)  # only once no other prefix of ours uses it
            except OSError:
                pass


class Workspace:
    """The run's temporary directory and every prefix made in it."""

    def __init__(self, parent=None):
        self.root = tempfile.mkdtemp(prefix="qx-e2e-", dir=parent)
        self.prefixes = []

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def new_prefix(self, name, arch):
        prefix = Prefix(self.path(name), arch)
        self.prefixes.append(prefix)
        return prefix

    def copy_prefix(self, base, name):
        """A clean copy of a ready prefix; its server must be down so the registry is on disk."""
        base.stop_server()
        copy = self.new_prefix(name, base.arch)
        subprocess.run(["cp", "-a", base.path, copy.path], check=True)
        return copy

    def discard(self, prefix):
        prefix.stop_server()
        self.prefixes.remove(prefix)
        prefix.delete()

    def stop_all(self):
        for prefix in self.prefixes:
            if os.path.isdir(prefix.path):
                prefix.stop_server()

    def remove(self):
        self.stop_all()
        for prefix in self.prefixes:
            prefix.delete()
        shutil.rmtree(self.root, ignore_errors=True)
