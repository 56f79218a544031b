#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test headless:
# the Windows binaries and their tests under Wine on a private Xvfb display,
# the store's host tests, and a short fuzzing run. Ends with a pass/fail summary.
set -uo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

bash scripts/bootstrap.sh || exit 1

step() { echo; echo "== $*"; }

step "build: Windows binaries (mingw-w64, i686)"
cmake --preset windows >/dev/null || exit 1
cmake --build --preset windows || exit 1

step "build: host tests and fuzzer (clang)"
cmake --preset native >/dev/null || exit 1
cmake --build --preset native || exit 1

rm -rf build/windows/test-results build/native/test-results
failed=0

step "tests under Wine"
ctest --preset windows --output-junit "$PWD/build/windows/test-results/ctest.xml" || failed=1

step "host tests"
ctest --preset native --output-junit "$PWD/build/native/test-results/ctest.xml" || failed=1

step "fuzzing the data file reader (${KESTRAVA_FUZZ_SECONDS:-60} s)"
if bash scripts/fuzz-store.sh "${KESTRAVA_FUZZ_SECONDS:-60}"; then
    mkdir -p build/native/test-results
    echo '{"passed": 1, "failed": 0, "skipped": 0}' > build/native/test-results/fuzz.json
else
    failed=1
    echo '{"passed": 0, "failed": 1, "skipped": 0}' > build/native/test-results/fuzz.json
fi

step "summary ($(( $(date +%s) - started )) s)"
python3 scripts/summary.py build/windows/test-results build/native/test-results || failed=1
exit $failed
