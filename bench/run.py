#!/usr/bin/env python3
"""Kestrava's benchmarks against baselines of our own, on one Wine desktop.

Usage: bench/run.py [BUILD_DIR] [--runs N]
BUILD_DIR is a configured Windows build tree (default build/x86); the
`bench` target is built in it, a rig of its own is set up in BUILD_DIR/bench-rig
and removed at the end, every figure is measured N times (default 7), and one
table is printed: medians, the baseline's median, the ratio, the spread
(min-max of Kestrava's runs) and the goal.

Clocks: under Wine, QueryPerformanceCounter is the host's CLOCK_MONOTONIC_RAW
in 100 ns units, the same in every process, so a time taken here before an X
key event is injected (XTest, as xdotool does) and the counter read by the
launched program are on one clock.
"""
import argparse
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(SOURCE / "tests" / "e2e"))

WM_CLOSE = 0x0010
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "comctl32.dll", "comdlg32.dll", "version.dll", "msvcrt.dll", "kestrahk.dll"}


def now_qpc() -> int:
    """The host clock in the unit of Wine's performance counter."""
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 100


def median(values):
    return statistics.median(values) if values else float("nan")


class Keyboard:
    """Key events into the X server through XTest, the path xdotool takes."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open the X display")

    def code(self, name):
        return self.x11.XKeysymToKeycode(self.dpy, self.x11.XStringToKeysym(name.encode()))

    def event(self, name, down, flush=True):
        self.xtst.XTestFakeKeyEvent(self.dpy, self.code(name), 1 if down else 0, 0)
        if flush:
            self.x11.XFlush(self.dpy)

    def sync(self):
        self.x11.XSync(self.dpy, 0)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


class Bench:
    def __init__(self, build, runs, arch):
        self.build = build
        self.arch = arch
        self.runs = runs
        import rig as rigmodule
        self.rigmodule = rigmodule
        self.rig = rigmodule.Rig()
        self.bin = build / "bin"
        self.work = build / "bench-rig" / "work"
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.rows = []
        self.notes = []

    # --- helpers -------------------------------------------------------------
    def tool(self, *args, timeout=60):
        return self.rig.run(self.bin / "benchtool.exe", *args, timeout=timeout).stdout.strip()

    def pid_of(self, cls, title="", timeout=20):
        window = self.rig.find_window(cls, title, timeout)
        if not window:
            raise RuntimeError(f"no window of class {cls}")
        return window, int(self.rig.wintool("pid", f"{window:x}"))

    def close(self, window, proc):
        self.rig.wintool("post", f"{window:x}", WM_CLOSE, 0, 0, check=False)
        try:
            proc.wait(15)
        except subprocess.TimeoutExpired:
            self.rig.stop(proc)
        time.sleep(0.3)

    def start_holder(self, log):
        """Another program that holds Win + W, as Windows' shell holds its letters."""
        log.unlink(missing_ok=True)
        holder = self.rig.start(self.bin / "holder.exe", self.rig.winpath(log), "W", "nowatch")
        deadline = time.time() + 20
        while "ready" not in (log.read_text() if log.exists() else ""):
            if time.time() > deadline:
                raise RuntimeError("holder did not start")
            time.sleep(0.1)
        return holder

    def install(self, name):
        """A folder with the program, its hook library, the data file and the stamp program."""
        import datafile
        folder = self.work / name
        folder.mkdir(parents=True, exist_ok=True)
        for exe in ("Kestrava.exe", "Kestrahk.dll", "baseline_tray.exe", "baseline_launcher.exe", "stamp.exe",
                    "nullhook.dll"):
            shutil.copy(self.bin / exe, folder)
        datafile.write_table(folder / "Kestrava.dat", {"W": (self.rig.winpath(folder / "stamp.exe"), "", "")})
        return folder

    def row(self, metric, ours, base, goal, better, unit, spread=None, ratio=None):
        """better: 'low' (ratio = ours/base must stay below the goal) or 'high'."""
        if ratio is None and base not in (None, 0) and ours is not None:
            ratio = ours / base
        if ratio is None or goal is None:
            met = "-"
        elif better == "low":
            met = "yes" if ratio <= goal else "no"
        else:
            met = "yes" if ratio >= goal else "no"
        self.rows.append((metric, ours, base, ratio, spread, goal, better, met, unit))

    # --- (a) footprint ---------------------------------------------------------
    def footprint(self):
        objdump = shutil.which(("x86_64" if self.arch == "x64" else "i686") + "-w64-mingw32-objdump") or "objdump"
        for name in ("Kestrava.exe", "Kestrahk.dll"):
            size = (self.bin / name).stat().st_size
            dump = subprocess.run([objdump, "-p", str(self.bin / name)], stdout=subprocess.PIPE, text=True).stdout
            dlls = [line.split(":", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line]
            foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
            self.notes.append(f"{name}: {size} bytes; imports {', '.join(dlls)}"
                              + (f"; NOT system DLLs: {', '.join(foreign)}" if foreign else " (system DLLs only)"))
            if name == "Kestrahk.dll":
                self.row("Kestrahk.dll size (bytes)", size, 4096, 1.0, "low", "B", ratio=size / 4096)
        base_size = (self.bin / "baseline_tray.exe").stat().st_size
        self.notes.append(f"baseline_tray.exe: {base_size} bytes")

        folder = self.install("footprint")
        ws = {"k": [], "b": [], "d": []}
        priv = {"k": [], "b": [], "d": []}
        for _ in range(self.runs):
            for key, exe, cls, args in (("k", "Kestrava.exe", "CQuindleTaskBarApplet", ()),
                                        ("b", "baseline_tray.exe", "KestravaBaselineTray", ()),
                                        ("d", "baseline_tray.exe", "KestravaBaselineTray", ("dlls",))):
                proc = self.rig.start(folder / exe, *args)
                window, pid = self.pid_of(cls)
                time.sleep(2.0)  # idle: start-up done, icon drawn
                w, p = map(int, self.tool("mem", pid).split())
                ws[key].append(w)
                priv[key].append(p)
                self.close(window, proc)
        kib = 1024
        self.row("idle private bytes (KiB)", median(priv["k"]) / kib, median(priv["b"]) / kib, 1.25, "low", "KiB",
                 (min(priv["k"]) / kib, max(priv["k"]) / kib))
        self.row("idle working set (KiB)", median(ws["k"]) / kib, median(ws["b"]) / kib, None, "low", "KiB",
                 (min(ws["k"]) / kib, max(ws["k"]) / kib))
        # Beside it, against the baseline that also loads Kestrava's system DLLs and initialises COM.
        self.row("idle private bytes, baseline with DLLs and COM (KiB)", median(priv["k"]) / kib,
                 median(priv["d"]) / kib, 1.25, "low", "KiB", (min(priv["k"]) / kib, max(priv["k"]) / kib))
        self.notes.append("baseline private bytes spread: %.0f-%.0f KiB; working set %.0f-%.0f KiB" % (
            min(priv["b"]) / kib, max(priv["b"]) / kib, min(ws["b"]) / kib, max(ws["b"]) / kib))
        self.notes.append("baseline that also loads Kestrava's system DLLs and initialises COM: private bytes "
                          "spread %.0f-%.0f KiB, working set %.0f KiB" % (
                              min(priv["d"]) / kib, max(priv["d"]) / kib, median(ws["d"]) / kib))

    # --- (b) start-up ----------------------------------------------------------
    def startup(self):
        folder = self.install("startup")
        times = {"k": [], "b": [], "d": []}
        for _ in range(self.runs):
            for key, exe, cls, args in (("k", "Kestrava.exe", "CQuindleTaskBarApplet", ()),
                                        ("b", "baseline_tray.exe", "KestravaBaselineTray", ()),
                                        ("d", "baseline_tray.exe", "KestravaBaselineTray", ("dlls",))):
                times[key].append(float(self.tool("startup", cls, self.rig.winpath(folder / exe), *args)))
        self.row("start-up to tray icon (ms)", median(times["k"]), median(times["b"]), 1.5, "low", "ms",
                 (min(times["k"]), max(times["k"])))
        self.notes.append("start-up baseline spread: %.1f-%.1f ms" % (min(times["b"]), max(times["b"])))
        self.notes.append("start-up of the baseline that also loads Kestrava's system DLLs and initialises COM: "
                          "%.1f ms (%.1f-%.1f); Kestrava / it = %.2f" % (
                              median(times["d"]), min(times["d"]), max(times["d"]),
                              median(times["k"]) / median(times["d"])))
        self.notes.append("start-up is timed from CreateProcess to the icon's pixels in the empty tray slot, polled "
                          "from the screen; Kestrava installs its hook before it adds the icon")

    # --- (c) hot key to launch, typing cost -------------------------------------
    def start_sink(self, log):
        log.unlink(missing_ok=True)
        proc = self.rig.start(self.bin / "keysink.exe", self.rig.winpath(log))
        deadline = time.time() + 20
        while "ready" not in (log.read_text() if log.exists() else ""):
            if time.time() > deadline:
                raise RuntimeError("key sink did not start")
            time.sleep(0.1)
        time.sleep(0.5)
        self.rig.focus_desktop()
        return proc

    def press_win_w(self, keyboard):
        """Win down, then W: the time is taken right before W goes to the X server."""
        keyboard.event("Super_L", True)
        time.sleep(0.05)
        t0 = now_qpc()
        keyboard.event("w", True)
        time.sleep(0.03)
        keyboard.event("w", False)
        keyboard.event("Super_L", False)
        return t0

    def latencies(self, keyboard, stamp_log, count):
        result = []
        for _ in range(count):
            before = len(stamp_log.read_text().split()) if stamp_log.exists() else 0
            self.rig.focus_desktop()
            t0 = self.press_win_w(keyboard)
            deadline = time.time() + 10
            while True:
                stamps = stamp_log.read_text().split() if stamp_log.exists() else []
                if len(stamps) > before:
                    result.append((int(stamps[before]) - t0) / 10000.0)
                    break
                if time.time() > deadline:
                    result.append(None)
                    break
                time.sleep(0.02)
            time.sleep(0.3)
        return result

    def hotkey(self):
        folder = self.install("hotkey")
        stamp_log = folder / "stamp.log"
        sink_log = self.work / "sink-hotkey.log"
        keyboard = Keyboard(self.rig.display)
        sink = self.start_sink(sink_log)
        try:
            kestrava = self.rig.start(folder / "Kestrava.exe")
            window, _ = self.pid_of("CQuindleTaskBarApplet", "Kestrava")
            time.sleep(1.0)
            self.latencies(keyboard, stamp_log, 1)  # warm-up: first shell use loads its DLLs
            ours = self.latencies(keyboard, stamp_log, self.runs)
            self.close(window, kestrava)
            raised = self.raise_latencies(keyboard)

            launcher_log = self.work / "launcher.log"
            launcher = self.rig.start(folder / "baseline_launcher.exe", self.rig.winpath(launcher_log),
                                      self.rig.winpath(folder / "stamp.exe"))
            deadline = time.time() + 20
            while "registered" not in (launcher_log.read_text() if launcher_log.exists() else ""):
                if time.time() > deadline:
                    raise RuntimeError("baseline launcher did not start")
                time.sleep(0.1)
            registered = "registered 1" in launcher_log.read_text()
            self.latencies(keyboard, stamp_log, 1)
            base = self.latencies(keyboard, stamp_log, self.runs)
            launcher.kill()
            launcher.wait(10)
            got = [v for v in ours if v is not None]
            got_base = [v for v in base if v is not None]
            self.notes.append(f"RegisterHotKey(MOD_WIN, 'W') under Wine: registered={int(registered)}, "
                              f"{len(got_base)}/{len(base)} presses launched")
            if not got_base:
                self.notes.append("baseline launcher never fired: no hot-key ratio")
            self.row("Win+W to launched program (ms)", median(got) if got else None,
                     median(got_base) if got_base else None, 1.1, "low", "ms",
                     (min(got), max(got)) if got else None)
            if len(got) != len(ours):
                self.notes.append(f"Kestrava launched {len(got)} of {len(ours)} presses")
            self.row("Win+W raising it when it runs (ms)", median(raised) if raised else None,
                     median(got) if got else None, 1.0, "low", "ms", (min(raised), max(raised)) if raised else None)
            self.notes.append("the raise row's baseline is Kestrava's own launch of W (the row above); "
                              f"{len(raised)} of {self.runs} presses raised the running program")
            self.notes.append("hot key baseline spread: " + (
                "%.1f-%.1f ms" % (min(got_base), max(got_base)) if got_base else "n/a"))

            # Typing: letters as fast as XTest takes them, into the sink, with no
            # hook, with the program's hook installed, and with a hook library
            # that only calls CallNextHookEx (the floor any keyboard hook can reach).
            rates = {"without": [], "with": [], "floor": []}
            for _ in range(self.runs):
                for mode in ("without", "with", "floor"):
                    proc = window = None
                    if mode == "with":
                        proc = self.rig.start(folder / "Kestrava.exe")
                        window, _ = self.pid_of("CQuindleTaskBarApplet", "Kestrava")
                        time.sleep(1.0)
                    elif mode == "floor":
                        proc = self.rig.start(folder / "baseline_tray.exe", "hook")
                        window, _ = self.pid_of("KestravaBaselineTray")
                        time.sleep(1.0)
                    rates[mode].append(self.typing_rate(keyboard, sink_log))
                    if proc is not None:
                        self.close(window, proc)
            self.row("typing rate with hook (keys/s)", median(rates["with"]), median(rates["without"]), 0.95, "high",
                     "keys/s", (min(rates["with"]), max(rates["with"])))
            self.row("typing rate, baseline hook library (keys/s)", median(rates["with"]), median(rates["floor"]),
                     0.95, "high", "keys/s", (min(rates["with"]), max(rates["with"])))
            self.notes.append("typing without hook spread: %.0f-%.0f keys/s; with the hook library that only "
                              "calls CallNextHookEx: %.0f-%.0f keys/s" % (
                                  min(rates["without"]), max(rates["without"]), min(rates["floor"]),
                                  max(rates["floor"])))
        finally:
            keyboard.close()
            self.rig.stop(sink)

    def raise_latencies(self, keyboard):
        """W with the choice on, its program (a copy of the key sink) running
        behind the sink: from the press to the program's activation."""
        sink = self.rig.find_window("KestravaBenchKeySink", "Key Sink")
        folder = self.install("raise")
        shutil.copy(self.bin / "keysink.exe", folder / "raisetarget.exe")
        import datafile
        datafile.write_table(folder / "Kestrava.dat", {"W": (self.rig.winpath(folder / "raisetarget.exe"), "", "", True)})
        log = folder / "raisetarget.log"
        target = self.rig.start(folder / "raisetarget.exe", self.rig.winpath(log))
        deadline = time.time() + 20
        while "ready" not in (log.read_text() if log.exists() else ""):
            if time.time() > deadline:
                raise RuntimeError("the program to raise did not start")
            time.sleep(0.1)
        target_window = next(int(h, 16) for h in self.rig.wintool("findall", "KestravaBenchKeySink", "").split()
                             if int(h, 16) != sink)
        kestrava = self.rig.start(folder / "Kestrava.exe")
        window, _ = self.pid_of("CQuindleTaskBarApplet", "Kestrava")
        time.sleep(1.0)
        result = []
        for i in range(self.runs + 1):  # the first a warm-up
            self.rig.wintool("front", f"{sink:x}")
            time.sleep(0.3)
            self.rig.focus_desktop()
            before = log.read_text().count("active")
            t0 = self.press_win_w(keyboard)
            deadline = time.time() + 10
            while log.read_text().count("active") == before and time.time() < deadline:
                time.sleep(0.02)
            stamps = [int(line.split()[1]) for line in log.read_text().splitlines() if line.startswith("active")]
            if len(stamps) > before and i > 0:
                result.append((stamps[before] - t0) / 10000.0)
        self.close(window, kestrava)
        self.close(target_window, target)
        self.rig.wintool("front", f"{sink:x}")
        return result

    def typing_rate(self, keyboard, sink_log, count=400):
        self.rig.focus_desktop()
        lines_before = len(sink_log.read_text().splitlines())
        letters = "abcdefghijklmnopqrstuvwxyz"
        t0 = now_qpc()
        for i in range(count):
            name = letters[i % 26]
            keyboard.event(name, True, flush=False)
            keyboard.event(name, False, flush=False)
        keyboard.event("F12", True, flush=False)
        keyboard.event("F12", False)
        keyboard.sync()
        deadline = time.time() + 60
        while True:
            lines = sink_log.read_text().splitlines()
            rounds = [line for line in lines[lines_before:] if not line.startswith("active")]
            if rounds:
                got, _first, last = map(int, rounds[0].split())
                break
            if time.time() > deadline:
                raise RuntimeError("typed keys never arrived")
            time.sleep(0.05)
        if got != count:
            self.notes.append(f"typing: {got} of {count} keys arrived")
        time.sleep(0.3)
        return got / ((last - t0) / 1e7)

    # --- (e) cost of a keystroke with each hook ---------------------------------
    def keystroke(self):
        """Microseconds from SendInput to WM_KEYDOWN in the sending program's own window,
        with no hook, with the hook library, and with both the library and the
        low-level hook (Kestrava's W held by another program). No goal: under Wine
        a low-level hook is a round trip to the process that installed it."""
        folder = self.install("keystroke")
        held_log = self.work / "holder.log"
        figures = {"none": [], "library": [], "both": []}
        self.tool("keystroke", 300)  # warm-up: a fresh desktop is still busy with itself
        for _ in range(self.runs):
            for mode in figures:
                holder = kestrava = window = None
                if mode == "both":
                    holder = self.start_holder(held_log)
                if mode != "none":
                    kestrava = self.rig.start(folder / "Kestrava.exe")
                    window, _ = self.pid_of("CQuindleTaskBarApplet", "Kestrava")
                    time.sleep(1.0)
                figures[mode].append(tuple(map(float, self.tool("keystroke", 300).split())))
                if mode == "both" and not figures["both"][1:]:
                    # Once: the held Win + W must reach Kestrava, not its holder.
                    self.rig.focus_desktop()
                    self.rig.xdotool("key", "super+w")
                    time.sleep(1.0)
                    if "hotkey W" in held_log.read_text():
                        self.notes.append("keystroke: Win + W reached its holder; the low-level hook was not in place")
                if kestrava is not None:
                    self.close(window, kestrava)
                if holder is not None:
                    self.rig.stop(holder)
        names = {"none": "no hook", "library": "hook library", "both": "hook library + low-level hook"}
        for mode, runs in figures.items():
            medians = [m for m, _, _ in runs]
            self.row(f"keystroke, {names[mode]} (us)", median(medians), None, None, "low", "us",
                     (min(medians), max(medians)))
        self.notes.append("keystroke: SendInput of Q to WM_KEYDOWN in the same program's window, median of 300 "
                          "strokes per run; least and most single strokes: " + ", ".join(
                              "%s %.0f-%.0f us" % (names[m], min(r[1] for r in runs), max(r[2] for r in runs))
                              for m, runs in figures.items()))

    def wakeups(self):
        """Seconds of a minute in which any thread of an idle tray program woke (Linux's
        context-switch counts of the process under Wine): Kestrava with a letter assigned
        and none held, beside the minimal tray program; then with the letter held, when the
        low-level hook and its once-a-minute reinstall are in. One run: it takes minutes."""
        import datafile
        folder = self.install("wakeups")
        datafile.write_table(folder / "Kestrava.dat", {"W": (self.rig.winpath(folder / "stamp.exe"), "", "")})

        def switches(pid):
            total = 0
            for status in Path(f"/proc/{pid}/task").glob("*/status"):
                for line in status.read_text().splitlines():
                    if "ctxt_switches:" in line:
                        total += int(line.split()[1])
            return total

        def busy_seconds(pids, seconds=60):
            last = [switches(pid) for pid in pids]
            busy = [0] * len(pids)
            for _ in range(seconds):
                time.sleep(1)
                now = [switches(pid) for pid in pids]
                busy = [b + (n != l) for b, n, l in zip(busy, now, last)]
                last = now
            return busy

        kestrava = self.rig.start(folder / "Kestrava.exe")
        window, _ = self.pid_of("CQuindleTaskBarApplet", "Kestrava")
        baseline = self.rig.start(folder / "baseline_tray.exe")
        base_window, _ = self.pid_of("KestravaBaselineTray")
        time.sleep(32)  # past the checks for held letters 5 and 30 s after start-up
        idle, base = busy_seconds([kestrava.pid, baseline.pid])
        self.row("idle wake-ups per minute, no letter held", idle, base, None, "low", "")

        held_log = self.work / "wakeups-holder.log"
        holder = self.start_holder(held_log)
        # The taskbar's restart message makes Kestrava check at once, and 5 and 30 s later.
        self.rig.wintool("send", f"{window:x}", self.rig.wintool("message", "TaskbarCreated"), 0, 0)
        time.sleep(32)
        held, base = busy_seconds([kestrava.pid, baseline.pid], 65)
        self.row("idle wake-ups per 65 s, a letter held", held, base, None, "low", "")
        self.notes.append("wake-ups: seconds in which the process's context-switch count grew, "
                          "after the checks at start-up; the held letter's low-level hook is installed "
                          "afresh every 60 s")
        self.rig.stop(holder)
        self.close(base_window, baseline)
        self.close(window, kestrava)

    # --- (d) the data file -----------------------------------------------------
    def datafile(self):
        out = self.rig.run(self.bin / "storebench.exe", self.rig.winpath(self.work), self.runs, timeout=600).stdout
        results = []
        for line in out.splitlines():
            length, size, lmed, lmin, lmax, smed, smin, smax = line.split()
            results.append((int(length), int(size), float(lmed), float(lmin), float(lmax),
                            float(smed), float(smin), float(smax)))
        self.store = results

    # --- output ------------------------------------------------------------------
    def print(self):
        def fmt(v, digits=1):
            if v is None:
                return "n/a"
            if isinstance(v, float):
                return f"{v:.{digits}f}"
            return str(v)

        header = ("metric", "Kestrava", "baseline", "ratio", "spread (min-max)", "goal", "met")
        lines = []
        for metric, ours, base, ratio, spread, goal, better, met, unit in self.rows:
            goal_text = "-" if goal is None else (f"<= {goal}x" if better == "low" else f">= {goal}x")
            if goal is None:
                met = "-"
            spread_text = "-" if spread is None else f"{fmt(spread[0])}-{fmt(spread[1])}"
            lines.append((metric, fmt(ours), fmt(base), fmt(ratio, 2), spread_text, goal_text, met))
        widths = [max(len(str(r[i])) for r in [header] + lines) for i in range(len(header))]
        print()
        print("  ".join(h.ljust(w) for h, w in zip(header, widths)))
        print("  ".join("-" * w for w in widths))
        for r in lines:
            print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)))
        print()
        print("data file (CHotKeyTable, %d runs each; median and min-max in ms):" % self.runs)
        print("  value chars  file bytes   load ms (min-max)          save ms (min-max)          load ms/MB  save ms/MB")
        for length, size, lmed, lmin, lmax, smed, smin, smax in getattr(self, "store", []):
            mb = size / 1e6
            per = ("%10.2f  %10.2f" % (lmed / mb, smed / mb)) if length >= 15000 else "%10s  %10s" % ("-", "-")
            print("  %11d  %10d  %8.3f (%.3f-%.3f)  %8.3f (%.3f-%.3f)  %s" % (
                length, size, lmed, lmin, lmax, smed, smin, smax, per))
        big = [r for r in getattr(self, "store", []) if r[0] >= 60000]
        if len(big) >= 2:
            a, b = big[0], big[-1]
            print("  growth from %d to %d characters (x%.1f bytes): load x%.2f, save x%.2f" % (
                a[0], b[0], b[1] / a[1], b[2] / a[2], b[5] / a[5]))
        print()
        for note in self.notes:
            print("note:", note)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=str(SOURCE / "build" / "x86"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--only", default="footprint,startup,hotkey,keystroke,wakeups,datafile")
    args = parser.parse_args()
    build = Path(args.build).resolve()
    subprocess.run(["cmake", "--build", str(build), "--target", "bench", "-j2"], check=True,
                   stdout=subprocess.DEVNULL)
    # The tree's compiler says which Windows it builds for.
    arch = "x64" if "x86_64-w64-mingw32" in (build / "CMakeCache.txt").read_text() else "x86"
    os.environ.update(KESTRAVA_RIG=str(build / "bench-rig"), KESTRAVA_BIN=str(build), KESTRAVA_SOURCE=str(SOURCE),
                      KESTRAVA_ARCH=arch)
    import rig as rigmodule
    rigmodule.setup()
    try:
        bench = Bench(build, args.runs, arch)
        cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")),
                   "?")
        print(f"machine: {os.cpu_count()} CPUs, {cpu}; {args.runs} runs per figure")
        print(f"build: {arch} ({build}), in a {'64' if arch == 'x64' else '32'}-bit Wine prefix")
        for part in args.only.split(","):
            print(f"measuring {part} ...", flush=True)
            getattr(bench, part)()
        bench.print()
    finally:
        rigmodule.cleanup(quiet=True)


if __name__ == "__main__":
    main()
