#!/usr/bin/env python3
"""The two setups over each other in a 64-bit prefix, where the 32-bit build
runs too: each upgrades an install of the other build in place, stops the
running copy, keeps the hot keys and starts its own build."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
sys.path.insert(0, str(Path(__file__).resolve().parent))
from e2e import main, wait_until  # noqa: E402
from rig import runs_32bit_programs  # noqa: E402
from test_release import RUN_KEY, SetupTest, setup_of  # noqa: E402
import datafile  # noqa: E402


class CrossSetupTest(SetupTest):
    def setUp(self):
        if not runs_32bit_programs():
            self.skipTest("not run: this machine runs no 32-bit Linux programs")
        super().setUp()
        self.x86 = self.rig.bin.parent / "x86"  # the 32-bit build tree, beside this one
        self.assertTrue(setup_of(self.x86, "x86").is_file(), "the x86 setup was not built")

    def test_each_setup_upgrades_the_other_build(self):
        self.assertEqual(self.run_setup(setup=setup_of(self.x86, "x86")), 0)
        self.assert_current_binaries(self.x86)
        datafile.write_table(self.app / "Kestrava.dat", {"W": (self.recorder, "kept", "")})
        hot_keys = (self.app / "Kestrava.dat").read_bytes()
        self.start_at_sign_in(self.values(RUN_KEY)["Kestrava"])
        for build, setup in ((self.rig.bin, self.setup), (self.x86, setup_of(self.x86, "x86"))):
            before = self.running_pid()
            self.assertEqual(self.run_setup("/RUN", setup=setup), 0, setup.name)
            self.assert_current_binaries(build)
            self.assertEqual((self.app / "Kestrava.dat").read_bytes(), hot_keys)
            self.assertTrue(wait_until(lambda: self.running() and self.running_pid() != before, 20),
                            f"{setup.name} did not start its own Kestrava")


if __name__ == "__main__":
    main()
