#!/usr/bin/env python3
"""Win + letters that another program holds as system hot keys (as Windows'
shell does): Kestrava takes the ones the user assigned with its low-level
hook, says so in the editor, gives them back when they are free again, keeps
them across a resume from sleep, and leaves them to their holder after Stop."""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import main, wait_until  # noqa: E402
from kestrava import KestravaTest, WM_CLOSE  # noqa: E402

WM_COMMAND, WM_LBUTTONDBLCLK, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x111, 0x203, 0x218, 0x12
EDITOR_TITLE, ID_HINT, ID_CLOSE = "Kestrava - Edit Keys", 1038, 2
MASKING_DOWN = "ll down e8 4b535456"  # the masking stroke, marked as Kestrava's own


class ReservedLettersTest(KestravaTest):
    def start_holder(self, name, letters=""):
        log = self.scratch / f"{name}.log"
        proc = self.rig.start(self.rig.bin / "bin" / "holder.exe", self.rig.winpath(log), letters)
        self.assertTrue(wait_until(lambda: "ready" in self.read(log), 20), f"{name} did not start")
        self.assertIn("watching 1", self.read(log))
        for letter in letters:
            self.assertIn(f"held {letter} 1", self.read(log))
        return proc, log

    def launches(self):
        return [launch[2] for launch in self.recorded()]

    def press_s(self, count):
        """Win + S, and waits for the launch it must bring."""
        self.click_probe()
        self.rig.keys("super+s")
        self.assertTrue(wait_until(lambda: self.launches().count("s") == count, 15), self.launches())
        self.settle()

    def assertHint(self, editor, letter, expected):
        self.rig.wintool("post", f"{editor:x}", WM_COMMAND, 1000 + ord(letter) - ord("A"), 0)
        hint = next(line.split("\t")[0] for line in self.rig.wintool("children", f"{editor:x}").splitlines()
                    if line.split("\t")[1] == str(ID_HINT))
        text = lambda: self.rig.wintool("text", hint)  # noqa: E731
        self.assertTrue(wait_until(lambda: text() == expected, 5), text())

    def test_held_letters_are_taken_while_held_and_given_back_at_stop(self):
        self.write_table({letter: (self.recorder, letter.lower(), "") for letter in "SEW"})
        holder, held_log = self.start_holder("holder", "SE")
        self.start_probe()
        kestrava = self.start_kestrava()
        started = time.time()
        hidden = self.hidden_window()

        # Held S, held past the X server's auto-repeat delay: taken, launched once, the holder
        # hears nothing but the masking stroke (no repeat and no release of S gets through).
        self.click_probe()
        for key in ("super", "s"):
            self.rig.xdotool("keydown", key)
        time.sleep(1.5)
        for key in ("s", "super"):
            self.rig.xdotool("keyup", key)
        self.assertTrue(wait_until(lambda: "s" in self.launches(), 15), self.launches())
        self.settle()
        self.rig.keys("super+e", "super+w")
        self.assertTrue(wait_until(lambda: "hotkey E" in self.read(held_log), 15), "E did not reach its holder")
        self.assertTrue(wait_until(lambda: "w" in self.launches(), 15), "W did not launch")
        self.settle()
        time.sleep(0.5)
        self.assertEqual(self.launches(), ["s", "w"])
        log = self.read(held_log)
        self.assertNotIn("hotkey S", log)
        self.assertNotRegex(log, "ll (down|up) 53", "S passed Kestrava's low-level hook")
        self.assertIn(MASKING_DOWN, log)
        self.assertIn("ll down 57", log, "W did not pass the low-level hook")
        self.assertNotIn("down 53", self.read(self.probe_log))

        # The editor says so; its close probes again, after the holder is gone.
        message = int(self.rig.wintool("message", "CQuindleTaskBarAppletMessage"))
        self.rig.wintool("post", f"{hidden:x}", message, 0, WM_LBUTTONDBLCLK)
        editor = self.rig.find_window("#32770", EDITOR_TITLE, 15)
        self.assertNotEqual(editor, 0, "the editor did not open")
        self.assertHint(editor, "L", "Windows keeps Win + L for itself.")
        self.assertHint(editor, "W", "Settings will take effect when you Save && Close.")
        self.assertHint(editor, "S", "Windows also uses Win + S: Kestrava takes it.")
        self.rig.screenshot("editor-held-letter")
        self.rig.wintool("post", f"{self.rig.find_window('KestravaHolder'):x}", WM_CLOSE, 0, 0)
        self.assertEqual(self.rig.wait_exit(holder, 15), 0)
        self.rig.wintool("command", f"{editor:x}", ID_CLOSE)
        self.assertTrue(wait_until(lambda: self.rig.find_window("#32770", EDITOR_TITLE, 0) == 0, 10))

        # Free again: S goes through the hook library, past a newer watcher, with no masking stroke.
        watcher, watch_log = self.start_holder("watcher")
        self.press_s(2)
        self.assertIn("ll down 53", self.read(watch_log))
        self.assertNotIn("ll down e8", self.read(watch_log), "the low-level hook still takes S")
        self.rig.stop(watcher)

        # Held again, found by the probe on "TaskbarCreated". A resume from sleep installs the hook
        # afresh: it is then called before a watcher that came after the first install.
        time.sleep(max(0.0, started + 6 - time.time()))  # past the probe 5 s after start-up, which would mend it
        holder, held_log = self.start_holder("holder-again", "S")
        self.rig.wintool("send", f"{hidden:x}", self.rig.wintool("message", "TaskbarCreated"), 0, 0)
        watcher, watch_log = self.start_holder("watcher-again")
        self.rig.wintool("send", f"{hidden:x}", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0)
        self.press_s(3)
        self.assertNotIn("hotkey S", self.read(held_log))
        self.assertIn(MASKING_DOWN, self.read(held_log))
        self.assertNotIn("ll down 53", self.read(watch_log), "the hook was not installed afresh")
        self.rig.stop(watcher)

        # Stop ends the key thread and its hooks (waiting for it), and S is the holder's again.
        x, y = self.rig.tray_icon_point(0)
        self.rig.click(x, y, button=3)
        menu = self.rig.find_window("#32768", "")
        self.assertNotEqual(menu, 0, "no menu")
        left, top, right, bottom = map(int, self.rig.wintool("rect", f"{menu:x}").split())
        stopped = time.time()
        self.rig.click((left + right) // 2, top + (bottom - top) * 3 // 4)
        self.assertEqual(self.rig.wait_exit(kestrava, 20), 0)
        self.assertLess(time.time() - stopped, 4.0, "Stop waited for a key thread that did not end")
        self.rig.keys("super+s")
        self.assertTrue(wait_until(lambda: "hotkey S" in self.read(held_log), 15), "S did not reach its holder")
        self.assertEqual(self.launches().count("s"), 3)


if __name__ == "__main__":
    main()
