"""A throwaway Windows environment: one Wine prefix with its own home folder and server.

Used by the demo and the end-to-end scenarios. Every prefix is a copy of a template made
once per build tree; nothing is written outside the folder given. The architecture (win64:
the 64-bit loader and prefix; win32: the 32-bit ones, for the i686 programs) is a parameter,
by default ZEL_WINE_ARCH as for scripts/lib/wine.sh.
"""

import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

LOADERS = {"win64": "/usr/lib/wine/wine64", "win32": "/usr/lib/wine/wine"}
ROOT = Path(__file__).resolve().parents[2]
WINE_SH = ROOT / "scripts" / "lib" / "wine.sh"


def default_arch():
    return os.environ.get("ZEL_WINE_ARCH", "win64")


def loader(arch):
    """The loader of arch; ZEL_WINE32_LOADER / ZEL_WINE64_LOADER name another one."""
    return os.environ.get(f"ZEL_WINE{arch[3:]}_LOADER") or LOADERS[arch]


def probe(arch=None):
    """None when the loader of arch runs on this host, otherwise why it does not (wine.sh's
    wine_probe)."""
    env = dict(os.environ, ZEL_WINE_ARCH=arch or default_arch())
    done = subprocess.run(["bash", "-c", f". {WINE_SH}; wine_probe"], capture_output=True,
                          text=True, errors="replace", env=env, stdin=subprocess.DEVNULL,
                          timeout=60)
    return None if done.returncode == 0 else done.stdout.strip()


SKIP = 77  # what ctest counts as skipped (SKIP_RETURN_CODE)


def require(arch=None):
    """Ends the program with SKIP, saying why, when the i686 programs cannot run here."""
    reason = probe(arch)
    if reason is None:
        return
    if (arch or default_arch()) == "win32":
        print(f"SKIPPED (i686): {reason}", flush=True)
        sys.exit(SKIP)
    sys.exit(reason)


def _bash(script, env=None, arch=None):
    env = dict(env if env is not None else os.environ)
    env["ZEL_WINE_ARCH"] = arch or default_arch()
    subprocess.run(["bash", "-c", f". {WINE_SH}; {script}"], check=True, env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class WineEnv:
    """A Wine prefix in `folder` (prefix/ and home/), copied from `template`."""

    def __init__(self, folder, template, display=None, locales=None, arch=None):
        self.arch = arch or default_arch()
        self.loader = loader(self.arch)
        self.folder = Path(folder).resolve()
        self.template = Path(template).resolve()
        self.display = display  # an X display for screenshots, else Wine's null driver
        self.locales = locales
        self.prefix = self.folder / "prefix"
        self.home = self.folder / "home"
        self.server_started = False
        self.processes = []

    # -- lifetime -------------------------------------------------------------------------
    def create(self):
        driver = "" if self.display else "null"
        _bash(f"wine_new_prefix {self.template} {self.folder} {driver}", arch=self.arch)
        return self

    def env(self, extra=None):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "LANG"))}
        env.update(WINEPREFIX=str(self.prefix), HOME=str(self.home), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="winemenubuilder.exe=d", LANG="en_US.UTF-8",
                   WINEARCH=self.arch, ZEL_WINE_ARCH=self.arch)
        env.pop("DISPLAY", None)
        if self.display:
            env["DISPLAY"] = self.display
        if self.locales:
            env["LOCPATH"] = str(self.locales)
        if extra:
            env.update(extra)
        return env

    def start(self):
        """A persistent server: the session (and its pending restart operations) stays."""
        _bash("wine_start", env=self.env(), arch=self.arch)
        self.server_started = True

    def stop(self):
        _bash("wine_stop", env=self.env(), arch=self.arch)
        self.server_started = False
        for process in self.processes:
            process.popen.wait(timeout=30)
        self.processes = []

    def remove(self):
        if self.server_started:
            self.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.server_started:
            self.stop()

    # -- running programs ---------------------------------------------------------------
    # Output goes to files, never pipes: Wine's service processes started on the way inherit
    # the standard handles, and a pipe would then never see its end.
    def run(self, program, args=(), env=None, timeout=120, wait=True):
        """Runs a Windows program (Unix or Windows path); returns its exit code, or with
        wait=False a Process whose output() gives what it printed."""
        process = Process(self, program, args, env)
        if wait:
            return process.wait(timeout)
        self.processes.append(process)
        return process

    def output(self, program, args=(), env=None, timeout=120, encoding="utf-8"):
        """The exit code and what the program printed, read in encoding (the code page of a
        program that prints ANSI text), line ends as "\n"."""
        process = Process(self, program, args, env)
        code = process.wait(timeout)
        return code, process.output(encoding)

    # -- paths ----------------------------------------------------------------------------
    @property
    def user(self):
        users = [p.name for p in (self.prefix / "drive_c" / "users").iterdir()
                 if p.name != "Public" and p.is_dir()]
        return users[0]

    def unix(self, windows_path):
        """The Unix path of a C: path, matching names without regard to case."""
        assert windows_path[1:3] == ":\\", windows_path
        path = self.prefix / "drive_c"
        for part in [p for p in windows_path[3:].split("\\") if p]:
            exact = path / part
            if exact.exists() or not path.is_dir():
                path = exact
                continue
            match = [c for c in path.iterdir() if c.name.lower() == part.lower()]
            path = match[0] if match else exact
        return path

    def exists(self, windows_path):
        return self.unix(windows_path).exists()

    # -- registry -------------------------------------------------------------------------
    def reg_query(self, key, env=None, encoding="utf-8"):
        """{subkey path: {value name: (type, data)}} for key and everything below it, as reg
        prints them with env (a system language) in encoding (its code page)."""
        code, text = self.output("reg", ["query", key, "/s"], env=env, encoding=encoding)
        if code != 0:
            return {}
        result, current = {}, None
        for line in text.splitlines():
            if not line.strip():
                continue
            if not line.startswith(" "):
                current = (line.strip().replace("HKEY_LOCAL_MACHINE", "HKLM")
                           .replace("HKEY_CURRENT_USER", "HKCU"))
                result[current] = {}
                continue
            m = re.match(r"^\s{4}(.*?)\s{4}(REG_\w+)\s{4}?(.*)$", line)
            if m and current is not None:
                name = "" if m.group(1) == "(Default)" else m.group(1)
                result[current][name] = (m.group(2), m.group(3))
        return result

    def reg_values(self, key, env=None, encoding="utf-8"):
        tree = self.reg_query(key, env, encoding)
        for path, values in tree.items():
            if path.lower() == key.lower().rstrip("\\"):
                return values
        return None

    def pending_renames(self):
        """The PendingFileRenameOperations pairs (source, target; target '' = delete)."""
        values = self.reg_values(r"HKLM\System\CurrentControlSet\Control\Session Manager") or {}
        if "PendingFileRenameOperations" not in values:
            return []
        items = values["PendingFileRenameOperations"][1].split("\\0")
        while items and items[-1] == "":
            items.pop()
        if len(items) % 2:
            items.append("")
        return list(zip(items[0::2], items[1::2]))

    # -- shortcuts ------------------------------------------------------------------------
    @staticmethod
    def lnkinfo(path):
        """Target, working folder and icon of a shell link, read by lnkinfo."""
        done = subprocess.run(["lnkinfo", str(path)], capture_output=True, text=True,
                              errors="replace")
        fields = {}
        for line in done.stdout.splitlines():
            m = re.match(r"^\s+([A-Za-z ]+?)\s*:\s(.*)$", line)
            if m:
                fields.setdefault(m.group(1).strip(), m.group(2).strip())
        return fields


class Process:
    """A Windows program running in an environment, its output collected in a file."""

    serial = 0

    def __init__(self, wine_env, program, args, env):
        Process.serial += 1
        wine_env.folder.mkdir(parents=True, exist_ok=True)
        self.log = wine_env.folder / f"output-{os.getpid()}-{Process.serial}.txt"
        self.trace = self.log.with_suffix(".trace")
        with open(self.log, "wb") as out, open(self.trace, "wb") as trace:
            self.popen = subprocess.Popen([wine_env.loader, str(program), *args],
                                          env=wine_env.env(env),
                                          stdin=subprocess.DEVNULL, stdout=out, stderr=trace)

    def wait(self, timeout=120):
        return self.popen.wait(timeout=timeout)

    def output(self, encoding="utf-8"):
        text = self.log.read_bytes().decode(encoding, "replace")
        return text.replace("\r\n", "\n")

    def traces(self):
        """What Wine's debug channels (WINEDEBUG) reported about the run."""
        return self.trace.read_bytes().decode("utf-8", "replace")


def make_locales(folder):
    """Generates the locales the runs use into folder (for LOCPATH)."""
    _bash(f"wine_locales {folder}")


def wait_until(predicate, timeout=20.0, step=0.1):
    end = time.time() + timeout
    while time.time() < end:
        if predicate():
            return True
        time.sleep(step)
    return predicate()
