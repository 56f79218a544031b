#!/usr/bin/env python3
"""Kestrava.exe under Wine: start-up, single instance, hot keys typed with
xdotool into another program, launching, and the fallback through the
registry's file associations."""
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import main, wait_until  # noqa: E402
from kestrava import KestravaTest, WM_CLOSE  # noqa: E402

WM_KBHOOK_KEY = 0x8002


class StartUpTest(KestravaTest):
    def test_hot_key_starts_the_command_with_arguments_and_directory(self):
        workdir = self.scratch / "work dir"
        workdir.mkdir()
        self.write_table({"W": (self.recorder, "first second", self.rig.winpath(workdir))})
        self.start_probe()
        self.start_kestrava()
        self.rig.keys("super+w")
        self.assertTrue(wait_until(self.recorded, 15), "nothing was launched")
        launch = self.recorded()[0]
        self.assertEqual(launch[2:], ["first", "second"])
        self.assertEqual(launch[1].lower(), self.rig.winpath(workdir).lower())
        self.settle()
        self.assertNotIn("down 57", self.read(self.probe_log), "the W reached the other program")
        self.assertEqual(self.boxes(), [])

    def test_empty_letters_and_other_keys_do_nothing(self):
        self.write_table({"A": (self.recorder, "a", ""), "W": (self.recorder, "", "")})
        self.start_probe()
        kestrava = self.start_kestrava()
        self.rig.keys("super+q", "super+5", "super+F1")
        # Codes that only look like A: lower case, and A with higher bits set.
        hidden = f"{self.hidden_window():x}"
        for code in (0x61, 0x141, 0x10041):
            self.rig.wintool("post", hidden, WM_KBHOOK_KEY, code, 0)
        self.settle()
        time.sleep(1)
        self.assertEqual(self.recorded(), [])
        self.assertEqual(self.boxes(), [])
        self.rig.wintool("post", hidden, WM_KBHOOK_KEY, 0x41, 0)
        self.assertTrue(wait_until(self.recorded, 15), "A itself launches nothing")
        self.assertEqual([launch[2:] for launch in self.recorded()], [["a"]])
        self.assertIsNone(kestrava.poll())

    def test_no_data_file_starts_and_every_hot_key_does_nothing(self):
        self.start_probe()
        kestrava = self.start_kestrava()
        self.rig.keys("super+w", "super+a", "super+z")
        self.settle()
        self.assertEqual(self.boxes(), [])
        self.assertIsNone(kestrava.poll())

    def test_a_second_instance_ends_with_one_silently(self):
        empty_left = self.rig.tray_pixels("tray-empty-1", slot=1)
        first = self.start_kestrava()
        second = self.rig.start(self.folder / "Kestrava.exe", "--any", "/arguments")
        self.assertEqual(self.rig.wait_exit(second, 20), 1)
        self.assertEqual(self.boxes(), [])
        self.assertIsNone(first.poll())
        # Only one icon: the slot left of ours is as it was before Kestrava started.
        self.assertEqual(self.rig.tray_pixels("tray-second", slot=1), empty_left)

    def test_ten_starts_at_once_leave_exactly_one(self):
        procs = [self.rig.start(self.folder / "Kestrava.exe") for _ in range(10)]
        self.assertTrue(wait_until(lambda: sum(p.poll() is not None for p in procs) == 9, 60),
                        [p.poll() for p in procs])
        time.sleep(1)
        running = [p for p in procs if p.poll() is None]
        self.assertEqual(len(running), 1)
        self.assertEqual(sorted(p.returncode for p in procs if p.poll() is not None), [1] * 9)

    def test_any_command_line_behaves_like_none(self):
        self.write_table({"K": (self.recorder, "k", "")})
        self.start_probe()
        self.start_kestrava("/edit", "--help", "C:\\nothing.dat")
        self.rig.keys("super+k")
        self.assertTrue(wait_until(self.recorded, 15))
        self.assertEqual(self.recorded()[0][2:], ["k"])

    def test_destroying_the_hidden_window_ends_with_zero_and_removes_the_icon(self):
        kestrava = self.start_kestrava()
        self.rig.wintool("post", f"{self.hidden_window():x}", WM_CLOSE, 0, 0)
        self.assertEqual(self.rig.wait_exit(kestrava, 20), 0)
        self.assertTrue(wait_until(lambda: not self.icon_shown(), 10), "icon left behind")

    def test_hook_failure_shows_one_box_before_the_icon(self):
        folder = self.scratch / "nohook"
        self.install(folder, hook_library=self.rig.bin / "installfails" / "Kestrahk.dll")
        kestrava = self.start_kestrava(folder=folder, wait_icon=False)
        boxes = self.wait_box()
        self.assertEqual([(b[1], b[2]) for b in boxes], [("Kestrava", "Unable to install keyboard hook. Sorry")])
        time.sleep(1)
        self.assertFalse(self.icon_shown(), "icon added before the box was dismissed")
        self.rig.screenshot("hook-failure-box")
        self.dismiss(boxes[0])
        self.assertTrue(wait_until(self.icon_shown, 15), "no icon after the box")
        self.assertEqual(self.boxes(), [])
        self.assertIsNone(kestrava.poll())


class FallbackTest(KestravaTest):
    """Commands the shell cannot open are started through their file type's open command."""

    def register(self, extension, file_type, command):
        self.rig.run("reg", "add", rf"HKCR\{extension}", "/ve", "/d", file_type, "/f")
        self.rig.run("reg", "add", rf"HKCR\{file_type}\shell\open\command", "/ve", "/d", command, "/f")

    def press(self, letter, command):
        self.write_table({letter: (command, "ignored by the fallback", "")})
        self.start_probe()
        self.start_kestrava()
        self.rig.keys(f"super+{letter.lower()}")

    def test_quoted_placeholder_is_cut_and_the_command_appended(self):
        self.register(".kvq", "KestravaQuoted", f'"{self.recorder}" "%1" --dropped')
        self.press("Q", r"C:\missing\list.kvq")
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())
        launch = self.recorded()[0]
        self.assertEqual(launch[0], f'"{self.recorder}"  C:\\missing\\list.kvq')
        self.assertEqual(launch[2:], [r"C:\missing\list.kvq"])

    def test_bare_placeholder_and_a_command_with_blanks(self):
        self.register(".kvb", "KestravaBare", f"{self.recorder} %1 --dropped")
        # A name outside the ANSI code page reaches the program whole.
        self.press("B", "C:\\missing dir\\my \u62a5\u544a list.kvb")
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())
        self.assertEqual(self.recorded()[0][2:], ["C:\\missing dir\\my \u62a5\u544a list.kvb"])

    def test_unknown_extension_and_command_without_a_dot(self):
        for letter, command in (("U", r"C:\missing\thing.kvunknown"), ("N", "kestravanosuchprogram")):
            with self.subTest(command=command):
                self.press(letter, command)
                boxes = self.wait_box()
                self.assertEqual([(b[1], b[2]) for b in boxes], [("Kestrava", "Don't know how to launch file :\n" + command)])
                self.dismiss(boxes[0])
                self.rig.stop_all()
                self.assertTrue(wait_until(lambda: not self.boxes(), 10))

    def test_failing_winexec_names_the_reason(self):
        self.register(".kvx", "KestravaMissingProgram", r"C:\no\such\program.exe %1")
        self.press("X", r"C:\missing\a.kvx")
        boxes = self.wait_box()
        self.assertEqual([b[2] for b in boxes],
                         [r"C:\missing\a.kvx    WinExec failed: The specified file was not found. " + "\n"])
        self.rig.screenshot("winexec-failed-box")

    def test_a_program_that_is_no_executable(self):
        fake = self.scratch / "fake.exe"
        fake.write_text("not a program")
        self.register(".kvf", "KestravaFakeProgram", f"{self.rig.winpath(fake)} %1")
        self.press("F", r"C:\missing\b.kvf")
        boxes = self.wait_box()
        self.assertEqual([b[2] for b in boxes], [r"C:\missing\b.kvf    WinExec failed: "
                                                 "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image). \n"])

    def test_a_command_line_too_long_for_the_buffer_is_not_started(self):
        self.register(".kvl", "KestravaLong", f"{self.recorder} %1")
        command = "C:\\" + "d" * 520 + ".kvl"
        self.press("L", command)
        boxes = self.wait_box()
        self.assertEqual([b[2] for b in boxes], [command + "    WinExec failed: The command line is too long. \n"])
        self.assertEqual(self.recorded(), [])


if __name__ == "__main__":
    main()
