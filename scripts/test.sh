#!/usr/bin/env bash
# Builds kxrsa and runs every test. Usage: scripts/test.sh [preset]: release
# (default), asan, clang; tsan builds and runs only the program of threads
# under ThreadSanitizer. (The integer tests without the x86-64 kernels run in
# every build, as test_bignum_portable.)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
preset=${1:-release}
scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
echo "test.sh $preset: ${SECONDS} s"
