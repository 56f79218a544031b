#!/usr/bin/env python3
"""The whole program as a user lives it: the tray icon's menu and double-click,
the editor opened from it, Save && Close taking effect at once, the refusal
to stop while the editor is open, and Stop."""
import re
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import main, wait_until  # noqa: E402
from kestrava import KestravaTest, unescape  # noqa: E402
import datafile  # noqa: E402

EDITOR_TITLE = "Kestrava - Edit Keys"
REFUSAL = "You must close the Hot Keys editor before stopping Kestrava."
ID_COMMAND, ID_SAVE, ID_CLOSE = 1026, 1, 2
ID_BROWSE_COMMAND = 1029


class TrayTest(KestravaTest):
    def setUp(self):
        super().setUp()
        self.trace = self.scratch / "menu-trace.log"

    def start(self, entries=None):
        if entries is not None:
            self.write_table(entries)
        self.trace_file = open(self.trace, "w")
        self.addCleanup(self.trace_file.close)
        return self.start_kestrava(trace="+menu", stderr=self.trace_file)

    # --- the menu ----------------------------------------------------------
    def open_menu(self):
        mark = len(self.read(self.trace))
        x, y = self.rig.tray_icon_point(0)
        self.rig.click(x, y, button=3)
        menu = self.rig.find_window("#32768", "")
        self.assertNotEqual(menu, 0, "no menu")
        self.assertTrue(wait_until(lambda: "draw_menu_item" in self.read(self.trace)[mark:], 10))
        items = re.findall(r'calc_menu_item_size .*? item \{ ID=(0x[0-9a-f]+), Text=L"([^"]*)"',
                           self.read(self.trace)[mark:])
        return menu, items

    def choose(self, menu, index, count=2):
        left, top, right, bottom = map(int, self.rig.wintool("rect", f"{menu:x}").split())
        self.rig.click((left + right) // 2, top + (bottom - top) * (2 * index + 1) // (2 * count))
        self.assertTrue(wait_until(lambda: self.rig.wintool("find", "#32768", "") in ("", "00000000"), 10))

    def menu_gone(self):
        return self.rig.wintool("find", "#32768", "") in ("", "00000000")

    # --- the editor ----------------------------------------------------------
    def editors(self):
        return self.rig.wintool("findall", "#32770", EDITOR_TITLE).split()

    def editor(self, timeout=15):
        window = self.rig.find_window("#32770", EDITOR_TITLE, timeout)
        self.assertNotEqual(window, 0, "the editor did not open")
        return window

    def controls(self, editor):
        found = {}
        for line in self.rig.wintool("children", f"{editor:x}").splitlines():
            f = line.split("\t")
            found[int(f[1])] = {"hwnd": int(f[0], 16), "text": f[3], "rect": list(map(int, f[8].split()))}
        return found

    def click_control(self, editor, control_id):
        left, top, right, bottom = self.controls(editor)[control_id]["rect"]
        self.rig.click((left + right) // 2, (top + bottom) // 2)

    def foreground_title(self):
        fields = self.rig.wintool("foreground").split("\t")
        return fields[3] if len(fields) > 3 else ""

    def open_editor_from_menu(self):
        menu, _ = self.open_menu()
        self.choose(menu, 0)
        return self.editor()

    # --- the tests -------------------------------------------------------------
    def test_the_menu_holds_exactly_edit_and_stop_and_dismissing_does_nothing(self):
        kestrava = self.start()
        menu, items = self.open_menu()
        self.assertEqual(items, [("0x3e9", "&Edit Hot Keys"), ("0x3e8", "&Stop Kestrava")])
        self.rig.screenshot("tray-menu-kestrava")
        self.assertTrue(self.rig.dismiss_menu(menu), "the menu stays open")
        self.open_menu()
        self.rig.click(400, 300)
        self.assertTrue(wait_until(self.menu_gone, 10))
        # The program handles a menu's choice before it can open the next menu: once a third
        # one shows, neither dismissal chose anything.
        menu, _ = self.open_menu()
        self.assertEqual(self.editors(), [])
        self.assertEqual(self.boxes(), [])
        self.assertTrue(self.rig.dismiss_menu(menu), "the menu stays open")
        self.assertIsNone(kestrava.poll())

    def test_double_click_opens_one_editor_and_brings_it_to_the_front(self):
        self.start({"A": ("a.exe", "", "")})
        x, y = self.rig.tray_icon_point(0)
        self.rig.click(x, y, repeat=2)
        editor = self.editor()
        self.start_probe()
        self.assertEqual(self.foreground_title(), "Key Probe")
        self.rig.click(x, y, repeat=2)
        self.assertTrue(wait_until(lambda: self.foreground_title() == EDITOR_TITLE, 10))
        self.start_probe()
        menu, _ = self.open_menu()
        self.choose(menu, 0)
        # The choice handled: the editor in front is the first one, and it is alone.
        self.assertTrue(wait_until(lambda: self.rig.wintool("foreground").split("\t")[0] == f"{editor:08x}", 10),
                        self.rig.wintool("foreground"))
        self.assertEqual(self.editors(), [f"{editor:08x}"])

    def test_save_and_close_takes_effect_at_once_and_close_changes_nothing(self):
        self.start({})
        self.start_probe()
        editor = self.open_editor_from_menu()
        self.click_control(editor, 1000 + ord("W") - ord("A"))
        self.assertTrue(wait_until(lambda: "W" in self.rig.wintool("text", f"{self.controls(editor)[1035]['hwnd']:x}"), 5))
        self.click_control(editor, ID_COMMAND)
        self.rig.type_text(self.recorder)
        self.click_control(editor, ID_SAVE)
        self.assertTrue(wait_until(lambda: not self.editors(), 10), "the editor stays open")
        self.rig.keys("super+w")
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())

        # Close writes nothing, but the table still follows the file, changed meanwhile.
        editor = self.open_editor_from_menu()
        self.click_control(editor, ID_COMMAND)
        self.rig.keys("ctrl+a")
        self.rig.type_text("changed.exe")
        self.write_table({"W": (self.recorder, "changed-on-disk", "")})
        changed = (self.folder / "Kestrava.dat").read_bytes()
        self.click_control(editor, ID_CLOSE)
        self.assertTrue(wait_until(lambda: not self.editors(), 10))
        self.assertEqual((self.folder / "Kestrava.dat").read_bytes(), changed)
        self.rig.keys("super+w")
        self.assertTrue(wait_until(lambda: len(self.recorded()) == 2, 15), self.boxes())
        self.assertEqual(self.recorded()[1][2:], ["changed-on-disk"])

    def test_stop_is_refused_while_the_editor_is_open_and_hot_keys_keep_their_entries(self):
        kestrava = self.start({"W": (self.recorder, "before", "")})
        editor = self.open_editor_from_menu()
        # A change committed to the editor's table (by moving on to another
        # letter) and one written to the file: neither reaches the hot keys yet.
        self.click_control(editor, 1000 + ord("W") - ord("A"))
        self.click_control(editor, ID_COMMAND)
        self.rig.keys("ctrl+a")
        self.rig.type_text("edited-but-not-saved.exe")
        self.click_control(editor, 1000 + ord("X") - ord("A"))
        self.write_table({"W": (self.recorder, "written-meanwhile", "")})
        self.rig.keys("super+w")
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())
        self.assertEqual(self.recorded()[0][2:], ["before"])

        menu, _ = self.open_menu()
        self.choose(menu, 1)
        boxes = self.wait_box()
        self.assertEqual([(b[1], b[2], b[3]) for b in boxes], [("Kestrava", REFUSAL, editor)])
        self.rig.screenshot("stop-refused")
        # Another program in front when the box goes: the editor must come back by itself.
        self.start_probe()
        self.dismiss(boxes[0])
        self.assertTrue(wait_until(lambda: self.foreground_title() == EDITOR_TITLE, 10), self.foreground_title())
        self.assertIsNone(kestrava.poll())
        self.assertTrue(self.icon_shown())

    def test_an_unreadable_file_is_named_and_kept_as_the_backup_on_save(self):
        # Another header is silent at start-up; cut short by the time the
        # editor opens, the read error is reported first, then the file named.
        data = self.folder / "Kestrava.dat"
        data.write_bytes(datafile.encode_string(b"<<1.2>>") + b"\x01\x00")
        self.start()
        short = datafile.table_bytes({"Q": ("q.exe", "", "")})[:-3]
        data.write_bytes(short)
        self.choose(self.open_menu()[0], 0)
        texts = ["An attempt was made to access an unnamed file past its end.",
                 f"Kestrava could not read the hot keys in {self.rig.winpath(data)}. "
                 "If you save, that file is kept as Kestrava.dat.bak."]
        seen = []
        for _ in texts:
            boxes = self.wait_box()
            seen += [(b[1], b[2], b[3]) for b in boxes]
            self.rig.screenshot("unreadable-file-box")
            self.dismiss(boxes[0])
        editor = self.editor()
        self.assertEqual(seen, [("Kestrava", text, editor) for text in texts])
        self.click_control(editor, ID_SAVE)
        self.assertTrue(wait_until(lambda: not self.editors(), 10), "the editor stays open")
        self.assertEqual((self.folder / "Kestrava.dat.bak").read_bytes(), short)
        self.assertEqual(len(datafile.decode(data.read_bytes())), 78)

    def test_a_strangers_comdlg32_beside_the_program_is_not_loaded(self):
        # With this override Wine looks in the program's folder first, as
        # Windows does for system DLLs it does not pin.
        shutil.copy(self.rig.bin / "stranger" / "comdlg32.dll", self.folder)
        self.rig.env["WINEDLLOVERRIDES"] += ";comdlg32=n,b"
        self.start({})
        editor = self.open_editor_from_menu()
        self.click_control(editor, ID_BROWSE_COMMAND)
        browser = self.rig.find_window("#32770", "Select application or file to launch when event fires", 15)
        self.assertFalse((self.folder / "comdlg32-loaded.txt").exists(), "the stranger's comdlg32.dll was loaded")
        self.assertNotEqual(browser, 0, "the command browser did not open")

    def test_a_folder_and_a_document_named_in_another_script(self):
        # Code page 1252 (pinned by the rig) holds neither letter of "\u62a5\u544a".
        self.folder = self.scratch / "Kestrava \u62a5\u544a"
        self.install(self.folder)
        document = self.folder / "\u62a5\u544a.kvdoc"
        document.write_text("report")
        self.set_registry(r"HKCR\.kvdoc", None, "KestravaDocument")
        self.set_registry(r"HKCR\KestravaDocument\shell\open\command", None, f'"{self.recorder}" "%1"')
        # Found beside the program, loaded and launched.
        entries = {"K": (self.recorder, "k", self.rig.winpath(self.folder))}
        self.start(entries)
        self.start_probe()
        self.rig.keys("super+k")
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())
        self.assertEqual(self.recorded()[0][1:], [self.rig.winpath(self.folder), "k"])

        # Typed into the editor and saved beside the program: a wide string
        # there, every other byte as an 8-bit writer has them.
        editor = self.open_editor_from_menu()
        self.click_control(editor, 1000 + ord("D") - ord("A"))
        self.click_control(editor, ID_COMMAND)
        self.rig.type_unicode(self.rig.winpath(document))
        command = self.controls(editor)[ID_COMMAND]["hwnd"]
        self.assertTrue(wait_until(lambda: unescape(self.rig.wintool("text", f"{command:x}"))
                                   == self.rig.winpath(document), 10), "typing lost")
        self.rig.screenshot("editor-unicode-command")
        self.click_control(editor, ID_SAVE)
        self.assertTrue(wait_until(lambda: not self.editors(), 10), "the editor stays open")
        self.assertEqual((self.folder / "Kestrava.dat").read_bytes(),
                         datafile.table_bytes(dict(entries, D=(self.rig.winpath(document), "", ""))))
        self.rig.keys("super+d")
        self.assertTrue(wait_until(lambda: len(self.recorded()) == 2, 15), self.boxes())
        self.assertEqual(self.recorded()[1][2:], [self.rig.winpath(document)])
        self.assertEqual(self.boxes(), [])

    def test_stop_ends_with_zero_and_gives_the_keys_back(self):
        kestrava = self.start({"W": (self.recorder, "", "")})
        self.start_probe()
        menu, _ = self.open_menu()
        self.choose(menu, 1)
        self.assertEqual(self.rig.wait_exit(kestrava, 20), 0)
        self.assertTrue(wait_until(lambda: not self.icon_shown(), 10), "icon left behind")
        self.click_probe()
        self.rig.keys("super+w")
        self.settle()
        self.assertIn("down 57", self.read(self.probe_log))
        self.assertEqual(self.recorded(), [])
        again = self.start_kestrava()
        time.sleep(1)
        self.assertIsNone(again.poll(), "a new instance did not start at once")


if __name__ == "__main__":
    main()
