#!/usr/bin/env bash
# CI: the build and the tests once more with clang (warnings are errors there too).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
scripts/setup.sh clang
scripts/test.sh clang
echo "ci-clang: ${SECONDS} s"
