#!/usr/bin/env bash
# Builds kxrsa (optimised) and runs the example programs: raw public-key
# operations on a known key, then a fresh key through every kind of operation.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target raw_public key_round_trip
echo "== raw public-key operations on a known 512-bit key"
build/release/bin/raw_public
echo "== a new 1024-bit key: OAEP, PSS and a raw round trip"
build/release/bin/key_round_trip
