"""Base for end-to-end tests: each test gets the shared rig, its processes are
ended after it, and a failing test leaves a screenshot of the desktop."""
import json
import os
import re
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from rig import Rig, wait_until  # noqa: E402,F401


class DesktopTest(unittest.TestCase):
    def setUp(self):
        self.rig = Rig()
        self.scratch = self.rig.dir / "scratch" / self.id().replace(".", "_")
        if self.scratch.exists():
            import shutil
            shutil.rmtree(self.scratch)
        self.scratch.mkdir(parents=True)

    def set_registry(self, key, name, data, kind="REG_SZ"):
        """Sets a value in the shared prefix (name None: the key's default value) for this test
        only: the old value comes back with its type when the test ends, keys made for it go."""
        which = ["/ve"] if name is None else ["/v", name]
        query = self.rig.run("reg", "query", key, *which, check=False)
        found = [m for m in (re.match(r"^\s+(.*?)\s{4}(REG_\w+)(?:\s{4}(.*))?$", line)
                             for line in query.stdout.splitlines()) if m]
        if query.returncode == 0 and found:
            self.addCleanup(self.rig.run, "reg", "add", key, *which, "/t", found[0].group(2),
                            "/d", found[0].group(3) or "", "/f")
        elif self.rig.run("reg", "query", key, check=False).returncode == 0:  # gone again, if the test has not
            self.addCleanup(self.rig.run, "reg", "delete", key, *which, "/f", check=False)
        else:
            made = key  # the outermost key that does not exist yet goes, with what is below it
            while "\\" in made and self.rig.run("reg", "query", made.rsplit("\\", 1)[0], check=False).returncode:
                made = made.rsplit("\\", 1)[0]
            self.addCleanup(self.rig.run, "reg", "delete", made, "/f")
        self.rig.run("reg", "add", key, *which, "/t", kind, "/d", data, "/f")

    def tearDown(self):
        outcome = getattr(self, "_outcome", None)
        failed = False
        if outcome is not None:
            result = getattr(outcome, "result", None)
            errors = list(getattr(result, "errors", [])) + list(getattr(result, "failures", []))
            failed = any(test is self for test, _ in errors)
        if failed:
            print(f"screenshot: {self.rig.screenshot(self.id())}", file=sys.stderr)
        self.rig.stop_all()


def main():
    """Runs the module's tests, or those named on the command line (Class or
    Class.test_name), and records the counts for the run's summary."""
    module = sys.modules["__main__"]
    if len(sys.argv) > 1:
        suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[1:], module)
    else:
        suite = unittest.defaultTestLoader.loadTestsFromModule(module)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors)
    passed = result.testsRun - failed - len(result.skipped)
    results = Path(os.environ.get("KESTRAVA_BIN", ".")) / "test-results"
    results.mkdir(exist_ok=True)
    # Named after the CTest test (KESTRAVA_TEST), so that the summary counts each test once.
    name = os.environ.get("KESTRAVA_TEST") or Path(module.__file__).stem
    skips = [(test.id(), reason) for test, reason in result.skipped]
    (results / f"{name}.json").write_text(json.dumps({"passed": passed, "failed": failed,
                                                       "skipped": len(skips), "skips": skips}))
    sys.exit(0 if result.wasSuccessful() else 1)
