#!/usr/bin/env bash
# Cross-builds the toolkit-free core for 64-bit Windows with mingw-w64 (the
# engine sde32.dll and its three driver DLLs, viewer/data, viewer/engine, the
# app library (viewer/app), setup/unzip and the install steps with their Windows platform
# layer) and runs its unit tests under Wine.
#
#   bash scripts/test-windows.sh [ctest arguments...]
#
# Installs g++-mingw-w64-x86-64, wine64 and libz-mingw-w64-dev when missing and
# builds GoogleTest for the target from Debian's googletest sources. With
# ZEL_NO_INSTALL=1 nothing is installed and a machine without the tools ends
# with exit code 77 (ctest's "skipped").
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ZEL_WINDOWS_BUILD:-$ROOT/build/windows}"
PACKAGES=(g++-mingw-w64-x86-64 wine64 libz-mingw-w64-dev googletest cmake ninja-build)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "${ZEL_NO_INSTALL:-0}" = 1 ]; then
    echo "SKIPPED: the Windows cross tools are not installed (${missing[*]});" \
         "run scripts/install-deps.sh or scripts/test-windows.sh to install them" >&2
    exit 77
  fi
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# wine64's program is not on PATH in Debian.
WINE="$(dpkg -L wine64 | grep -E '/wine/wine64$' | head -n 1)"
if [ -z "$WINE" ] || [ ! -x "$WINE" ]; then
  echo "wine64 is installed but its program was not found" >&2
  exit 1
fi

TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
GTEST_PREFIX="$BUILD/googletest"
mkdir -p "$BUILD"

# GoogleTest for the target, once per build directory.
if [ ! -f "$GTEST_PREFIX/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== Building GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$BUILD/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$GTEST_PREFIX" -DBUILD_GMOCK=ON >"$BUILD/googletest.log"
  cmake --build "$BUILD/googletest-build" -j "$(nproc)" >>"$BUILD/googletest.log"
  cmake --install "$BUILD/googletest-build" >>"$BUILD/googletest.log"
fi

echo "== Building the core for Windows"
cmake -S "$ROOT" -B "$BUILD/core" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DZEL_MINGW_PREFIX="$GTEST_PREFIX" -DZEL_WINE="$WINE" -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$BUILD/core" -j "$(nproc)"

# A fresh Wine prefix in a temporary folder; its first start is the slow part.
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/zelrpt-wine.XXXXXX")"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  WINESERVER="$(dirname "$WINE")/wineserver"
  [ -x "$WINESERVER" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
echo "== Starting Wine"
"$WINE" wineboot --init >/dev/null 2>&1
WINESERVER="$(dirname "$WINE")/wineserver"
[ -x "$WINESERVER" ] && "$WINESERVER" -w || true

echo "== Running the unit tests under Wine"
cd "$BUILD/core"
ctest --output-on-failure -j "$(nproc)" "$@"
