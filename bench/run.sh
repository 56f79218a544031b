#!/usr/bin/env bash
# Builds the benchmark programs in a Windows build tree, runs every figure
# several times on a Wine desktop of its own and prints the table.
# Usage: bench/run.sh [BUILD_DIR] [--runs N]
# BUILD_DIR defaults to the build this machine runs (scripts/arch.sh), built first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ] || [[ "$1" == --* ]]; then
    . scripts/arch.sh
    kestrava_pick_arch
    cmake --preset "$ARCH" >/dev/null
    set -- "build/$ARCH" "$@"
fi
exec python3 bench/run.py "$@"
