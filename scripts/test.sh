#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless:
# the Windows binaries and their tests under Wine on a private Xvfb display,
# the store's host tests, and a short fuzzing run. Ends with a pass/fail summary.
#
# Both Windows builds are built. The whole suite runs on the one this machine
# can run (the 32-bit one where 32-bit Linux programs run, else the 64-bit
# one; KESTRAVA_ARCH=x86|x64 forces it). Where both run, the other build's
# unit tests and the setups over each other run too; elsewhere the other
# build is checked as files only.
set -uo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

bash scripts/bootstrap.sh || exit 1
. scripts/arch.sh
kestrava_pick_arch || exit 1

step() { echo; echo "== $*"; }
fail() { echo "test.sh: $*" >&2; exit 1; }

step "build: Windows binaries ($ARCH, mingw-w64)"
cmake --preset "$ARCH" >/dev/null || fail "configuring the $ARCH build failed (see above)"
cmake --build --preset "$ARCH" || fail "the $ARCH build failed (see above)"

rm -rf build/x86/test-results build/x64/test-results build/native/test-results
mkdir -p build/native/test-results
failed=0

# Beside the Wine tests, which mostly wait for windows and keys: the other
# build, the host build, its tests and the fuzzing run, at the lowest priority
# so that they never slow the programs under test. Exit 2: a build failed.
beside() {
    local status=0
    step "build: Windows binaries ($OTHER, mingw-w64)"
    cmake --preset "$OTHER" >/dev/null && cmake --build --preset "$OTHER" || return 2
    step "build: host tests and fuzzer (clang)"
    cmake --preset native >/dev/null && cmake --build --preset native || return 2
    step "host tests"
    ctest --preset native --output-junit "$PWD/build/native/test-results/ctest.xml" || status=1
    step "fuzzing the data file reader (${KESTRAVA_FUZZ_SECONDS:-60} s)"
    if bash scripts/fuzz-store.sh "${KESTRAVA_FUZZ_SECONDS:-60}"; then
        echo '{"passed": 1, "failed": 0, "skipped": 0}' > build/native/test-results/fuzz.json
    else
        status=1
        echo '{"passed": 0, "failed": 1, "skipped": 0}' > build/native/test-results/fuzz.json
    fi
    return $status
}
( renice -n 19 -p $BASHPID >/dev/null; beside ) > build/beside.log 2>&1 &
beside_pid=$!

step "tests of the $ARCH build under Wine"
ctest --preset "$ARCH" --output-junit "$PWD/build/$ARCH/test-results/ctest.xml" || failed=1

wait $beside_pid
beside_status=$?
cat build/beside.log
case $beside_status in
    0) ;;
    2) fail "a build beside the tests failed (see above)" ;;
    *) failed=1 ;;
esac

if [ "$BOTH" = 1 ]; then
    step "the $OTHER build: unit tests, the setups over each other, the files"
    ctest --preset "$OTHER" -L 'unit|cross|static' --no-tests=error --output-junit "$PWD/build/$OTHER/test-results/ctest.xml" || failed=1
    other_line="$OTHER: built, unit tests and setups run (the end-to-end suite runs once, on $ARCH)"
else
    step "the $OTHER build: its files ($NO_X86)"
    ctest --preset "$OTHER" -L static --no-tests=error --output-junit "$PWD/build/$OTHER/test-results/ctest.xml" || failed=1
    other_line="$OTHER: built and checked, not run ($NO_X86)"
fi

step "summary ($(( $(date +%s) - started )) s)"
if [ "$ARCH" = x64 ]; then loader="Wine's 64-bit loader"; else loader="Wine's 32-bit loader"; fi
echo "tested: $ARCH under $loader; $other_line"
python3 scripts/summary.py "build/$ARCH/test-results" "build/$OTHER/test-results" build/native/test-results || failed=1
exit $failed
