#!/usr/bin/env python3
"""The release as a user gets it: the zip unpacked into a fresh folder of a
fresh Wine prefix runs, shows its icon and launches a hot key."""
import subprocess
import sys
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import DesktopTest, main, wait_until  # noqa: E402
from kestrava import KestravaTest  # noqa: E402
from rig import Rig, create_prefix, start_desktop  # noqa: E402
import shutil  # noqa: E402


class ReleaseTest(KestravaTest):
    def setUp(self):
        DesktopTest.setUp(self)
        self.prefix = self.scratch / "prefix"
        env = dict(self.rig.env, WINEPREFIX=str(self.prefix))
        create_prefix(env, "release")
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        start_desktop(env, self.scratch / "desktop.txt")
        self.rig = Rig(prefix=self.prefix, desktop="release")

        releases = sorted((self.rig.bin / "release").glob("Kestrava-*.zip"))
        self.assertTrue(releases, "no release zip was built")
        with zipfile.ZipFile(releases[-1]) as archive:
            names = sorted(archive.namelist())
            archive.extractall(self.scratch / "unpacked")
        self.assertEqual(names, ["Kestrava/", "Kestrava/Kestrahk.dll", "Kestrava/Kestrava.exe", "Kestrava/README.txt"])
        self.folder = self.scratch / "unpacked" / "Kestrava"
        shutil.copy(self.rig.bin / "bin" / "recorder.exe", self.folder)
        self.empty_tray = self.rig.tray_pixels("release-tray-empty")
        self.probe_log = self.scratch / "probe.log"

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


if __name__ == "__main__":
    main()
