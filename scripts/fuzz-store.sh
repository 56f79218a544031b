#!/usr/bin/env bash
# Fuzzes the settings archive reader with libFuzzer + AddressSanitizer.
#
# Usage: scripts/fuzz-store.sh SECONDS [BUILD_DIR]
#   SECONDS    how long to fuzz (default 60)
#   BUILD_DIR  host build tree to configure and build (default build/native)
#
# Seeds come from tests/store/corpus/ and are copied to BUILD_DIR/fuzz-store/,
# where new inputs and any crash reproducer (crash-*, leak-*, timeout-*) land.
# Exits non-zero when the fuzzer finds something.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build/native}

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target store_fuzz -j2 >/dev/null

work=$build/fuzz-store
mkdir -p "$work/corpus" "$work/artifacts"
cp -n "$root"/tests/store/corpus/* "$work/corpus/" 2>/dev/null || true

# The fuzzer's progress goes to a log; the summary, or the finding, is shown.
log=$work/fuzz.log
if "$build/tests/store/store_fuzz" "$work/corpus" \
    -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" >"$log" 2>&1; then
    grep -E '^(Done|stat::)' "$log" || true
    grep -E '^#[0-9]+' "$log" | tail -n 1
else
    status=$?
    tail -n 60 "$log"
    echo "fuzz-store: the fuzzer found a problem (log: $log, reproducer in $work/artifacts/)" >&2
    exit $status
fi
