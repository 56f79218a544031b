#!/usr/bin/env python3
"""The end-to-end test rig: one Xvfb display, one Wine prefix and one virtual
desktop (with taskbar and tray) for a whole test run, shared by every test.

Command line: `rig.py setup` creates the prefix and starts the display,
`rig.py cleanup` ends what setup started. Tests import this module and use
`Rig()` to start programs on the desktop, send real input and read windows.

Environment: KESTRAVA_RIG (rig folder, in the build tree), KESTRAVA_BIN (the
build tree), KESTRAVA_SOURCE (the source tree), KESTRAVA_ARCH (the build
tree's Windows: x86, the default, in a 32-bit prefix; x64 in a 64-bit prefix
under Wine's 64-bit loader).
"""
import errno
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

DESKTOP = "kestrava"
RETRIED_TOOLS = ("reg", "wineboot")  # Wine's own tools, run again once when Wine's loader cannot open them
WIDTH, HEIGHT = 1024, 768


def rig_dir() -> Path:
    return Path(os.environ["KESTRAVA_RIG"])


def bin_dir() -> Path:
    return Path(os.environ.get("KESTRAVA_BIN", rig_dir().parent))


def source_dir() -> Path:
    return Path(os.environ.get("KESTRAVA_SOURCE", Path(__file__).resolve().parents[2]))


def arch() -> str:
    return os.environ.get("KESTRAVA_ARCH", "x86")


def runs_32bit_programs() -> bool:
    """Whether this machine runs 32-bit Linux programs, Wine's 32-bit loader among them.
    Only the kernel's "Exec format error" means it does not: a loader that fails
    otherwise is broken, and that must fail the run, not shrink it to the x64 build."""
    try:
        loader = subprocess.run(["/usr/lib/wine/wine", "--version"], stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True, errors="replace")
    except OSError as error:
        if error.errno == errno.ENOEXEC:
            return False
        raise RuntimeError(f"rig: Wine's 32-bit loader does not start: {error}") from error
    if loader.returncode != 0:
        raise RuntimeError(f"rig: Wine's 32-bit loader failed ({loader.returncode}): {loader.stderr.strip()}")
    return True


def version_line() -> str:
    """The About box's version line: the 64-bit build says so."""
    return "Kestrava Version 1.0.0.1 Beta" + (" (64-bit)" if arch() == "x64" else "")


def _state_file() -> Path:
    return rig_dir() / "state.json"


def _load_state() -> dict:
    try:
        return json.loads(_state_file().read_text())
    except (OSError, ValueError):
        return {}


def wine_env(display=None) -> dict:
    env = dict(os.environ)
    env.update(
        WINEPREFIX=str(rig_dir() / "prefix"),
        WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree,mshtml=",
        WINEARCH="win64" if arch() == "x64" else "win32",
        # The ANSI code page is pinned to 1252, so that texts outside it mean
        # the same everywhere. Wine 8 takes it from the Unix locale (the
        # registry's Nls\CodePage\ACP is only a copy): "C" is en-US, 1252.
        # UTF-8, so that arguments in any script reach the programs whole.
        LC_ALL="C.UTF-8",
    )
    if arch() == "x64":
        # Debian's `wine` would run the 32-bit loader: these run the 64-bit one.
        env["PATH"] = f"{source_dir() / 'scripts' / 'wine64'}{os.pathsep}{env['PATH']}"
    if display is None:
        display = _load_state().get("display")
    if display is not None:
        env["DISPLAY"] = display
    return env


def _alive(pid: int) -> bool:
    try:
        os.kill(pid, 0)
        return True
    except OSError:
        return False


def _kill_pid(pid: int, name_hint: str) -> None:
    """Ends a process we started, after checking that the pid still is ours."""
    try:
        comm = Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return
    if name_hint.lower() not in comm.lower():
        return
    os.kill(pid, signal.SIGTERM)
    for _ in range(50):
        if not _alive(pid):
            return
        time.sleep(0.1)
    os.kill(pid, signal.SIGKILL)


def _reg_add(env, key, name, value, kind="REG_SZ"):
    subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"],
                   env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def setup() -> None:
    cleanup(quiet=True)
    rig = rig_dir()
    if rig.exists():
        shutil.rmtree(rig)
    (rig / "screenshots").mkdir(parents=True)

    # Xvfb picks a free display itself and writes its number to the pipe.
    read_fd, write_fd = os.pipe()
    log = open(rig / "xvfb.log", "wb")
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp"],
        pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    os.close(write_fd)
    number = b""
    deadline = time.time() + 20
    while not number.endswith(b"\n") and time.time() < deadline:
        chunk = os.read(read_fd, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_fd)
    if not number.strip():
        raise SystemExit("rig: Xvfb did not start")
    display = f":{number.decode().strip()}"
    state = {"display": display, "xvfb_pid": xvfb.pid}
    _state_file().write_text(json.dumps(state))

    env = wine_env(display)
    start = time.time()
    create_prefix(env, DESKTOP)
    (rig / "env").write_text(f"WINEPREFIX={env['WINEPREFIX']}\nDISPLAY={display}\n")
    start_desktop(env, rig / "desktop.txt")
    acp = subprocess.run(["wine", str(bin_dir() / "bin" / "wintool.exe"), "acp"], env=env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.strip()
    if acp != "1252":
        raise SystemExit(f"rig: the ANSI code page is {acp}, not 1252")
    print(f"rig: display {display}, prefix {env['WINEPREFIX']} ready in {time.time() - start:.1f} s")


def create_prefix(env, desktop):
    """A new prefix of the build's bitness whose programs all run in one virtual desktop with a taskbar."""
    # Its errors through a file: the services it starts would hold a pipe open.
    with tempfile.TemporaryFile() as errors:
        boot = subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=errors)
        errors.seek(0)
        said = [line for line in errors.read().decode(errors="replace").splitlines() if line.strip()]
    if boot.returncode != 0:
        raise SystemExit(f"rig: creating the Wine prefix failed: wineboot -i exited {boot.returncode}"
                         + (f": {said[-1]}" if said else ""))
    _reg_add(env, r"HKCU\Software\Wine\Explorer", "Desktop", desktop)
    _reg_add(env, r"HKCU\Software\Wine\Explorer\Desktops", desktop, f"{WIDTH}x{HEIGHT}")
    _reg_add(env, rf"HKCU\Software\Wine\Explorer\Desktops\{desktop}", "EnableShell", "1", "REG_DWORD")
    # A crash must fail the test, not wait for someone to close a dialog.
    _reg_add(env, r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "0", "REG_DWORD")
    subprocess.run(["wineserver", "-w"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    # A persistent server keeps program starts fast for the whole run. It
    # outlives this script: it must not hold a test runner's output pipe open.
    subprocess.run(["wineserver", "-p"], env=env, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def start_desktop(env, answer: Path):
    """The first program on a desktop starts the desktop's own process, which
    keeps the handles it inherits for the whole run: start it here, with none
    that a test runner waits on, and wait until the taskbar is up. A keeper
    process holds the desktop up between tests."""
    subprocess.Popen(["wine", str(bin_dir() / "bin" / "wintool.exe"), "keepalive"], env=env,
                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                     start_new_session=True)
    deadline = time.time() + 60
    while True:
        with open(answer, "w") as out:
            subprocess.run(["wine", str(bin_dir() / "bin" / "wintool.exe"), "find", "Shell_TrayWnd", ""], env=env,
                           stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
        text = answer.read_text().strip()
        if text and int(text, 16) != 0:
            break
        if time.time() > deadline:
            raise SystemExit("rig: the virtual desktop did not come up")
        time.sleep(0.5)


def cleanup(quiet=False) -> None:
    state = _load_state()
    prefix = rig_dir() / "prefix"
    if prefix.exists():
        subprocess.run(["wineserver", "-k"], env=wine_env(state.get("display")),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if "xvfb_pid" in state:
        _kill_pid(state["xvfb_pid"], "Xvfb")
    if not quiet:
        print("rig: cleaned up")


class Rig:
    """What a test needs: programs on the desktop, input, windows, screenshots."""

    def __init__(self, prefix=None, desktop=DESKTOP):
        """The run's shared prefix and desktop, or another prefix of a test's
        own (made with `create_prefix`) on the same display."""
        state = _load_state()
        if "display" not in state:
            raise RuntimeError("rig: not set up (run `rig.py setup` first)")
        self.display = state["display"]
        self.env = wine_env(self.display)
        if prefix is not None:
            self.env["WINEPREFIX"] = str(prefix)
        self.desktop = desktop
        self.bin = bin_dir()
        self.dir = rig_dir()
        self.started = []

    # --- processes -------------------------------------------------------
    def start(self, exe, *args, cwd=None, stdout=None, trace=None, stderr=None, env=None) -> subprocess.Popen:
        """Starts a Windows program; it is ended by `stop_all` if still running.
        `trace` sets Wine's debug channels (e.g. "+menu"), written to `stderr`;
        `env` adds variables to the program's environment."""
        env = dict(self.env, **(env or {}), **({"WINEDEBUG": trace} if trace else {}))
        proc = subprocess.Popen(["wine", str(exe), *map(str, args)], env=env, cwd=cwd,
                                stdout=stdout or subprocess.DEVNULL, stderr=stderr or subprocess.DEVNULL)
        self.started.append(proc)
        return proc

    def run(self, exe, *args, timeout=60, check=True, cwd=None) -> subprocess.CompletedProcess:
        # Output through a file, not a pipe: a process that the program starts
        # (the desktop's own, a server) could keep a pipe open past its end.
        for attempt in range(2):
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                result = subprocess.run(["wine", str(exe), *map(str, args)], env=self.env, cwd=cwd, timeout=timeout,
                                        stdin=subprocess.DEVNULL, stdout=out, stderr=err)
                out.seek(0)
                err.seek(0)
                result.stdout = out.read().decode(errors="replace")
                result.stderr = err.read().decode(errors="replace")
            # Once in a long while Wine's loader fails to open one of Wine's own
            # tools (seen with reg), and its fallback, start.exe, says so; or a
            # program ends with 1 before it ran a line (seen about once in 500
            # runs of wintool, which says why and ends with 3 on each failure of
            # its own). Either never ran, so running those tools again is safe.
            # The programs under test get no second chance, and each retry is
            # logged for the run's summary.
            loader_failed = str(exe) in RETRIED_TOOLS and result.stdout.startswith("Application could not be started")
            never_ran = (Path(exe).name == "wintool.exe" and result.returncode == 1
                         and not result.stdout and not result.stderr)
            if attempt == 1 or not (loader_failed or never_ran):
                break
            with open(self.dir / "retries.log", "a") as log:
                log.write(f"{time.strftime('%H:%M:%S')}\t{exe} {' '.join(map(str, args))}\t"
                          f"{result.stdout.strip()}\n")
        if check and result.returncode != 0:
            raise RuntimeError(f"{exe} {' '.join(map(str, args))} failed ({result.returncode}): {result.stdout}"
                               + (f"; its errors: {result.stderr.strip()}" if result.stderr.strip() else ""))
        return result

    def stop(self, proc, timeout=10):
        if proc.poll() is None:
            proc.kill()
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                pass

    def stop_all(self):
        for proc in reversed(self.started):
            self.stop(proc)
        self.started.clear()

    def wait_exit(self, proc, timeout=15):
        return proc.wait(timeout)

    def winpath(self, path) -> str:
        """The Windows name of a Unix path (Wine maps / to drive Z:)."""
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")

    # --- the test tool ---------------------------------------------------
    def wintool(self, *args, check=True, timeout=30) -> str:
        return self.run(self.bin / "bin" / "wintool.exe", *args, check=check, timeout=timeout).stdout.strip()

    def find_window(self, cls="", title="", timeout=10.0) -> int:
        """The handle of a top-level window, waiting until it exists; 0 if it never does.
        A wintool that fails raises: it must not read as "no such window"."""
        deadline = time.time() + timeout
        while True:
            out = self.wintool("find", cls, title)
            if out and int(out, 16) != 0:
                return int(out, 16)
            if time.time() > deadline:
                return 0
            time.sleep(0.2)

    # --- X input ---------------------------------------------------------
    def xdotool(self, *args, check=True) -> str:
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, check=check,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        return result.stdout.strip()

    def desktop_window(self, timeout=15.0) -> str:
        deadline = time.time() + timeout
        while time.time() < deadline:
            ids = self.xdotool("search", "--name", f"^{self.desktop} - Wine desktop$", check=False).split()
            if ids:
                return ids[0]
            time.sleep(0.2)
        raise RuntimeError("rig: the Wine desktop window did not appear")

    def focus_desktop(self, over=None):
        """Readies the desktop for keys: X focus on it and the pointer over the
        foreground window, near its top edge. Without a window manager the
        virtual desktop takes keys only where the pointer is, and the async
        key state sees the Windows key only while a Wine window has X focus.
        `over` names another window to put the pointer over (a popup menu)."""
        self.xdotool("windowfocus", "--sync", self.desktop_window())
        if over:
            fields = ["", "", "", "", "", "", "", "", self.wintool("rect", f"{over:x}")]
        else:
            fields = self.wintool("foreground").split("\t")
        if len(fields) >= 9:
            left, top, right, _ = map(int, fields[8].split())
            x, y = (left + right) // 2, top + 4
            if self.xdotool("getmouselocation", "--shell").split()[:2] != [f"X={x}", f"Y={y}"]:
                self.xdotool("mousemove", "--sync", x, y)

    def keys(self, *combos, delay_ms=60, over=None):
        self.focus_desktop(over)
        self.xdotool("key", "--delay", delay_ms, *combos)

    def dismiss_menu(self, menu, timeout=10.0):
        """Escape on an open popup menu until it is gone. On a busy machine a key
        can reach the desktop before the menu takes input: it is sent again
        (three times at most) while the menu stays open."""
        for _ in range(3):
            self.keys("Escape", over=menu)
            if wait_until(lambda: self.find_window("#32768", "", timeout=0) != menu, timeout / 3):
                return True
        return False

    def type_text(self, text, delay_ms=30):
        self.focus_desktop()
        self.xdotool("type", "--delay", delay_ms, text)

    def type_unicode(self, text):
        """Types characters that no keyboard layout needs to hold (SendInput
        with KEYEVENTF_UNICODE: xdotool cannot be relied on for them)."""
        self.focus_desktop()
        self.wintool("type", text)

    def click(self, x, y, button=1, repeat=1):
        self.xdotool("mousemove", "--sync", x, y)
        time.sleep(0.1)
        self.xdotool("click", "--repeat", repeat, "--delay", 80, button)

    def drag(self, x0, y0, x1, y1):
        self.xdotool("mousemove", "--sync", x0, y0)
        self.xdotool("mousedown", 1)
        # As a hand would: the press is taken before the pointer moves, and the
        # last move before the release, even on a busy machine.
        time.sleep(0.2)
        for i in range(1, 11):
            self.xdotool("mousemove", "--sync", x0 + (x1 - x0) * i // 10, y0 + (y1 - y0) * i // 10)
            time.sleep(0.03)
        time.sleep(0.2)
        self.xdotool("mouseup", 1)

    def tray_icon_point(self, slot=0):
        """Screen point of the tray icon in display slot `slot` (0 = rightmost)."""
        left, top, right, bottom = map(int, self.wintool("rect", f"{self.find_window('Shell_TrayWnd'):x}").split())
        return right - 10 - 20 * slot, (top + bottom) // 2

    def tray_pixels(self, name, slot=0) -> bytes:
        """The RGB bytes of tray slot `slot` (16 x 16 around its centre), from a screenshot kept as `name`."""
        x, y = self.tray_icon_point(slot)
        return pixels(self.screenshot(name), x - 8, y - 8, 16, 16)

    # --- evidence --------------------------------------------------------
    def screenshot(self, name) -> Path:
        path = self.dir / "screenshots" / f"{name}.png"
        subprocess.run(["import", "-window", "root", "-display", self.display, str(path)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path


def pixels(png, x, y, w, h) -> bytes:
    """Raw RGB bytes of a rectangle of a screenshot."""
    return subprocess.run(["convert", str(png), "-crop", f"{w}x{h}+{x}+{y}", "rgb:-"],
                          stdout=subprocess.PIPE, check=True).stdout


def wait_until(predicate, timeout=10.0, interval=0.1):
    deadline = time.time() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.time() > deadline:
            return value
        time.sleep(interval)


if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in ("setup", "cleanup"):
        raise SystemExit("usage: rig.py setup|cleanup")
    setup() if sys.argv[1] == "setup" else cleanup()
