#!/usr/bin/env bash
# The package as a user gets it, from an existing build folder (default
# build/release): installs into a temporary prefix, builds every example
# against it with find_package and with pkg-config and runs them with only
# their own rpath; then builds the .deb files, unpacks them with dpkg-deb -x
# and builds an example against the unpacked tree.
# Usage: scripts/ci-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
examples=(raw_operations encrypt_decrypt sign_verify generate_key jcmvp_mode)

step() { echo "== $*"; }

step "install into $work/prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f -o -type l | sort)
lib=$(cd "$work/prefix" && ls -d lib*/ | head -1)
[ -f "$work/prefix/${lib}libkxrsa.so" ] || { echo "libkxrsa.so not installed" >&2; exit 1; }
exports=$(nm -D --defined-only "$work/prefix/${lib}libkxrsa.so" | awk '{print $3}' | sort)
[ "$(echo "$exports" | wc -l)" -eq 10 ] || { echo "installed libkxrsa.so exports: $exports" >&2; exit 1; }
readelf -d "$work/prefix/${lib}libkxrsa.so" | grep -q 'RUNPATH.*\[\$ORIGIN\]' ||
  { echo "installed libkxrsa.so lacks RUNPATH \$ORIGIN" >&2; exit 1; }

# The installed tree is moved before use: the CMake package and the .pc file
# must find everything from where they are.
mv "$work/prefix" "$work/moved"
prefix="$work/moved"

if [ -x "$prefix/bin/kxrsa" ]; then
  step "the installed kxrsa command"
  "$prefix/bin/kxrsa" --version
  "$prefix/bin/kxrsa" genkey --bits 1024 -o "$work/key.pem"
  echo "installed" | "$prefix/bin/kxrsa" sign -k "$work/key.pem" --scheme pss-sha256 -o "$work/sig"
  echo "installed" | "$prefix/bin/kxrsa" verify -k "$work/key.pem" --scheme pss-sha256 --signature "$work/sig"
  man -l "$prefix/share/man/man1/kxrsa.1" >/dev/null
fi

step "examples with find_package(kxrsa)"
cmake -S examples -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" -j2 >/dev/null
for e in "${examples[@]}"; do "$work/cmake/$e/$e" >/dev/null && echo "$e: ok"; done

step "examples with pkg-config"
cp -r examples "$work/pc"
make -s -C "$work/pc" PKG_CONFIG_PATH="$prefix/${lib}pkgconfig"
for e in "${examples[@]}"; do "$work/pc/$e/$e" >/dev/null && echo "$e: ok"; done

step "Debian packages"
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
ls "$work/deb"/*.deb
for deb in "$work/deb"/*.deb; do
  dpkg-deb -f "$deb" Package Depends
  dpkg-deb -x "$deb" "$work/root"
done
pcdir=$(dirname "$(find "$work/root" -name kxrsa.pc)")
cp -r examples/sign_verify "$work/deb-example"
cmake -S "$work/deb-example" -B "$work/deb-example/build" -DCMAKE_PREFIX_PATH="$work/root/usr" >/dev/null
cmake --build "$work/deb-example/build" >/dev/null
"$work/deb-example/build/sign_verify" >/dev/null && echo "sign_verify against the unpacked .deb: ok"
PKG_CONFIG_PATH=$pcdir pkg-config --modversion kxrsa
