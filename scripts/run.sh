#!/usr/bin/env bash
# Builds kxrsa (optimised), runs the demonstration of the kxrsa command against
# the openssl command, then the example programs of examples/: raw operations
# on a known key, then new keys through encryption, signatures, key generation
# and the JCMVP mode.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/demo.sh
cmake --preset release >/dev/null
examples=(raw_operations encrypt_decrypt sign_verify generate_key jcmvp_mode)
cmake --build --preset release --target "${examples[@]}"
for e in "${examples[@]}"; do
  echo "== $e"
  build/release/bin/$e
done
