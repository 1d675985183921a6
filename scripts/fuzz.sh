#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz/) with libFuzzer, ASan and UBSan, and
# runs each for FUZZ_SECONDS (default 45) from its committed seed corpus.
# Fails on any finding; the input is left in build/fuzz/findings/ and belongs,
# once fixed, in tests/fuzz/reproducers/<target>/. Usage: scripts/fuzz.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
seconds=${FUZZ_SECONDS:-45}
scripts/setup.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_seal fuzz_private fuzz_pkcs_decode fuzz_pkcs_encode fuzz_keygen fuzz_jcmvp)
build=build/fuzz
mkdir -p "$build/findings"
status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"  # new inputs go here, not into the committed corpus
  mkdir -p "$work"
  log="$build/findings/$target.log"
  if ! LD_LIBRARY_PATH="$PWD/$build/lib" ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$build/bin/$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
       -artifact_prefix="$build/findings/$target-" "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    echo "$target: FINDING (log: $log)"
    grep -m5 -E "fuzz check failed|ERROR: |runtime error|Test unit written" "$log" || tail -20 "$log"
    status=1
    continue
  fi
  execs=$(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -o 'cov: [0-9]* ft: [0-9]*')
  echo "$target: $execs executions, $cov"
done
echo "fuzz: ${SECONDS} s"
exit $status
