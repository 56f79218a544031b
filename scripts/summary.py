#!/usr/bin/env python3
"""Adds up the results of one test run: GoogleTest XML files, the end-to-end
tests' JSON counts, and CTest's JUnit file for tests that left neither.
Prints one line per source and a final "Summary: N passed, N failed" line.

No pass is counted that a test did not earn: every test is read one by one,
a test that CTest did not run (a failed fixture, a missing program) fails,
and a skip fails too unless it is on EXPECTED_SKIPS and its condition holds.
Each result file is named after its CTest test, so each test counts once."""
import json
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from rig import runs_32bit_programs  # noqa: E402

# (CTest test, the reason it gives, why that skip is expected, whether it holds on this machine)
EXPECTED_SKIPS = [
    ("e2e.cross_setup", "not run: this machine runs no 32-bit Linux programs",
     "the x86 setup runs only where 32-bit Linux programs run", lambda: not runs_32bit_programs()),
]
# CTest's messages for a skip the test itself asked for; any other "notrun" is a failure.
CTEST_OWN_SKIPS = ("SKIP_RETURN_CODE=", "SKIP_REGULAR_EXPRESSION_MATCHED")


def main(folders):
    passed = failed = 0
    skips = []
    retries = 0
    for folder in map(Path, folders):
        if folder.is_dir():
            p, f, s = count(folder, folder.parent.name)
            passed, failed, skips = passed + p, failed + f, skips + s
            retries += count_retries(folder.parent / "rig" / "retries.log", folder.parent.name)
    expected = 0
    for tree, test, reason in skips:
        why = next((why for name, said, why, holds in EXPECTED_SKIPS if (name, said) == (test, reason) and holds()),
                   None)
        if why:
            expected += 1
            print(f"  {tree + '/' + test:40} skipped as expected: {why}")
        else:
            failed += 1
            print(f"  {tree + '/' + test:40} skipped, which fails the run: {reason}")
    print(f"Summary: {passed} passed, {failed} failed"
          + (f", {expected} skipped as expected" if expected else "")
          + f", {retries} runs of Wine's tools retried")
    return 0 if failed == 0 and passed > 0 else 1


def count_retries(log, tree):
    """The runs of Wine's own tools that the rig started again (rig.py logs each)."""
    try:
        lines = log.read_text(errors="replace").splitlines()
    except OSError:
        return 0
    if lines:
        print(f"  {tree + '/rig':40} {len(lines)} runs of Wine's tools retried (listed in {log})")
    return len(lines)


def gtest_counts(path):
    """(passed, failed, [(test, reason) of each skip]) of a GoogleTest XML file, read test by test:
    GoogleTest 1.12 writes no count of skips on the whole file."""
    passed = failed = 0
    skips = []
    for case in ET.parse(path).getroot().iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        skipped = case.find("skipped")
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        elif skipped is not None or case.get("result") == "skipped":
            message = skipped.get("message", "") if skipped is not None else ""
            skips.append((name, message.split("\n", 1)[-1]))  # after the file:line GoogleTest puts first
        elif case.get("status") == "notrun":
            skips.append((name, "disabled"))
        else:
            passed += 1
    return passed, failed, skips


def count(folder, tree):
    """The counts of one build tree's results; `tree` names it in the lines printed.
    Returns (passed, failed, [(tree, test, reason) of each skip])."""
    passed = failed = 0
    skips = []
    detailed = {}  # result file stem (the CTest test's name): the failures it holds
    ctest_files = []
    for path in sorted(folder.iterdir()):
        if path.name == "ctest.xml":
            ctest_files.append(path)
            continue
        try:
            if path.suffix == ".xml":
                p, f, s = gtest_counts(path)
            elif path.suffix == ".json":
                data = json.loads(path.read_text())
                p, f = data["passed"], data["failed"]
                s = [tuple(skip) for skip in data.get("skips", [])]
                s += [("", "a skip with no reason")] * (data.get("skipped", 0) - len(s))
            else:
                continue
        except (OSError, ValueError, KeyError, ET.ParseError) as error:
            p, f, s = 0, 1, []
            print(f"  {tree + '/' + path.stem:40} unreadable result: {error}")
        if p + f + len(s) == 0:
            f = 1
            print(f"  {tree + '/' + path.stem:40} ran no test")
        detailed[path.stem] = f
        print(f"  {tree + '/' + path.stem:40} {p:5} passed {f:5} failed {len(s):3} skipped")
        passed, failed = passed + p, failed + f
        skips += [(tree, path.stem, reason) for _, reason in s]
    # CTest tests that wrote no detailed result (a crash before any output, a
    # plain script) count once each.
    for path in ctest_files:
        for case in ET.parse(path).getroot().iter("testcase"):
            name = case.get("name", "")
            status = case.get("status", "")
            skipped = case.find("skipped")
            message = skipped.get("message", "") if skipped is not None else ""
            bad = case.find("failure") is not None or case.find("error") is not None or status == "fail"
            if status == "notrun" and not message.startswith(CTEST_OWN_SKIPS):
                bad, why = True, f"not run: {message}"  # a failed fixture, a missing program or file
            elif status == "disabled":
                bad, why = True, "disabled"
            else:
                why = "failed"
            if name in detailed:
                if bad and not detailed[name]:  # it failed after its own count (a crash, a timeout)
                    print(f"  {tree + '/' + name:40} reported failure by CTest")
                    failed += 1
                continue
            if bad:
                failed += 1
                print(f"  {tree + '/' + name:40}     0 passed     1 failed ({why})")
            elif name.startswith("rig."):
                continue  # the rig's own set-up and clean-up are no tests of the program
            elif status == "notrun":
                skips.append((tree, name, message))
            else:
                passed += 1
    return passed, failed, skips


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
