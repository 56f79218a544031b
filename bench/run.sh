#!/usr/bin/env bash
# Builds the benchmark programs in a Windows build tree, runs every figure
# several times on a Wine desktop of its own and prints the table.
# Usage: bench/run.sh [BUILD_DIR] [--runs N]   (BUILD_DIR default: build/windows)
set -euo pipefail
exec python3 "$(dirname "$0")/run.py" "$@"
