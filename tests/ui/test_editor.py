#!/usr/bin/env python3
"""The Edit Hot Keys dialog driven with real mouse and keyboard (EditorHost
runs it alone, its data file beside it): letters, fields, saving, closing,
disabled letters, browsing, moving, drops, and the title strip
at 144 DPI (in a prefix of its own)."""
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402
from kestrava import unescape  # noqa: E402
from rig import Rig, _reg_add, create_prefix, pixels, start_desktop  # noqa: E402
import datafile  # noqa: E402

TITLE = "Kestrava - Edit Keys"
COMMAND, ARGUMENTS, START_DIR, BROWSE_DIR, SAVE, CLOSE, ABOUT, STRIP = 1026, 1027, 1028, 1030, 1, 2, 1036, 1035
RAISE, BM_GETCHECK = 1039, 0xF0
DARK_RED, BLUE = (128, 0, 0), (0, 0, 238)
COLOR_HIGHLIGHT, COLOR_BTNSHADOW = 13, 16


def letter_id(letter):
    return 1000 + ord(letter) - ord("A")


class EditorTest(DesktopTest):
    ENTRIES = {
        "A": (r"C:\windows\notepad.exe", "readme.txt", r"C:\windows"),
        "B": ("b.bat", "-b", r"C:\B"),
        "E": ("e.exe", "-e", r"C:\E"),
        "F": ("f.exe", "", ""),
        "M": ("m.exe", "-m", r"C:\M"),
        "R": ("r.exe", "-r", r"C:\R"),
        # A tip to be shown literally and wrapped: no blanks after "Co\\".
        "T": ("C:\\Tools & Co\\" + "\\".join(["LongFolderName"] * 8) + "\\run.exe", "", ""),
    }

    def setUp(self):
        super().setUp()
        self.folder = self.scratch / "host"
        self.folder.mkdir()
        shutil.copy(self.rig.bin / "bin" / "EditorHost.exe", self.folder)
        self.data = self.folder / "Kestrava.dat"
        datafile.write_table(self.data, self.ENTRIES)
        self.original = self.data.read_bytes()

    # --- driving the editor ----------------------------------------------
    def open_editor(self, *args):
        self.proc = self.rig.start(self.folder / "EditorHost.exe", *args)
        self.hwnd = self.rig.find_window("#32770", TITLE, timeout=20)
        self.assertNotEqual(self.hwnd, 0, "editor did not open")
        self.assertTrue(wait_until(lambda: self.control(STRIP)["text"].startswith("Editing"), 10))
        return self.hwnd

    def controls(self, window=None):
        result = {}
        for line in self.rig.wintool("children", f"{window or self.hwnd:x}").splitlines():
            f = line.split("\t")
            result[int(f[1])] = {"hwnd": int(f[0], 16), "class": f[2], "text": unescape(f[3]),
                                 "enabled": f[7] == "1", "rect": tuple(map(int, f[8].split()))}
        return result

    def control(self, cid):
        return self.controls()[cid]

    def fields(self):
        c = self.controls()
        return c[COMMAND]["text"], c[ARGUMENTS]["text"], c[START_DIR]["text"]

    def centre(self, cid, window=None):
        left, top, right, bottom = self.controls(window)[cid]["rect"]
        return (left + right) // 2, (top + bottom) // 2

    def click_control(self, cid):
        self.rig.click(*self.centre(cid))

    def type_into(self, cid, text):
        """Clicks into a field, goes to its end and types."""
        self.click_control(cid)
        self.rig.xdotool("key", "End")
        self.rig.xdotool("type", "--delay", 30, text)
        self.assertTrue(wait_until(lambda: self.control(cid)["text"].endswith(text), 5), "typing lost")

    def window_rect(self):
        return tuple(map(int, self.rig.wintool("rect", f"{self.hwnd:x}").split()))

    def ended(self, timeout=10):
        self.assertEqual(self.rig.wait_exit(self.proc, timeout), 0)

    def shown_tip(self):
        """The tooltip on the screen, or None."""
        for handle in self.rig.wintool("findall", "tooltips_class32", "").split():
            if self.rig.wintool("info", handle).split("\t")[6] == "1":
                return int(handle, 16)
        return None

    def label_colours(self, letter, shot):
        left, top, right, bottom = self.control(letter_id(letter))["rect"]
        raw = pixels(shot, left, top, right - left, bottom - top)
        return {tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)}

    # --- the tests ----------------------------------------------------------
    def test_opens_on_a_with_its_entry(self):
        self.open_editor()
        c = self.controls()
        self.assertEqual(c[STRIP]["text"], "Editing : Win + A")
        self.assertEqual(self.fields(), self.ENTRIES["A"])
        for letter in "ABCDEFGHIJKLMNOPQRSTUVWXYZ":
            self.assertEqual(c[letter_id(letter)]["enabled"], letter not in "EFMR", letter)
        shot = self.rig.screenshot("editor-open")
        self.assertIn(DARK_RED, self.label_colours("A", shot))
        self.assertIn(BLUE, self.label_colours("B", shot))
        self.assertNotIn(BLUE, self.label_colours("E", shot))
        # A tip shows "&" literally (TTS_NOPREFIX) and wraps a long path after
        # its separators, no wider than 400 pixels at 96 DPI (plus margins).
        self.rig.xdotool("mousemove", "--sync", *self.centre(STRIP))
        self.rig.xdotool("mousemove", "--sync", *self.centre(letter_id("T")))
        tip = wait_until(self.shown_tip, 10)
        self.assertTrue(tip, "no tip")
        self.rig.screenshot("editor-tip")
        fields = self.rig.wintool("info", f"{tip:x}").split("\t")
        left, top, right, bottom = map(int, fields[8].split())
        self.assertLessEqual(right - left, 420)
        self.assertTrue(int(fields[4], 16) & 0x2)
        lines = unescape(fields[3]).split("\n")
        self.assertGreater(len(lines), 1)
        self.assertTrue(all(line.endswith("\\") for line in lines[:-1]), lines)
        self.assertEqual("".join(lines), "Win + T: " + self.ENTRIES["T"][0])

    def test_typed_text_survives_switching_and_close_saves_nothing(self):
        self.open_editor()
        self.type_into(ARGUMENTS, " typed")
        self.click_control(letter_id("B"))
        self.assertTrue(wait_until(lambda: self.control(STRIP)["text"] == "Editing : Win + B", 5))
        self.assertEqual(self.fields(), self.ENTRIES["B"])
        # Under the pointer the label shows the highlight colour, even when selected.
        highlight = tuple(map(int, self.rig.wintool("syscolor", COLOR_HIGHLIGHT).split()))
        hovered = self.label_colours("B", self.rig.screenshot("editor-b-hover"))
        self.assertIn(highlight, hovered)
        self.assertNotIn(DARK_RED, hovered)
        self.rig.xdotool("mousemove", "--sync", *self.centre(STRIP))
        self.assertTrue(wait_until(lambda: DARK_RED in self.label_colours("B", self.rig.screenshot("editor-b")), 5))
        self.click_control(letter_id("A"))
        self.assertTrue(wait_until(lambda: self.control(STRIP)["text"] == "Editing : Win + A", 5))
        self.assertEqual(self.fields()[1], "readme.txt typed")
        self.click_control(CLOSE)
        self.ended()
        self.assertEqual(self.data.read_bytes(), self.original)

    def test_save_and_close_without_switching_saves(self):
        self.open_editor()
        self.type_into(COMMAND, "x")
        self.click_control(SAVE)
        self.ended()
        table = datafile.decode(self.data.read_bytes())
        self.assertEqual(table[b"A.Target"], self.ENTRIES["A"][0].encode() + b"x")
        for letter in "EFMR":  # never editable, saved back as loaded
            command, arguments, directory = self.ENTRIES[letter]
            self.assertEqual(table[f"{letter}.Target".encode()], command.encode())
            self.assertEqual(table[f"{letter}.Args".encode()], arguments.encode())
            self.assertEqual(table[f"{letter}.Dir".encode()], directory.encode())

    def test_enter_saves_and_untouched_fields_keep_their_bytes(self):
        # A's arguments hold a NUL, where an edit control stops: untouched, they go back whole.
        command, arguments, directory = self.ENTRIES["A"]
        entries = dict(self.ENTRIES, A=(command, arguments.encode() + b"\0more", directory))
        datafile.write_table(self.data, entries)
        self.open_editor()
        self.type_into(START_DIR, "\\sub")
        self.rig.xdotool("key", "Return")
        self.ended()
        self.assertEqual(self.data.read_bytes(),
                         datafile.table_bytes(dict(entries, A=entries["A"][:2] + (directory + "\\sub",))))

    def test_a_save_that_fails_keeps_the_editor_and_the_typed_text(self):
        self.open_editor()
        self.type_into(ARGUMENTS, " typed")
        self.data.chmod(0o444)  # read-only to Wine
        self.addCleanup(self.data.chmod, 0o644)
        self.click_control(SAVE)
        boxes = lambda: [b.split("\t") for b in self.rig.wintool("boxes").splitlines()  # noqa: E731
                         if b.split("\t")[2] == "EditorHost"]
        box = wait_until(boxes, 15)
        self.assertTrue(box, "no message box")
        self.assertEqual(unescape(box[0][3]), f"Access to {self.rig.winpath(self.data)} was denied.")
        self.rig.screenshot("editor-save-failed")
        self.rig.wintool("command", box[0][0], 1)
        self.assertTrue(wait_until(lambda: not boxes(), 10))
        self.assertEqual(self.fields(), (self.ENTRIES["A"][0], "readme.txt typed", self.ENTRIES["A"][2]))
        self.assertEqual(self.data.read_bytes(), self.original)
        self.data.chmod(0o644)  # Save && Close again
        self.click_control(SAVE)
        self.ended()
        self.assertEqual(datafile.decode(self.data.read_bytes())[b"A.Args"], b"readme.txt typed")

    def test_the_choice_to_bring_a_running_program_to_the_front(self):
        checked = lambda: self.rig.wintool("send", f"{self.control(RAISE)['hwnd']:x}", BM_GETCHECK, 0, 0)  # noqa: E731
        self.open_editor()
        self.click_control(letter_id("B"))  # a batch file: no program to find
        self.assertFalse(self.control(RAISE)["enabled"])
        self.click_control(letter_id("N"))
        self.assertFalse(self.control(RAISE)["enabled"])
        self.type_into(COMMAND, self.ENTRIES["A"][0])
        self.assertTrue(wait_until(lambda: self.control(RAISE)["enabled"], 5))
        self.assertEqual(checked(), "0")  # off until the user checks it
        self.click_control(RAISE)
        self.assertTrue(wait_until(lambda: checked() == "1", 5))
        self.rig.screenshot("editor-raise")
        self.click_control(SAVE)
        self.ended()
        self.assertEqual(self.data.read_bytes(),
                         datafile.table_bytes(dict(self.ENTRIES, N=(self.ENTRIES["A"][0], "", "", True))))
        self.open_editor()
        self.click_control(letter_id("N"))
        self.assertTrue(wait_until(lambda: checked() == "1", 5))
        self.assertTrue(self.control(RAISE)["enabled"])

    def test_escape_does_not_save(self):
        self.open_editor()
        self.type_into(COMMAND, "y")
        self.rig.xdotool("key", "Escape")
        self.ended()
        self.assertEqual(self.data.read_bytes(), self.original)

    def test_disabled_letters_take_no_clicks(self):
        self.open_editor()
        for letter in "EFMR":
            self.click_control(letter_id(letter))
        # Typed after the clicks, through the same input queue: it lands in A's field only if
        # no click on a disabled letter switched to it.
        self.type_into(COMMAND, "x")
        self.assertEqual(self.control(STRIP)["text"], "Editing : Win + A")
        self.assertEqual(self.fields(), (self.ENTRIES["A"][0] + "x",) + self.ENTRIES["A"][1:])

    def test_folder_browser_opens_at_the_committed_folder(self):
        self.open_editor()
        self.type_into(START_DIR, "\\typed")  # not committed: the browser ignores it
        self.click_control(BROWSE_DIR)
        browser = self.rig.find_window("", "Browse for Folder", timeout=20)
        self.assertNotEqual(browser, 0, "no folder browser")
        time.sleep(1.0)
        self.rig.keys("Return", over=browser)  # takes the selected, i.e. initial, folder
        self.assertTrue(wait_until(lambda: self.rig.find_window("", "Browse for Folder", timeout=0) == 0, 10))
        self.assertEqual(self.fields()[2].lower(), r"c:\windows")

    def test_dragging_the_strip_moves_a_letter_does_not(self):
        self.open_editor()
        before = self.window_rect()
        x, y = self.centre(STRIP)
        self.rig.drag(x - 100, y, x - 40, y + 50)
        moved = wait_until(lambda: self.window_rect() != before, 5)
        self.assertTrue(moved, "strip drag did not move the window")
        after = self.window_rect()
        self.assertEqual((after[0] - before[0], after[1] - before[1]), (60, 50))
        lx, ly = self.centre(letter_id("C"))
        self.rig.drag(lx, ly, lx + 60, ly + 50)
        # A second drag of the strip, through the same input queue: the window moves by it alone.
        x, y = self.centre(STRIP)
        self.rig.drag(x - 100, y, x - 70, y + 20)
        self.assertTrue(wait_until(lambda: self.window_rect() != after, 5), "strip drag did not move the window")
        moved = self.window_rect()
        self.assertEqual((moved[0] - after[0], moved[1] - after[1]), (30, 20), "the letter drag moved the window")

    def drop(self, cid, *paths):
        self.rig.run(self.rig.bin / "bin" / "dropsend.exe", cid, *[self.rig.winpath(p) for p in paths])

    def test_drops_on_the_command_and_directory_fields(self):
        # Named with letters outside the ANSI code page: dropped, and as a
        # shortcut's target, the name comes through whole.
        tool = self.scratch / "\u62a5\u544a.exe"
        tool.write_bytes(b"MZ")
        other = self.scratch / "other.bat"
        other.write_bytes(b"rem")
        # Its last letters are the five that Python's code page 1252 lacks and Windows' has.
        folder = self.scratch / "folder \x81\x8d\x8f\x90\x9d"
        folder.mkdir()
        self.open_editor()
        win_tool = self.rig.winpath(tool)

        # Each field takes only its kind (DropEditTest tells the ignored drops): a folder on the
        # folder field and files on the file field show that each field has the right kind.
        self.drop(COMMAND, other, tool)  # only the first of several
        self.assertTrue(wait_until(lambda: self.fields()[0] == self.rig.winpath(other), 5))
        self.drop(START_DIR, folder)
        self.assertTrue(wait_until(lambda: self.fields()[2] == self.rig.winpath(folder), 5))

        # A shortcut gives its target; the shell makes one with the Wine tools.
        link = self.scratch / "tool.lnk"
        self.rig.run(self.rig.bin / "bin" / "EditorHost.exe", "--make-shortcut", self.rig.winpath(link), win_tool)
        self.assertTrue(link.exists())
        self.drop(COMMAND, link)
        self.assertTrue(wait_until(lambda: self.fields()[0] == win_tool, 5))

        # The dialog pulled the dropped texts: switching letters commits them.
        self.click_control(letter_id("B"))
        self.click_control(SAVE)
        self.ended()
        # Saved as a wide string, every other byte as an 8-bit writer has them.
        self.assertEqual(self.data.read_bytes(), datafile.table_bytes(
            dict(self.ENTRIES, A=(win_tool, self.ENTRIES["A"][1], self.rig.winpath(folder)))))

    def strip_boxes(self, name):
        """Bounding boxes (left, top, right, bottom, relative to the strip) of
        the strip's status text, its light banner word and the banner's grey
        shadow (searched beside the word only: the gradient has that grey
        further right), from a screenshot; and the strip's width."""
        self.open_editor()
        left, top, right, bottom = self.control(STRIP)["rect"]
        raw = pixels(self.rig.screenshot(name), left, top, right - left, bottom - top)
        shadow = tuple(map(int, self.rig.wintool("syscolor", COLOR_BTNSHADOW).split()))
        self.rig.stop_all()
        width = right - left
        boxes = []
        for match in (lambda x, r, g, b: abs(r - 64) < 40 and abs(g - 128) < 40 and b > 200,  # RGB(64, 128, 255)
                      lambda x, r, g, b: min(r, g, b) > 245,  # the banner's highlight
                      lambda x, r, g, b: x < boxes[1][2] + 5 and (r, g, b) == shadow):
            points = [(i // 3 % width, i // 3 // width) for i in range(0, len(raw), 3)
                      if match(i // 3 % width, *raw[i:i + 3])]
            self.assertTrue(points, name)
            xs, ys = [p[0] for p in points], [p[1] for p in points]
            boxes.append((min(xs), min(ys), max(xs) + 1, max(ys) + 1))
        return boxes, width

    def test_title_strip_follows_the_dpi(self):
        (normal, normal_width) = self.strip_boxes("editor-96dpi")
        prefix = self.scratch / "prefix"
        env = dict(self.rig.env, WINEPREFIX=str(prefix))
        create_prefix(env, "dpi144")
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _reg_add(env, r"HKCU\Control Panel\Desktop", "LogPixels", "144", "REG_DWORD")
        start_desktop(env, self.scratch / "desktop.txt")
        self.rig = Rig(prefix=prefix, desktop="dpi144")
        (large, large_width) = self.strip_boxes("editor-144dpi")
        for (a, b) in zip(normal[:2], large[:2]):  # fonts: 1.5 times as tall and wide
            self.assertAlmostEqual((b[3] - b[1]) / (a[3] - a[1]), 1.5, delta=0.2, msg=(normal, large))
            self.assertAlmostEqual((b[2] - b[0]) / (a[2] - a[0]), 1.5, delta=0.2, msg=(normal, large))
        # The insets, 5 pixels at 96 DPI, become 8: the banner's from the left, the status text's
        # from the right.
        self.assertGreaterEqual(large[1][0], normal[1][0] + 2)
        self.assertGreaterEqual(large_width - large[0][2], normal_width - normal[0][2] + 2, (normal, large))
        # The shadow lies 1 pixel right and down of the word at 96 DPI, 2 at 144.
        for boxes, offset in ((normal, 1), (large, 2)):
            self.assertEqual((boxes[2][2] - boxes[1][2], boxes[2][3] - boxes[1][3]), (offset, offset), boxes)

if __name__ == "__main__":
    main()
