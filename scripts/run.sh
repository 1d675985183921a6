#!/usr/bin/env bash
# Builds kxrsa (optimised) and runs the example program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target raw_public
build/release/bin/raw_public
