"""Helpers for tests that run the real program: a folder of its own with the
program, the hook library and a data file, the tray icon, message boxes."""
import re
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from e2e import DesktopTest, wait_until  # noqa: E402
import datafile  # noqa: E402

WM_CLOSE = 0x0010
IDOK = 1


def unescape(text):
    """Undoes the test tool's escapes of line breaks, tabs and backslashes."""
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t", "r": "\r"}.get(m.group(1), m.group(1)), text)


class KestravaTest(DesktopTest):
    """Each test gets a folder with Kestrava.exe, Kestrahk.dll and the recorder."""

    def setUp(self):
        super().setUp()
        self.folder = self.scratch / "app"
        self.install(self.folder)
        self.empty_tray = self.rig.tray_pixels("tray-empty")
        self.probe_log = self.scratch / "probe.log"

    def install(self, folder, hook_library=None):
        folder.mkdir(parents=True, exist_ok=True)
        bin_dir = self.rig.bin / "bin"
        shutil.copy(bin_dir / "Kestrava.exe", folder)
        shutil.copy(hook_library or bin_dir / "Kestrahk.dll", folder / "Kestrahk.dll")
        shutil.copy(bin_dir / "recorder.exe", folder)

    @property
    def recorder(self):
        return self.rig.winpath(self.folder / "recorder.exe")

    def write_table(self, entries):
        datafile.write_table(self.folder / "Kestrava.dat", entries)

    def icon_shown(self):
        return self.rig.tray_pixels("tray-now") != self.empty_tray

    def click_probe(self):
        """Brings the key probe to the front the way a user would: a click into it."""
        self.rig.click(200, 150)
        self.assertTrue(wait_until(lambda: "Key Probe" in self.rig.wintool("foreground"), 10), "probe not in front")

    def start_probe(self, *flags):
        probe = self.rig.start(self.rig.bin / "bin" / "keyprobe.exe", *flags, self.rig.winpath(self.probe_log))
        self.assertTrue(wait_until(lambda: "ready" in self.read(self.probe_log), 20), "key probe did not start")
        self.assertTrue(wait_until(lambda: "Key Probe" in self.rig.wintool("foreground"), 10), "probe not in front")
        return probe

    def start_kestrava(self, *args, folder=None, wait_icon=True, trace=None, stderr=None, env=None):
        proc = self.rig.start((folder or self.folder) / "Kestrava.exe", *args, trace=trace, stderr=stderr, env=env)
        if wait_icon:
            self.assertTrue(wait_until(self.icon_shown, 20), "no tray icon")
        return proc

    def hidden_window(self):
        return self.rig.find_window("CQuindleTaskBarApplet", "Kestrava")

    @staticmethod
    def read(path):
        try:
            return Path(path).read_text(errors="replace")
        except OSError:
            return ""

    def recorded(self):
        """One list per launch of the recorder: command line, directory, arguments."""
        return [line.split("\t") for line in self.read(self.folder / "recorder.log").splitlines()]

    # Dialogs of the program that are no message boxes.
    DIALOGS = ("Kestrava - Edit Keys", "About Kestrava", "Browse for Folder",
               "Select application or file to launch when event fires")

    def boxes(self):
        """Message boxes on the desktop: (handle, caption, text, owner)."""
        result = []
        for line in self.rig.wintool("boxes").splitlines():
            fields = line.split("\t")
            if len(fields) >= 5 and fields[2] not in self.DIALOGS:
                text = unescape(fields[3])
                result.append((int(fields[0], 16), fields[2], text, int(fields[4], 16)))
        return result

    def wait_box(self, timeout=15):
        boxes = wait_until(self.boxes, timeout)
        self.assertTrue(boxes, "no message box")
        return boxes

    def dismiss(self, box):
        self.rig.wintool("command", f"{box[0]:x}", IDOK)
        self.assertTrue(wait_until(lambda: all(b[0] != box[0] for b in self.boxes()), 10), "box stays open")

    def settle(self):
        """Waits until every key typed so far has been handled (a marker key reaches the probe)."""
        before = self.read(self.probe_log).count("down 7a")
        self.rig.keys("F11")
        self.assertTrue(wait_until(lambda: self.read(self.probe_log).count("down 7a") > before, 10), "marker lost")
