#!/usr/bin/env bash
# Cross-builds the Windows DLLs with mingw-w64 and runs their tests under Wine.
# Installs mingw-w64 and Wine first when missing (as root). Prints the time taken.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
scripts/setup.sh windows

# A Wine prefix of its own, made once and kept warm (wineserver -p) for the
# whole run; crashes end the test instead of opening a dialog.
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making the Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
fi
# The services Wine starts with its first program outlive it: started here,
# they hold none of ctest's output pipes. Stopped again at the end.
wineserver -w  # a server left from an earlier command goes first
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
echo "== Windows build and tests under Wine: $(( $(date +%s) - start )) s"
