#!/usr/bin/env python3
"""The tray applet framework with a real taskbar: the icon answers real mouse
clicks, the menu opens at the cursor, and the applet ends as it should."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402

WM_CLOSE = 0x0010


class TrayAppletTest(DesktopTest):
    def start_applet(self, *extra):
        self.log = self.scratch / "applet.log"
        self.applet = self.rig.start(self.rig.bin / "bin" / "testapplet.exe", self.rig.winpath(self.log), *extra)
        self.assertTrue(wait_until(lambda: "install 1" in self.read(), 20), self.read())

    def read(self):
        try:
            return self.log.read_text()
        except OSError:
            return ""

    def open_menu(self, slot=0):
        x, y = self.rig.tray_icon_point(slot)
        marks = self.read().count("rbuttonup")
        self.rig.click(x, y, button=3)
        self.assertTrue(wait_until(lambda: self.read().count("rbuttonup") > marks, 10), self.read())
        menu = self.rig.find_window("#32768", "")
        self.assertNotEqual(menu, 0, "no popup menu")
        return menu, (x, y)

    def choose_first_item(self, menu):
        left, top, right, _ = map(int, self.rig.wintool("rect", f"{menu:x}").split())
        self.rig.click((left + right) // 2, top + 10)

    def test_right_click_shows_close_at_the_cursor_and_close_ends_with_zero(self):
        empty = self.rig.tray_pixels("tray-empty")
        self.start_applet()
        shown = wait_until(lambda: self.rig.tray_pixels("tray-icon") != empty, 10)
        self.assertTrue(shown, "no icon in the tray")
        menu, (x, y) = self.open_menu()
        # At the bottom-right tray the system pulls the menu back on screen,
        # so it lies just above and left of the cursor.
        left, top, right, bottom = map(int, self.rig.wintool("rect", f"{menu:x}").split())
        self.assertTrue(left <= x <= right + 1 and bottom <= y and y - top < 80, (left, top, right, bottom, x, y))
        self.rig.screenshot("tray-menu")
        self.choose_first_item(menu)
        self.assertEqual(self.rig.wait_exit(self.applet), 0)
        self.assertIn("menu 1 applet 0", self.read())
        self.assertTrue(wait_until(lambda: self.rig.tray_pixels("tray-after") == empty, 10), "icon left behind")

    def test_menu_opens_with_its_top_left_at_the_cursor(self):
        self.start_applet()
        hidden = self.rig.find_window("CQuindleTaskBarApplet", "Kestrava")
        tray_message = int(self.rig.wintool("message", "CQuindleTaskBarAppletMessage"))
        self.rig.xdotool("mousemove", "--sync", 300, 300)
        self.rig.wintool("post", f"{hidden:x}", tray_message, 0, 0x205)
        menu = self.rig.find_window("#32768", "")
        self.assertNotEqual(menu, 0)
        left, top, _, _ = map(int, self.rig.wintool("rect", f"{menu:x}").split())
        self.assertEqual((left, top), (300, 300))
        self.assertTrue(self.rig.dismiss_menu(menu), "the menu stays open")
        self.assertTrue(wait_until(lambda: "menu 0 applet 0" in self.read(), 10), self.read())

    def test_dismissed_menu_chooses_nothing(self):
        self.start_applet()
        menu, (x, y) = self.open_menu()
        self.assertTrue(self.rig.dismiss_menu(menu), "the menu stays open")
        self.assertTrue(wait_until(lambda: "menu 0 applet 0" in self.read(), 10), self.read())
        self.assertIsNone(self.applet.poll())

    def test_destroying_the_hidden_window_ends_with_zero(self):
        self.start_applet()
        hidden = self.rig.find_window("CQuindleTaskBarApplet", "Kestrava")
        self.rig.wintool("post", f"{hidden:x}", WM_CLOSE, 0, 0)
        self.assertEqual(self.rig.wait_exit(self.applet), 0)
        self.assertIn("exit 0", self.read())

    def test_two_applets_end_only_when_both_are_closed(self):
        self.start_applet("two")
        self.assertIn("started 1", self.read())
        # Icons go in newest first, so applet 1 holds the rightmost slot.
        menu, _ = self.open_menu(slot=0)
        self.choose_first_item(menu)
        self.assertTrue(wait_until(lambda: "menu 1 applet 1" in self.read(), 10), self.read())
        self.assertIsNone(self.applet.poll(), "ended with one applet still open")
        menu, _ = self.open_menu(slot=0)
        self.choose_first_item(menu)
        self.assertEqual(self.rig.wait_exit(self.applet), 0)
        self.assertIn("menu 1 applet 0", self.read())

    def test_a_notification_for_an_unknown_icon_is_dropped(self):
        self.start_applet()
        hidden = self.rig.find_window("CQuindleTaskBarApplet", "Kestrava")
        tray_message = int(self.rig.wintool("message", "CQuindleTaskBarAppletMessage"))
        self.rig.wintool("post", f"{hidden:x}", tray_message, 7, 0x205)
        # Still alive and still answering its own icon.
        menu, _ = self.open_menu()
        self.assertTrue(self.rig.dismiss_menu(menu), "the menu stays open")
        self.assertTrue(wait_until(lambda: "menu 0 applet 0" in self.read(), 10), self.read())
        self.assertIsNone(self.applet.poll())


if __name__ == "__main__":
    main()
