#!/usr/bin/env bash
# Builds the optimised library and runs the benchmarks against OpenSSL.
# Extra arguments go to the benchmark program (e.g. --benchmark_filter=Seal).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kxrsa_bench
build/release/bin/kxrsa_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
