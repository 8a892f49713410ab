#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs all tests. Usage: scripts/test.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j"$(nproc)"
