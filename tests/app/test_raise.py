#!/usr/bin/env python3
"""Letters whose running program comes to the front, with Wine's notepad:
raised, restored from minimized, one notepad after the other; a letter
without the choice starts another notepad."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import main, wait_until  # noqa: E402
from kestrava import KestravaTest, WM_CLOSE  # noqa: E402

# Wine starts a bare "notepad.exe" from System32; the documented search finds
# the Windows folder's copy first, in Wine another file.
NOTEPAD = r"C:\windows\system32\notepad.exe"
WM_SYSCOMMAND, SC_MINIMIZE, WS_MINIMIZE = 0x112, 0xF020, 0x20000000


class RaiseTest(KestravaTest):
    def notepads(self):
        return [int(h, 16) for h in self.rig.wintool("findall", "Notepad", "").split()]

    def close_notepads(self):
        for window in self.notepads():
            self.rig.wintool("post", f"{window:x}", WM_CLOSE, 0, 0)
        self.assertTrue(wait_until(lambda: not self.notepads(), 10), "a notepad stays")

    def in_front(self):
        return int(self.rig.wintool("foreground").split("\t")[0] or "0", 16)

    def press(self, letter, count=1, probe=True):
        """Win + letter, from the key probe in front, or the notepad in front for
        another; waits until `count` notepads run."""
        before = None if probe else self.in_front()
        if probe:
            self.rig.wintool("front", f"{self.probe:x}")
            self.assertTrue(wait_until(lambda: self.in_front() == self.probe, 5))
        self.rig.keys(f"super+{letter}")
        self.assertTrue(wait_until(lambda: len(self.notepads()) == count and self.in_front() not in (
            self.probe, before), 15), (self.notepads(), self.in_front()))
        return self.in_front()

    def test_a_running_notepad_comes_to_the_front_restored_and_in_turn(self):
        self.close_notepads()
        self.addCleanup(self.close_notepads)
        self.write_table({"N": (NOTEPAD, "", "", True), "O": (NOTEPAD, "", "")})
        self.start_probe()
        self.probe = self.rig.find_window("", "Key Probe")
        self.start_kestrava()
        first = self.press("n")
        self.assertEqual(self.press("n"), first)  # still one, in front

        self.rig.wintool("post", f"{first:x}", WM_SYSCOMMAND, SC_MINIMIZE, 0)
        minimized = lambda: int(self.rig.wintool("info", f"{first:x}").split("\t")[4], 16) & WS_MINIMIZE  # noqa: E731
        self.assertTrue(wait_until(minimized, 5), "not minimized")
        self.assertEqual(self.press("n"), first)
        self.assertTrue(wait_until(lambda: not minimized(), 5), "still minimized")

        # Without the choice, a second notepad; with it, one after the other, typed into the one in front.
        second = self.press("o", count=2)
        turns = [self.press("n", count=2)] + [self.press("n", count=2, probe=False) for _ in range(3)]
        self.assertEqual(turns, [second, first, second, first])


if __name__ == "__main__":
    main()
