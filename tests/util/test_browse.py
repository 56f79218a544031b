#!/usr/bin/env python3
"""The shell's folder browser: Escape leaves the result string untouched.
That it opens at the given folder, which Return takes, the editor's scenario
shows (test_editor.py, the folder browser at the committed folder)."""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402

INITIAL = r"C:\windows\system32"


class BrowseForFolderTest(DesktopTest):
    def browse(self, key):
        out = self.scratch / "browse.txt"
        probe = self.rig.start(self.rig.bin / "bin" / "browseprobe.exe", INITIAL, self.rig.winpath(out))
        browser = wait_until(lambda: self.rig.find_window("", "Browse for Folder", timeout=0), 20)
        self.assertNotEqual(browser, 0, "no folder browser")
        time.sleep(1.0)  # let the tree fill and scroll to the selection before the picture
        self.rig.screenshot(f"browse-{key}")
        self.rig.keys(key)
        self.assertEqual(self.rig.wait_exit(probe, 20), 0)
        self.assertTrue(wait_until(out.exists, 5))
        return out.read_text().splitlines()

    def test_escape_returns_false_and_leaves_result(self):
        self.assertEqual(self.browse("Escape"), ["0", "untouched"])


if __name__ == "__main__":
    main()
