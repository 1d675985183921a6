#!/usr/bin/env bash
# Builds the optimised library and runs the benchmarks against OpenSSL and,
# in the same run, against a baseline build of kxrsa.
#
# The baseline is the library of KX_BASELINE_COMMIT (default 2c20bdd, the
# release before the speed-ups; "none" skips it), exported with git archive
# into $TMPDIR/kxrsa-baseline-<commit>/ and built there once (library only,
# nothing of it is committed or installed). The benchmark program loads it
# beside the linked library (KX_BASELINE_LIB, see bench/bench_builds.h) and
# times each kxrsa benchmark for both as <name> and <name>_base. Repetitions
# are interleaved at random, so slow phases of a shared machine fall on all
# three sides alike; bench/summarize.py prints the medians, the spreads (cv)
# and the ratios.
#
# Extra arguments go to the benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter='Unseal|Seal' --benchmark_repetitions=9
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kxrsa_bench

commit=${KX_BASELINE_COMMIT:-2c20bdd}
baseline_lib=""
if [ "$commit" != none ]; then
  dir=${TMPDIR:-/tmp}/kxrsa-baseline-$commit
  if [ ! -f "$dir/build/lib/libkxrsa.so" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/src"
    git archive "$commit" | tar -x -C "$dir/src"
    cmake -S "$dir/src" -B "$dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DKX_BUILD_TESTS=OFF -DKX_BUILD_BENCH=OFF >/dev/null
    cmake --build "$dir/build" --target kxrsa -j2 >/dev/null
  fi
  baseline_lib=$dir/build/lib/libkxrsa.so
fi

json=build/release/bench.json
KX_BASELINE_LIB=$baseline_lib build/release/bin/kxrsa_bench \
  --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json "$@"
if command -v python3 >/dev/null; then
  python3 bench/summarize.py "$json"
fi
