#!/usr/bin/env python3
"""What users download, each in a fresh Wine prefix: the zip unpacked into a
fresh folder runs, shows its icon and launches a hot key; the setup installs
silently and starts Kestrava at sign-in, upgrades while it runs (refused while
its editor is open or it hangs, undone when a file cannot be replaced, and
saying so when the undoing fails), waits for a Kestrava that is slow to stop,
restarts what it stopped, remembers the sign-in choice, uninstalls silently
keeping the hot keys, refuses while a copy runs from another folder, while
another setup runs, for another folder than the installed one and for an
existing folder outside the profile, and gives a new folder there a DACL of
its own."""
import os
import re
import shutil
import signal
import stat
import struct
import subprocess
import sys
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402
from kestrava import KestravaTest, unescape  # noqa: E402
from rig import Rig, arch, create_prefix, start_desktop  # noqa: E402
import datafile  # noqa: E402

CURRENT = r"HKCU\Software\Microsoft\Windows\CurrentVersion"
RUN_KEY = CURRENT + r"\Run"
RUNONCE_KEY = CURRENT + r"\RunOnce"
APPROVED_KEY = CURRENT + r"\Explorer\StartupApproved\Run"
APPS_KEY = CURRENT + r"\Uninstall\Kestrava"
PROFILES_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList"
WINE_DEBUG_KEY = r"HKCU\Software\Wine\Debug"
EDITOR_TITLE = "Kestrava - Edit Keys"
SETUP_TITLE = "Kestrava Setup"


class FreshPrefixTest(KestravaTest):
    def setUp(self, desktop, cleanups=(), server_env=None):
        """A prefix and desktop of the test's own; cleanups are Wine commands run when it ends;
        server_env goes to the prefix's Wine server."""
        DesktopTest.setUp(self)
        self.prefix = self.scratch / "prefix"
        env = dict(self.rig.env, WINEPREFIX=str(self.prefix))
        create_prefix(dict(env, **(server_env or {})), desktop)
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for command in cleanups:
            self.addCleanup(subprocess.run, ["wine", *command], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        start_desktop(env, self.scratch / "desktop.txt")
        self.rig = Rig(prefix=self.prefix, desktop=desktop)
        self.probe_log = self.scratch / "probe.log"


class ReleaseTest(FreshPrefixTest):
    def setUp(self):
        super().setUp("release")
        release = self.rig.bin / "release" / f"Kestrava-1.0.0.1-{arch()}.zip"
        self.assertTrue(release.is_file(), "no release zip was built")
        with zipfile.ZipFile(release) as archive:
            names = sorted(archive.namelist())
            archive.extractall(self.scratch / "unpacked")
        self.assertEqual(names, ["Kestrava/", "Kestrava/Kestrahk.dll", "Kestrava/Kestrava.exe", "Kestrava/README.txt"])
        self.folder = self.scratch / "unpacked" / "Kestrava"
        shutil.copy(self.rig.bin / "bin" / "recorder.exe", self.folder)
        self.empty_tray = self.rig.tray_pixels("release-tray-empty")

    def test_unpacked_release_runs_and_launches_a_hot_key(self):
        readme = (self.folder / "README.txt").read_bytes()
        self.assertIn(b"\r\n", readme)
        self.write_table({"W": (self.recorder, "from the release", "")})
        self.start_probe()
        kestrava = self.start_kestrava()
        self.rig.keys("super+w")
        self.assertTrue(wait_until(self.recorded, 15), self.boxes())
        self.assertEqual(self.recorded()[0][2:], ["from", "the", "release"])
        self.assertIsNone(kestrava.poll())


def setup_of(build, build_arch):
    return build / "release" / f"Kestrava-1.0.0.1-{build_arch}-setup.exe"


def newer_version(exe):
    """The program's bytes with a version resource that says 9.0.0.0 (VS_FIXEDFILEINFO)."""
    at = exe.index(b"\xbd\x04\xef\xfe") + 8
    return exe[:at] + struct.pack("<II", 9 << 16, 0) + exe[at + 8:]


class SetupTest(FreshPrefixTest):
    """A fresh prefix, the setup of the build under test, and what it installs."""

    def setUp(self):
        # A later sign-in in this prefix would start Kestrava or the uninstall's clean-up: the values go
        # whatever happens. The server renames no file onto the name written into rename_fault.
        self.rename_fault = Rig().dir / f"{type(self).__name__}.rename-fault"
        self.rename_fault.write_text("")
        super().setUp("installer", cleanups=[["reg", "delete", key, "/v", "Kestrava", "/f"]
                                             for key in (RUN_KEY, RUNONCE_KEY)],
                      server_env={"LD_PRELOAD": str(Rig().bin / "bin" / "renamefault.so"),
                                  "KESTRAVA_RENAME_FAULT": str(self.rename_fault)})
        # The shortcut must not reach the host's own menus.
        self.rig.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"

        self.setup = setup_of(self.rig.bin, arch())
        self.assertTrue(self.setup.is_file(), "no setup was built")
        user = next(d for d in (self.prefix / "drive_c" / "users").iterdir() if d.name != "Public")
        self.app = user / "AppData" / "Local" / "Programs" / "Kestrava"
        self.app_win = rf"C:\users\{user.name}\AppData\Local\Programs\Kestrava"
        self.shortcut = user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Kestrava.lnk"
        # The recorder and its log live outside the installed folder.
        self.folder = self.scratch / "tools"
        self.folder.mkdir()
        shutil.copy(self.rig.bin / "bin" / "recorder.exe", self.folder)

    def values(self, key):
        """The values of a registry key as {name: data}; {} if there is no such key."""
        result = self.rig.run("reg", "query", key, check=False)
        if result.returncode != 0:
            if "Unable to find" not in result.stdout:
                raise RuntimeError(f"reg query {key} failed: {result.stdout}")
            return {}
        pairs = (line.split(None, 2) for line in result.stdout.splitlines() if line.startswith("    "))
        return {p[0]: p[2] if len(p) > 2 else "" for p in pairs}

    def run_setup(self, *args, setup=None):
        return self.rig.run(setup or self.setup, "/S", *args, check=False).returncode

    def open_setup(self):
        """The setup as a user runs it, on its first page (Install is its button 1)."""
        setup = self.rig.start(self.setup)
        window = self.rig.find_window("#32770", SETUP_TITLE, timeout=30)
        self.assertNotEqual(window, 0, "the setup did not open")
        return setup, window

    def page_texts(self, window):
        children = self.rig.wintool("children", f"{window:x}").splitlines()
        return " ".join(unescape(line.split("\t")[3]) for line in children)

    def files(self):
        return sorted(p.name for p in self.app.iterdir())

    def assert_current_binaries(self, build=None):
        for name in ("Kestrava.exe", "Kestrahk.dll"):
            self.assertEqual((self.app / name).read_bytes(), ((build or self.rig.bin) / "bin" / name).read_bytes(), name)

    def running(self):
        return int(self.rig.wintool("find", "CQuindleTaskBarApplet", "Kestrava") or "0", 16) != 0

    def running_pid(self):
        window = self.rig.find_window("CQuindleTaskBarApplet", "Kestrava", timeout=20)
        self.assertNotEqual(window, 0, "Kestrava does not run")
        return self.rig.wintool("pid", f"{window:x}")

    def start_at_sign_in(self, command):
        """Starts the Run value's command as the shell does: a quoted program path."""
        self.assertTrue(command.startswith('"') and command.endswith('"'), command)
        kestrava = self.rig.start(command[1:-1])
        self.assertTrue(wait_until(self.running, 20), "Kestrava did not start")
        return kestrava

    def start_typing_program(self):
        """The key probe, after it has taken keys: the hook library is mapped in it."""
        self.probe_log.unlink(missing_ok=True)
        probe = self.rig.start(self.rig.bin / "bin" / "keyprobe.exe", self.rig.winpath(self.probe_log))
        self.assertTrue(wait_until(lambda: "ready" in self.read(self.probe_log), 20), "key probe did not start")
        self.assertTrue(wait_until(lambda: "Key Probe" in self.rig.wintool("foreground"), 10), "probe not in front")
        self.rig.type_text("abc")
        self.settle()
        return probe

    def hold(self, path):
        """Another program that holds the file open without FILE_SHARE_DELETE."""
        out = self.scratch / "hold.txt"
        with open(out, "w") as stdout:
            holder = self.rig.start(self.rig.bin / "bin" / "wintool.exe", "hold", self.rig.winpath(path), stdout=stdout)
        self.assertTrue(wait_until(lambda: "held" in self.read(out), 15), "the file is not held")
        return holder

    def launches(self, count):
        self.rig.keys("super+w")
        self.assertTrue(wait_until(lambda: len(self.recorded()) == count, 15), self.boxes())


class InstallerTest(SetupTest):
    def test_install_start_at_sign_in_upgrade_while_running_uninstall_keeping_hot_keys(self):
        self.assertEqual(self.run_setup("/SIGNIN=yes"), 2)
        self.assertFalse(self.app.exists())
        # A silent install: files, shortcut, start at sign-in and the Apps entry.
        self.assertEqual(self.run_setup(), 0)
        self.assertEqual(self.files(), ["Kestrahk.dll", "Kestrava.exe", "Uninstall.exe"])
        self.assert_current_binaries()
        self.assertTrue(self.shortcut.is_file())
        command = self.values(RUN_KEY).get("Kestrava")
        self.assertEqual(command, rf'"{self.app_win}\Kestrava.exe"')
        apps = self.values(APPS_KEY)
        self.assertEqual({k: apps.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon",
                                                   "UninstallString")},
                         {"DisplayName": "Kestrava", "DisplayVersion": "1.0.0.1",
                          "Publisher": "The Kestrava developers", "DisplayIcon": rf"{self.app_win}\Kestrava.exe,0",
                          "UninstallString": rf'"{self.app_win}\Uninstall.exe"'})
        self.assertGreater(int(apps["EstimatedSize"], 16), 100)  # KB
        # The setup has exited: no event can show that it started nothing. A bounded wait, measured
        # against the /RUN upgrade below, whose Kestrava ran 1.6 s after its setup returned.
        self.assertFalse(wait_until(self.running, 3), "a silent install starts Kestrava only when asked")

        # An older setup leaves a newer Kestrava alone unless told otherwise.
        exe = self.app / "Kestrava.exe"
        exe.write_bytes(newer_version(exe.read_bytes()))
        newer = exe.read_bytes()
        self.assertEqual(self.run_setup(), 4)
        self.assertEqual(exe.read_bytes(), newer)
        self.assertEqual(self.run_setup("/DOWNGRADE"), 0)
        self.assert_current_binaries()

        # Files an older version left: the upgrade must replace them.
        for name in ("Kestrava.exe", "Kestrahk.dll"):
            with open(self.app / name, "ab") as f:
                f.write(b"older")
        datafile.write_table(self.app / "Kestrava.dat", {"W": (self.recorder, "installed", "")})
        hot_keys = (self.app / "Kestrava.dat").read_bytes()

        # Sign-in, then keys typed into another program.
        old = self.start_at_sign_in(command)
        probe = self.start_typing_program()
        self.launches(1)
        self.assertEqual(self.recorded()[0][2:], ["installed"])

        # A copy that does not answer stops the upgrade, and is not closed behind the user's back later.
        os.kill(old.pid, signal.SIGSTOP)
        try:
            self.assertEqual(self.run_setup(), 2)
        finally:
            os.kill(old.pid, signal.SIGCONT)
        self.assertTrue((self.app / "Kestrava.exe").read_bytes().endswith(b"older"))
        self.assertFalse(wait_until(lambda: old.poll() is not None, 5), "the hung copy was closed after all")
        self.rig.stop(old)
        # Started through another drive letter, as a subst drive does: still the installed copy.
        (self.prefix / "dosdevices" / "k:").symlink_to(self.app.parent)
        old = self.start_at_sign_in(r'"K:\Kestrava\Kestrava.exe"')

        # An open editor is not closed under the user: a silent upgrade fails and changes nothing.
        x, y = self.rig.tray_icon_point(0)
        self.rig.click(x, y, repeat=2)
        editor = self.rig.find_window("#32770", EDITOR_TITLE)
        self.assertNotEqual(editor, 0, "the editor did not open")
        self.assertEqual(self.run_setup(), 2)
        self.assertIsNone(old.poll())
        self.assertTrue((self.app / "Kestrava.exe").read_bytes().endswith(b"older"))
        self.rig.wintool("command", f"{editor:x}", 2)  # Close
        self.assertTrue(wait_until(lambda: self.rig.wintool("find", "#32770", EDITOR_TITLE) == "00000000", 10))

        # A library that cannot be set aside fails the upgrade after Kestrava was stopped:
        # the old files go back and the old Kestrava runs again.
        older = {name: (self.app / name).read_bytes() for name in ("Kestrava.exe", "Kestrahk.dll")}
        before = self.running_pid()
        holder = self.hold(self.app / "Kestrahk.dll")
        self.assertEqual(self.run_setup("/RUN"), 2)
        self.assertEqual(old.wait(15), 0)
        self.assertTrue(wait_until(lambda: self.running() and self.running_pid() != before, 20), "no Kestrava again")
        self.assertEqual({name: (self.app / name).read_bytes() for name in older}, older)
        self.assertEqual(self.files(), ["Kestrahk.dll", "Kestrava.dat", "Kestrava.exe", "Uninstall.exe"])

        # Putting the old files back fails too (the new Kestrava.exe cannot be set aside again): the
        # message says what is where, and Kestrava, with mismatched files, is not started.
        self.rename_fault.write_text("Kestrava.exe.2.old")
        setup, window = self.open_setup()
        self.rig.wintool("command", f"{window:x}", 1)
        boxes = wait_until(lambda: [b for b in self.boxes() if b[2]], 60)  # the setup's own page has none
        self.assertTrue(boxes, "no message")
        box = boxes[0]
        self.rename_fault.write_text("")
        self.assertIn(rf"Kestrava.exe is the new one; the old one is {self.app_win}\Kestrava.exe.old", box[2])
        self.assertIn("Kestrava was not started", box[2])
        self.assertNotIn("Nothing was changed", box[2])
        self.assertEqual((self.app / "Kestrava.exe").read_bytes(), (self.rig.bin / "bin" / "Kestrava.exe").read_bytes())
        self.assertEqual((self.app / "Kestrava.exe.old").read_bytes(), older["Kestrava.exe"])
        self.assertEqual((self.app / "Kestrahk.dll").read_bytes(), older["Kestrahk.dll"])
        self.assertFalse(self.running())
        self.dismiss(box)
        self.rig.wintool("command", f"{window:x}", 2)  # Cancel, now Close
        self.assertEqual(setup.wait(15), 2)
        self.rig.stop(holder)

        # The upgrade (run again, it completes the one above) stops the running copy, sets the mapped
        # library aside, keeps the hot keys.
        self.start_at_sign_in(command)
        before = self.running_pid()
        self.assertEqual(self.run_setup("/RUN"), 0)
        self.assert_current_binaries()
        self.assertIn("Kestrahk.dll.old", self.files())
        self.assertEqual((self.app / "Kestrava.dat").read_bytes(), hot_keys)
        self.assertTrue(wait_until(lambda: self.running() and self.running_pid() != before, 20), "no Kestrava again")

        # Setup run again to turn start at sign-in off (Task Manager's entry too) keeps an
        # unchanged library, and so the hot keys of programs that have it mapped; an upgrade
        # remembers the choice.
        self.rig.stop(probe)  # lets the set-aside library go
        probe = self.start_typing_program()
        disabled = "03" + "00" * 11
        self.rig.run("reg", "add", APPROVED_KEY, "/v", "Kestrava", "/t", "REG_BINARY", "/d", disabled, "/f")
        self.assertEqual(self.run_setup("/SIGNIN=0", "/RUN"), 0)
        self.assertEqual(self.files(), ["Kestrahk.dll", "Kestrava.dat", "Kestrava.exe", "Uninstall.exe"])
        self.assertNotIn("Kestrava", self.values(RUN_KEY))
        self.assertNotIn("Kestrava", self.values(APPROVED_KEY))
        self.assertEqual(self.run_setup("/RUN"), 0)
        self.assertNotIn("Kestrava", self.values(RUN_KEY))
        self.assertTrue(wait_until(self.running, 20), "Kestrava did not run again")
        self.launches(2)

        # /SIGNIN=1 puts it back over Task Manager's "disabled"; a silent upgrade keeps a "disabled". One
        # without /RUN, as package managers run it, starts the Kestrava it stopped again.
        self.rig.run("reg", "add", APPROVED_KEY, "/v", "Kestrava", "/t", "REG_BINARY", "/d", disabled, "/f")
        before = self.running_pid()
        self.assertEqual(self.run_setup("/SIGNIN=1"), 0)
        self.assertTrue(wait_until(lambda: self.running() and self.running_pid() != before, 20), "left stopped")
        self.assertEqual(self.values(RUN_KEY).get("Kestrava"), command)
        self.assertNotIn("Kestrava", self.values(APPROVED_KEY))
        self.rig.run("reg", "add", APPROVED_KEY, "/v", "Kestrava", "/t", "REG_BINARY", "/d", disabled, "/f")
        self.assertEqual(self.run_setup("/RUN"), 0)
        self.assertEqual(self.values(RUN_KEY).get("Kestrava"), command)
        self.assertEqual(self.values(APPROVED_KEY).get("Kestrava"), disabled)

        # A silent uninstall (run in place so that this waits) keeps the hot keys and what a save
        # that was cut short left. The library the probe still maps goes at the next sign-in, with the
        # folder if it is empty.
        saves = ["Kestrava.dat.new", "Kestrava.dat.old", "kst1F.tmp"]
        for name in saves:
            (self.app / name).write_bytes(b"interrupted save")
        (self.app / "notes.txt").write_text("the user's")
        self.assertEqual(self.uninstall(), 0)
        self.assertFalse(wait_until(self.running, 3))  # bounded, as after the first install
        kept = ["Kestrahk.dll.old", "Kestrava.dat", "Uninstall.exe", "notes.txt", *saves]  # _?= keeps the uninstaller
        self.assertEqual(self.files(), sorted(kept))
        self.assertEqual((self.app / "Kestrava.dat").read_bytes(), hot_keys)
        self.assertFalse(self.shortcut.exists())
        self.assertNotIn("Kestrava", self.values(RUN_KEY))
        self.assertNotIn("Kestrava", self.values(APPROVED_KEY))
        self.assertEqual(self.values(APPS_KEY), {})
        cleanup = self.values(RUNONCE_KEY).get("Kestrava")
        self.assertEqual(cleanup, rf'"C:\windows\system32\cmd.exe" /d /c del /f /q "{self.app_win}\Kestrahk.dll*.old" '
                                  rf'"{self.app_win}\Kestrava.exe*.old" & rd "{self.app_win}"')
        self.rig.stop(probe)
        for name in ["Kestrava.dat", "Uninstall.exe"] + saves:  # as a user who deleted the hot keys leaves it
            (self.app / name).unlink()
        self.assertEqual(self.rig.wintool("run", cleanup), "0")
        self.assertEqual(self.files(), ["notes.txt"])

        # A copy running from another folder: a silent setup changes nothing and leaves it running.
        self.install(self.scratch / "portable")
        portable = self.rig.start(self.scratch / "portable" / "Kestrava.exe")
        self.assertTrue(wait_until(self.running, 20), "the portable copy did not start")
        self.assertEqual(self.run_setup(), 3)
        self.assertIsNone(portable.poll())
        self.assertTrue(self.running())
        self.assertEqual(self.files(), ["notes.txt"])

        # Once it has stopped, the setup installs, without start at sign-in, and the pending clean-up goes.
        self.rig.stop(portable)
        self.assertTrue(wait_until(lambda: not self.running(), 10))
        self.assertEqual(self.run_setup("/SIGNIN=0"), 0)
        self.assertNotIn("Kestrava", self.values(RUN_KEY))
        self.assertNotIn("Kestrava", self.values(RUNONCE_KEY))
        self.assertEqual(self.values(APPS_KEY).get("DisplayName"), "Kestrava")

        # A Kestrava that ends 12 s after it was asked to (a busy disk): while the user looks at the
        # setup's page, another setup is refused; then the upgrade waits, says Kestrava runs, and it does.
        shutil.copy(self.rig.bin / "bin" / "testapplet.exe", self.app / "Kestrava.exe")
        slow = self.rig.start(self.app / "Kestrava.exe", self.rig.winpath(self.scratch / "slow.log"), "slowclose")
        self.assertTrue(wait_until(self.running, 20), "the slow copy did not start")
        slow_pid = self.running_pid()
        setup, window = self.open_setup()
        self.assertEqual(self.run_setup(), 5)
        self.rig.wintool("command", f"{window:x}", 1)
        finished = wait_until(lambda: "Kestrava is running" in self.page_texts(window), 60)
        self.assertTrue(finished, self.page_texts(window))
        self.assertEqual(slow.wait(5), 0)
        self.assertIn("close asked", self.read(self.scratch / "slow.log"))
        self.assertTrue(wait_until(lambda: self.running() and self.running_pid() != slow_pid, 20))
        self.assert_current_binaries()
        self.rig.wintool("command", f"{window:x}", 1)  # Finish
        self.assertEqual(setup.wait(15), 0)

        # Another folder than the installed one is refused; so is an existing folder outside the profile.
        # A new one there gets a DACL of its own, from CreateDirectoryW: only the SDDL string handed to
        # Windows shows it (a seam: Wine turns a DACL into mode bits).
        self.assertEqual(self.run_setup(r"/D=C:\Tools\Kestrava"), 7)
        self.assertEqual(self.uninstall(), 0)
        tools = self.prefix / "drive_c" / "Tools"
        tools.mkdir()
        self.assertEqual(self.run_setup(r"/D=C:\Tools"), 6)
        self.assertEqual(list(tools.iterdir()), [])
        functions = "ConvertStringSecurityDescriptorToSecurityDescriptorW;CreateDirectoryW"
        self.rig.run("reg", "add", WINE_DEBUG_KEY, "/v", "RelayInclude", "/d", functions, "/f")
        trace = self.scratch / "setup.trace"
        with open(trace, "wb") as out:
            setup = self.rig.start(self.setup, "/S", r"/D=C:\Tools\Kestrava", trace="+relay", stderr=out)
            self.assertEqual(setup.wait(60), 0)
        self.rig.run("reg", "delete", WINE_DEBUG_KEY, "/v", "RelayInclude", "/f")
        calls = self.read(trace)
        sid = next(key.split("\\")[-1] for key, values in self.profiles()
                   if values.get("ProfileImagePath") == rf"C:\users\{self.app.parents[3].name}")
        sddl = re.findall(r'ConvertStringSecurityDescriptorToSecurityDescriptorW\([0-9a-f]+ L"([^"]*)"', calls)
        self.assertEqual(sddl, [f"D:P(A;OICI;FA;;;{sid})(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"])
        made = re.findall(r'CreateDirectoryW\([0-9a-f]+ L"C:\\\\Tools\\\\Kestrava",([0-9a-f]+)\)', calls)
        self.assertNotEqual(int(made[0], 16), 0, "created without the security attributes")
        self.assertEqual(stat.S_IMODE((tools / "Kestrava").stat().st_mode) & 0o007, 0, "other users may open it")

    def profiles(self):
        """(key, {name: data}) of each account the prefix has a profile for."""
        keys = [line.strip() for line in self.rig.run("reg", "query", PROFILES_KEY).stdout.splitlines()
                if line.startswith("HKEY_") and line.strip() != PROFILES_KEY.replace("HKLM", "HKEY_LOCAL_MACHINE")]
        return [(key, self.values(key)) for key in keys]

    def uninstall(self):
        """A silent uninstall, run in place so that this waits."""
        return self.rig.run(self.app / "Uninstall.exe", "/S", f"_?={self.app_win}", check=False).returncode



if __name__ == "__main__":
    main()
