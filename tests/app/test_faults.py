#!/usr/bin/env python3
"""Bad input and faults: data files that are cut short, huge, a directory,
locked or read-only; commands that are long, quoted, hold "%1", blanks or
characters above 127; and every key with every modifier through the hook.

KESTRAVA_SOAK=full starts the program on more cut files; every byte offset
is checked in any case through the store library (bench/storebench.exe)."""
import os
import stat
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402
from kestrava import KestravaTest  # noqa: E402
from rig import Rig, create_prefix, start_desktop  # noqa: E402
import datafile  # noqa: E402

FULL = os.environ.get("KESTRAVA_SOAK") == "full"
WM_KBHOOK_KEY = 0x8002
WM_APP = 0x8000
WM_LBUTTONDBLCLK = 0x0203
EDITOR_TITLE = "Kestrava - Edit Keys"
END_OF_FILE = ("An attempt was made to access ", " past its end.")


def full_table(recorder):
    """A real 78-key table: every letter with a command, arguments and a directory."""
    entries = {letter: (f"C:\\Programs\\{letter} tool\\{letter.lower()}.exe", f"--{letter.lower()} \"x y\"",
                        f"C:\\Work\\{letter}") for letter in datafile.LETTERS}
    entries["W"] = (recorder, "w", "")
    return entries


class DataFileFaultTest(KestravaTest):
    def benchtool(self, *args, timeout=60):
        return self.rig.run(self.rig.bin / "bin" / "benchtool.exe", *args, timeout=timeout).stdout.strip()

    @property
    def data(self):
        return self.folder / "Kestrava.dat"

    def running_and_quiet(self, proc):
        """The program runs, shows its icon and no box, and a hot key still works."""
        self.assertTrue(wait_until(self.icon_shown, 20), "no tray icon")
        self.assertEqual(self.boxes(), [])
        self.assertIsNone(proc.poll())

    def open_and_save(self, save=True):
        """Save && Close in an editor opened by a double-click on the icon."""
        hidden = self.hidden_window()
        message = int(self.rig.wintool("message", "CQuindleTaskBarAppletMessage"))
        self.rig.wintool("post", f"{hidden:x}", message, 0, WM_LBUTTONDBLCLK)
        editor = self.rig.find_window("#32770", EDITOR_TITLE, 15)
        self.assertNotEqual(editor, 0, "the editor did not open")
        if save:
            self.rig.wintool("command", f"{editor:x}", 1)
        return editor

    def test_every_cut_of_a_real_file_reports_once_and_keeps_only_whole_values(self):
        self.write_table(full_table(self.recorder))
        out = self.rig.run(self.rig.bin / "bin" / "storebench.exe", "truncate", self.rig.winpath(self.data),
                           self.rig.winpath(self.scratch), timeout=300, check=False)
        lines = out.stdout.splitlines()
        self.assertEqual(out.returncode, 0, out.stdout[-2000:])
        size = len(self.data.read_bytes())
        self.assertIn(f"offsets {size} violations 0", lines)
        reports = [line[len("report "):] for line in lines if line.startswith("report ")]
        self.assertTrue(reports and all(r.startswith(END_OF_FILE[0]) and r.endswith(END_OF_FILE[1])
                                        for r in reports), reports)

    def test_the_program_starts_on_cut_files_with_one_report(self):
        whole = datafile.table_bytes(full_table(self.recorder))
        offsets = sorted({0, 1, 7, 8, 9, 10, 11, len(whole) // 2, len(whole) - 1}
                         | (set(range(0, len(whole), 97)) if FULL else set()))
        for offset in offsets:
            with self.subTest(offset=offset):
                self.data.write_bytes(whole[:offset])
                proc = self.start_kestrava(wait_icon=False)
                boxes = self.wait_box(20)
                self.assertEqual(len(boxes), 1, boxes)
                text = boxes[0][2]
                self.assertTrue(text.startswith(END_OF_FILE[0]) and text.endswith(END_OF_FILE[1]), text)
                self.dismiss(boxes[0])
                self.running_and_quiet(proc)
                self.rig.stop_all()
                self.assertTrue(wait_until(lambda: not self.icon_shown(), 10))

    def test_a_100_mb_value_starts_and_the_other_entries_work(self):
        pairs = [(b"A.Target", b"x" * (100 << 20)), (b"W.Target", self.recorder.encode()), (b"W.Args", b"big")]
        self.data.write_bytes(datafile.encode(pairs))
        proc = self.start_kestrava()
        self.running_and_quiet(proc)
        self.rig.wintool("post", f"{self.hidden_window():x}", WM_KBHOOK_KEY, ord("W"), 0)
        self.assertTrue(wait_until(self.recorded, 30), self.boxes())
        self.assertEqual(self.recorded()[0][2:], ["big"])

    def test_a_file_held_at_start_is_read_at_the_next_probe_and_a_failed_reload_keeps_the_keys(self):
        self.write_table(full_table(self.recorder))
        lock_log = self.scratch / "lock.txt"
        lock = lambda: self.rig.start(self.rig.bin / "bin" / "benchtool.exe", "lock",  # noqa: E731
                                      self.rig.winpath(self.data), stdout=open(lock_log, "w"))
        locker = lock()
        self.assertTrue(wait_until(lambda: "locked" in self.read(lock_log), 20))
        started = time.time()
        proc = self.start_kestrava()
        self.rig.stop(locker)
        hidden = self.hidden_window()
        time.sleep(max(0.0, started + 6 - time.time()))  # past the probe 5 s after start-up
        self.rig.wintool("post", f"{hidden:x}", WM_KBHOOK_KEY, ord("W"), 0)
        self.assertTrue(wait_until(self.recorded, 15), "the file was not read again")
        # Held again while the editor is open: its close keeps the keys.
        locker = lock()
        self.assertTrue(wait_until(lambda: self.read(lock_log).count("locked") == 1, 20))
        editor = self.open_and_save(save=False)
        self.dismiss(self.wait_box()[0])
        self.rig.wintool("command", f"{editor:x}", 2)
        self.assertTrue(wait_until(lambda: self.rig.find_window("#32770", EDITOR_TITLE, 0) == 0, 10))
        self.rig.wintool("post", f"{hidden:x}", WM_KBHOOK_KEY, ord("W"), 0)
        self.assertTrue(wait_until(lambda: len(self.recorded()) == 2, 15), "the reload emptied the table")
        self.rig.stop(locker)
        self.running_and_quiet(proc)

    def test_keys_cut_off_between_the_renames_are_taken_back_at_start(self):
        # A power cut between the replace's two renames left no Kestrava.dat.
        datafile.write_table(self.folder / "Kestrava.dat.new", {"W": (self.recorder, "w", "")})
        proc = self.start_kestrava(wait_icon=False)
        boxes = self.wait_box(20)
        self.assertEqual([b[2] for b in boxes], [f"{self.rig.winpath(self.data)} was missing after an interrupted save. "
                                                 f"It was taken back from {self.rig.winpath(self.data)}.new."])
        # Changed while the box is open: the environment was taken before it.
        self.addCleanup(self.rig.run, "reg", "delete", r"HKCU\Environment", "/v", "KESTRAVA_PROBE", "/f", check=False)
        self.rig.run("reg", "add", r"HKCU\Environment", "/v", "KESTRAVA_PROBE", "/d", "during start", "/f")
        self.rig.wintool("settingchange", "Environment")
        self.dismiss(boxes[0])
        self.running_and_quiet(proc)
        self.rig.wintool("post", f"{self.hidden_window():x}", WM_KBHOOK_KEY, ord("W"), 0)
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())
        self.assertEqual(self.read(self.folder / "recorder.env").splitlines(), ["during start"])
        self.assertEqual([p.name for p in self.folder.glob("Kestrava.dat*")], ["Kestrava.dat"])

    def test_a_read_only_file_loads_and_a_failed_save_leaves_it_byte_identical(self):
        entries = full_table(self.recorder)
        self.write_table(entries)
        # Not what the program would write itself: a save that went through would show.
        before = self.data.read_bytes() + b"trailing bytes a save would drop"
        self.data.write_bytes(before)
        os.chmod(self.data, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
        self.addCleanup(os.chmod, self.data, stat.S_IRUSR | stat.S_IWUSR)
        proc = self.start_kestrava()
        self.running_and_quiet(proc)
        self.rig.wintool("post", f"{self.hidden_window():x}", WM_KBHOOK_KEY, ord("W"), 0)
        self.assertTrue(wait_until(self.recorded, 15), "the read-only table did not load")
        self.open_and_save()
        boxes = self.wait_box()
        self.assertEqual(len(boxes), 1, boxes)
        print(f"read-only save: {boxes[0][2]!r}", file=sys.stderr)
        self.dismiss(boxes[0])
        self.assertEqual(self.data.read_bytes(), before)
        self.assertIsNone(proc.poll())


class CommandTest(KestravaTest):
    """What the shell receives is exactly what the entry holds, at any length."""

    def launch(self, letter, command, arguments="", directory=""):
        self.write_table({letter: (command, arguments, directory)})
        if not hasattr(self, "kestrava"):
            self.kestrava = self.start_kestrava()
        self.rig.wintool("post", f"{self.hidden_window():x}", WM_KBHOOK_KEY, ord(letter), 0)

    def reload(self):
        """The program reads its file at start: restart it for a new table."""
        if hasattr(self, "kestrava"):
            self.rig.stop(self.kestrava)
            del self.kestrava
            self.assertTrue(wait_until(lambda: not self.icon_shown(), 10))

    def recorded_cp1252(self):
        try:
            text = (self.folder / "recorder.log").read_bytes().decode("cp1252", errors="replace")
        except OSError:
            return []
        return [line.split("\t") for line in text.splitlines()]

    def test_long_arguments_reach_the_program_whole(self):
        for length in (100, 258, 259, 260, 518, 519, 520, 1000, 8000):
            with self.subTest(length=length):
                self.reload()
                (self.folder / "recorder.log").unlink(missing_ok=True)
                argument = "".join(chr(ord("a") + i % 26) for i in range(length))
                self.launch("L", self.recorder, argument)
                self.assertTrue(wait_until(self.recorded, 20), self.boxes())
                self.assertEqual(self.recorded()[0][2:], [argument])

    def test_quotes_placeholders_blanks_and_ansi_characters(self):
        folder = self.scratch / "Dossier d'été ÿ"
        folder.mkdir()
        (folder / "rec order.exe").write_bytes((self.folder / "recorder.exe").read_bytes())
        command = self.rig.winpath(folder / "rec order.exe")
        # The recorder writes its log beside itself.
        log = folder / "recorder.log"
        arguments = '"two words" %1 "%1" naïve «x» 100% \\"q\\"'
        self.write_table({"Q": (command, arguments, self.rig.winpath(folder))})
        self.start_kestrava()
        self.rig.wintool("post", f"{self.hidden_window():x}", WM_KBHOOK_KEY, ord("Q"), 0)
        self.assertTrue(wait_until(log.exists, 20), self.boxes())
        line = log.read_bytes().decode("utf-8").rstrip("\n").split("\t")
        self.assertEqual(line[2:], ["two words", "%1", "%1", "naïve", "«x»", "100%", '"q"'])
        self.assertEqual(line[1].lower(), self.rig.winpath(folder).lower())
        self.assertEqual(self.boxes(), [])

    def test_the_fallback_starts_519_characters_and_refuses_520(self):
        self.set_registry(r"HKCR\.kvz", None, "KestravaEdge")
        self.set_registry(r"HKCR\KestravaEdge\shell\open\command", None, f"{self.recorder} %1")
        # The buffer: the open command cut at %1 ("recorder "), a blank, the command.
        room = 519 - (len(self.recorder) + 2)
        fits = "C:\\" + "f" * (room - 3 - 4) + ".kvz"
        too_long = "C:\\" + "g" * (room - 3 - 4 + 1) + ".kvz"
        self.assertEqual(len(self.recorder) + 2 + len(fits), 519)
        self.write_table({"F": (fits, "", ""), "G": (too_long, "", "")})
        self.start_kestrava()
        hidden = self.hidden_window()
        self.rig.wintool("post", f"{hidden:x}", WM_KBHOOK_KEY, ord("F"), 0)
        self.assertTrue(wait_until(self.recorded, 20), self.boxes())
        launch = self.recorded()[0]
        self.assertEqual(len(launch[0]), 519)
        self.assertEqual(launch[2:], [fits])
        self.rig.wintool("post", f"{hidden:x}", WM_KBHOOK_KEY, ord("G"), 0)
        boxes = self.wait_box()
        self.assertEqual([b[2] for b in boxes], [too_long + "    WinExec failed: The command line is too long. \n"])
        self.dismiss(boxes[0])
        self.assertEqual(len(self.recorded()), 1, "a cut command line was started")


class KeySweepTest(DesktopTest):
    """Only Win (left or right) alone with a key posts and swallows it."""

    def start_applet(self):
        self.applet_log = self.scratch / "applet.log"
        self.rig.start(self.rig.bin / "bin" / "testapplet.exe", self.rig.winpath(self.applet_log))
        self.assertTrue(wait_until(lambda: "install 1" in KestravaTest.read(self.applet_log), 20))

    def use_own_desktop(self):
        """A fresh prefix and desktop: the shared one takes input more slowly with every
        program a long run has started on it (Wine 8), which thousands of strokes multiply."""
        prefix = self.scratch / "prefix"
        env = dict(self.rig.env, WINEPREFIX=str(prefix))
        create_prefix(env, "sweep")
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        start_desktop(env, self.scratch / "desktop.txt")
        self.rig = Rig(prefix=prefix, desktop="sweep")

    def drain(self):
        """Waits until the applet has handled every key posted to it so far: a control message
        through the same queue (InstallKbHook(NULL), which changes nothing) is logged after them."""
        lines = lambda: KestravaTest.read(self.applet_log).splitlines().count("install-null 0")  # noqa: E731
        before = lines()
        self.rig.wintool("post", f"{self.rig.find_window('CQuindleTaskBarApplet', 'Kestrava'):x}", WM_APP + 51, 0, 0)
        self.assertTrue(wait_until(lambda: lines() > before, 20), "the applet's queue was not drained")

    def posted(self):
        lines = KestravaTest.read(self.applet_log).splitlines()
        return [line.split()[1] for line in lines if line.startswith("key ") and line.split()[1] not in ("5b", "5c")]

    def test_every_key_with_every_modifier_combination(self):
        self.use_own_desktop()
        self.start_applet()
        # SendInput goes through the same queue and WH_KEYBOARD hook as X keys.
        sweep = self.scratch / "sweep.log"
        out = self.rig.run(self.rig.bin / "bin" / "benchtool.exe", "keysweep", self.rig.winpath(sweep), timeout=300)
        print(out.stdout, file=sys.stderr)
        self.assertRegex(out.stdout, r"keys 236 combinations 5664 posts 472 wrong 0")
        expected = [line.split()[1] for line in sweep.read_text().splitlines()]
        self.drain()
        self.assertEqual(self.posted(), expected)

    def test_real_keys_through_x(self):
        self.start_applet()
        probe_log = self.scratch / "probe.log"
        self.rig.start(self.rig.bin / "bin" / "keyprobe.exe", self.rig.winpath(probe_log))
        self.assertTrue(wait_until(lambda: "ready" in KestravaTest.read(probe_log), 20))
        self.assertTrue(wait_until(lambda: "Key Probe" in self.rig.wintool("foreground"), 10))
        posted = {"super+a": "41", "super+z": "5a", "super+0": "30", "super+F12": "7b", "super+space": "20",
                  "super+Return": "0d", "super+Escape": "1b", "super+Left": "25", "super+KP_Add": "6b",
                  "super+bracketleft": "db", "super+Tab": "09", "super+BackSpace": "08"}
        passed = ["super+shift+a", "super+ctrl+a", "super+alt+a", "super+ctrl+shift+z", "ctrl+a", "shift+a", "a",
                  "F5", "ctrl+shift+Left"]
        self.rig.keys(*posted, *passed)
        marker = "down 7a"
        self.rig.keys("F11")
        self.assertTrue(wait_until(lambda: marker in KestravaTest.read(probe_log), 10))
        self.drain()
        self.assertEqual(self.posted(), list(posted.values()))
        downs = [line.split()[1] for line in KestravaTest.read(probe_log).splitlines()
                 if line.split()[0] in ("down", "sysdown")]
        # Only the passed combinations reach the window: six with A, one
        # each with Z and Left.
        for code in posted.values():
            self.assertEqual(downs.count(code), {"41": 6, "5a": 1, "25": 1}.get(code, 0), f"{code}: {downs}")


if __name__ == "__main__":
    main()
