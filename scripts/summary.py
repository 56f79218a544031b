#!/usr/bin/env python3
"""Adds up the results of one test run: GoogleTest XML files, the end-to-end
tests' JSON counts, and CTest's JUnit file for tests that left neither.
Prints one line per source and a final "Summary: N passed, N failed" line."""
import json
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def main(folders):
    passed = failed = skipped = 0
    for folder in map(Path, folders):
        if folder.is_dir():
            p, f, s = count(folder, folder.parent.name)
            passed, failed, skipped = passed + p, failed + f, skipped + s
    print(f"Summary: {passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
    return 0 if failed == 0 and passed > 0 else 1


def count(folder, tree):
    """The counts of one build tree's results; `tree` names it in the lines printed."""
    passed = failed = skipped = 0
    detailed = set()
    ctest_files = []
    for path in sorted(folder.iterdir()):
        if path.name == "ctest.xml":
            ctest_files.append(path)
            continue
        if path.suffix == ".xml":
            root = ET.parse(path).getroot()
            tests, fails = int(root.get("tests", 0)), int(root.get("failures", 0)) + int(root.get("errors", 0))
            skips = int(root.get("skipped", 0)) + int(root.get("disabled", 0))
            p, f, s = tests - fails - skips, fails, skips
        elif path.suffix == ".json":
            data = json.loads(path.read_text())
            p, f, s = data["passed"], data["failed"], data.get("skipped", 0)
        else:
            continue
        detailed.add(path.stem)
        print(f"  {tree + '/' + path.stem:40} {p:5} passed {f:5} failed {s:3} skipped")
        passed, failed, skipped = passed + p, failed + f, skipped + s
    # CTest tests that wrote no detailed result (a crash before any output, a
    # plain script) count once each.
    for path in ctest_files:
        for case in ET.parse(path).getroot().iter("testcase"):
            name = case.get("name", "")
            stem = name.split(".", 1)[-1]
            status = case.get("status", "")
            bad = case.find("failure") is not None or case.find("error") is not None or status == "fail"
            if stem in detailed or f"test_{stem}" in detailed:
                if bad:
                    print(f"  {tree + '/' + name:40} reported failure by CTest")
                    failed += 1
                continue
            if bad:
                failed += 1
                print(f"  {tree + '/' + name:40}     0 passed     1 failed")
            elif name.startswith("rig."):
                continue  # the rig's own set-up and clean-up are no tests of the program
            elif status == "notrun" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    return passed, failed, skipped


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
