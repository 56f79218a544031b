#!/usr/bin/env python3
"""The keyboard hook under Wine with real X key presses: what is posted to the
applet's hidden window and what still reaches the program that has the focus.
Which keys and modifiers post is swept in test_faults.py (KeySweepTest); here
a held key, a program that peeks, and removing and installing the hook."""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402

WM_APP = 0x8000


class HookTest(DesktopTest):
    def setUp(self):
        super().setUp()
        self.probe_log = self.scratch / "probe.log"
        self.applet_log = self.scratch / "applet.log"
        self.start_probe()
        self.applet = self.rig.start(self.rig.bin / "bin" / "testapplet.exe", self.rig.winpath(self.applet_log))
        self.assertTrue(wait_until(lambda: "install 1" in self.lines(self.applet_log), 20), self.read(self.applet_log))
        self.hidden = self.rig.find_window("CQuindleTaskBarApplet", "Kestrava")
        self.assertNotEqual(self.hidden, 0)

    def start_probe(self, *flags):
        self.probe = self.rig.start(self.rig.bin / "bin" / "keyprobe.exe", *flags, self.rig.winpath(self.probe_log))
        self.assertTrue(wait_until(lambda: "ready" in self.read(self.probe_log), 20), "key probe did not start")
        self.assertTrue(wait_until(lambda: "Key Probe" in self.rig.wintool("foreground"), 10), "probe not in front")

    @staticmethod
    def read(path):
        try:
            return path.read_text()
        except OSError:
            return ""

    def lines(self, path):
        return self.read(path).splitlines()

    def posted(self):
        """Codes posted to the applet, leaving out the Windows keys' own down
        strokes, which are posted whenever the key is already down as its
        stroke passes the hook."""
        lines = self.read(self.applet_log).splitlines()
        return [line.split()[1] for line in lines if line.startswith("key ") and line.split()[1] not in ("5b", "5c")]

    def probe_downs(self):
        return [line.split()[1] for line in self.read(self.probe_log).splitlines() if line.startswith("down ")]

    def settle(self):
        # Everything typed so far has been delivered once a marker key arrives at the probe.
        before = self.probe_downs().count("7a")
        self.rig.keys("F11")
        self.assertTrue(wait_until(lambda: self.probe_downs().count("7a") > before, 10), "marker key lost")

    def control(self, offset, expected, wparam=0):
        """Posts a control message to the applet and waits for one more log line `expected`."""
        before = self.lines(self.applet_log).count(expected)
        self.rig.wintool("post", f"{self.hidden:x}", WM_APP + offset, wparam, 0)
        self.assertTrue(wait_until(lambda: self.lines(self.applet_log).count(expected) > before, 10),
                        self.read(self.applet_log))

    def test_holding_the_key_posts_once(self):
        self.rig.focus_desktop()
        self.rig.xdotool("keydown", "super")
        self.rig.xdotool("keydown", "e")
        time.sleep(1.5)  # past the X server's auto-repeat delay
        self.rig.xdotool("keyup", "e")
        self.rig.xdotool("keyup", "super")
        self.settle()
        self.assertEqual(self.posted(), ["45"])
        # The key-stroke flags travel unchanged: a first down stroke has bits 30 and 31 clear.
        flags = [line.split()[2] for line in self.read(self.applet_log).splitlines() if line.startswith("key 45")]
        self.assertTrue(flags and all(int(f, 16) & 0xC0000000 == 0 for f in flags), flags)
        # The repeats pass on to the window, marked as repeats.
        repeats = [line for line in self.read(self.probe_log).splitlines() if line.startswith("down 45")]
        self.assertGreater(len(repeats), 3, self.read(self.probe_log))
        self.assertTrue(all(int(line.split()[2], 16) & 0x40000000 for line in repeats))

    def test_a_program_that_peeks_first(self):
        # Its peek calls the hook with HC_NOREMOVE, which never counts: the key
        # stays for the peek, and only taking it posts and swallows it.
        self.rig.stop(self.probe)
        self.start_probe("--peek")
        self.rig.focus_desktop()
        # One key at a time: a swallowed key lets the same take go on to the next.
        self.rig.xdotool("keydown", "super")
        self.assertTrue(wait_until(lambda: "key 5b" in self.read(self.applet_log), 10), self.read(self.applet_log))
        self.rig.xdotool("keydown", "e")
        self.assertTrue(wait_until(lambda: "45" in self.posted(), 10), self.read(self.applet_log))
        self.rig.xdotool("keyup", "e")
        self.rig.xdotool("keyup", "super")
        self.settle()
        self.assertEqual(self.posted(), ["45"])
        self.assertIn("peek 45", self.read(self.probe_log))
        self.assertNotIn("45", self.probe_downs())

    def test_uninstall_and_null_target(self):
        # A null target changes nothing, not even while the hook is installed.
        self.control(51, "install-null 0")
        self.rig.keys("super+e")
        self.settle()
        self.assertEqual(self.posted(), ["45"], "InstallKbHook(NULL) must leave the hook posting")
        self.control(50, "uninstall 1")
        self.rig.keys("super+e")
        self.settle()
        self.assertEqual(self.posted(), ["45"])
        self.assertIn("45", self.probe_downs())
        self.control(50, "uninstall 0")
        self.control(51, "install-null 0")
        self.rig.keys("super+e")
        self.settle()
        self.assertEqual(self.posted(), ["45"], "InstallKbHook(NULL) must install nothing")
        # Installed again, the same program gets its keys once more.
        self.control(52, "install 1")
        self.rig.keys("super+r")
        self.settle()
        self.assertEqual(self.posted(), ["45", "52"])

    def test_a_window_of_another_class_is_never_posted_to(self):
        # Users who run Kestrava from one folder share the slot: a handle from another
        # session names some other window here, or none.
        self.control(53, "install-other 1", self.rig.find_window("KestravaKeyProbe", "Key Probe"))
        self.rig.keys("super+e")
        self.settle()
        self.assertIn("45", self.probe_downs())


if __name__ == "__main__":
    main()
