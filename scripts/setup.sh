#!/usr/bin/env bash
# Installs the Debian packages kxrsa builds and tests with, when any is missing.
# Needs root to install; otherwise it only reports what is missing. Further
# packages a step needs (clang, valgrind, ...) can be named as arguments;
# `windows` names the mingw-w64 cross compiler and Wine, for the Windows DLLs
# and their tests.
set -euo pipefail

packages=(cmake g++ pkg-config make binutils git
          googletest libgtest-dev libbenchmark-dev
          nettle-dev libgmp-dev libssl-dev openssl nlohmann-json3-dev
          dpkg-dev file)
for arg in "$@"; do
  case $arg in
    windows) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64) ;;
    *) packages+=("$arg") ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages (install them as root): ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
# Waits for another package manager run to finish instead of failing.
apt_get() { apt-get -o DPkg::Lock::Timeout=900 "$@"; }
apt_get update -qq
DEBIAN_FRONTEND=noninteractive apt_get install -y -qq --no-install-recommends "${missing[@]}"
