#!/usr/bin/env bash
# CI: valgrind memcheck over the release build's unit tests (scripts/test.sh
# builds it): no invalid access, no uninitialised read, no leak. Programs whose
# full runs take too long under valgrind (allocation sweeps, 2048-bit keys
# made by OpenSSL) run a representative part; the fuzz targets replay their
# corpus and reproducers.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
scripts/setup.sh valgrind
[ -x build/release/bin/test_seal ] || { cmake --preset release && cmake --build --preset release; }
bin=build/release/bin
fake="$PWD/build/release/fakes/rng"
memcheck() {
  echo "== valgrind: $*"
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
           --track-origins=yes --quiet "$@"
}
memcheck $bin/test_seal --gtest_brief=1 --gtest_filter=SealBlock.DecisionOrder*
memcheck $bin/test_bignum --gtest_brief=1
memcheck $bin/test_siblings --gtest_brief=1
LD_LIBRARY_PATH="$fake" KX_FAKE_RNG=1 memcheck $bin/test_rsa --gtest_brief=1 \
  --gtest_filter=*Blinding*:*DecisionOrder*
LD_LIBRARY_PATH="$fake" KX_FAKE_RNG=1 memcheck $bin/test_pkcs1 --gtest_brief=1 \
  --gtest_filter=-*GeneratorAndAllocationFailures*
LD_LIBRARY_PATH="$fake" KX_FAKE_RNG=1 memcheck $bin/test_keygen --gtest_brief=1 \
  --gtest_filter=*ArgumentRules*:*ShortComponents*:*FailedPairwise*
LD_LIBRARY_PATH="$PWD/build/release/lib" memcheck $bin/test_jcmvp --gtest_brief=1 \
  --gtest_filter=JcmvpReal.*
for target in fuzz_seal fuzz_private fuzz_pkcs_decode fuzz_pkcs_encode fuzz_keygen fuzz_jcmvp; do
  LD_LIBRARY_PATH="$PWD/build/release/lib" memcheck $bin/$target tests/fuzz/corpus/$target \
    tests/fuzz/reproducers/$target
done
echo "valgrind: ${SECONDS} s"
