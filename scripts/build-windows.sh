#!/usr/bin/env bash
# Cross-builds the whole product for 64-bit Windows (ZelRpt.exe, setup.exe,
# zelrpt-cli.exe, the engine sde32.dll and its three drivers, with the Qt and
# compiler DLLs beside them) and makes the distributable:
#
#   bash scripts/build-windows.sh                # dist/: setup.exe, ZELRPT.E01, ZelRpt-windows.zip
#   bash scripts/build-windows.sh --build-only   # the build in build/windows/full only
#
# Qt and libxlsxwriter for Windows come from scripts/build-windows-deps.sh
# (Debian's sources, built once into ~/.cache/zelrpt). With ZEL_NO_INSTALL=1
# nothing is installed or built into the cache, and a machine without the
# tools or the cache ends with exit code 77 (ctest's "skipped").
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ZEL_WINDOWS_BUILD:-$ROOT/build/windows}"
DIST="${ZEL_DIST:-$ROOT/dist}"
MODE="${1:-dist}"
JOBS="${ZEL_JOBS:-$(nproc)}"
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
DEPS="$ROOT/scripts/build-windows-deps.sh"
# The compiler cache as scripts/build.sh uses it: paths under the root hashed as relative.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}" CCACHE_NOHASHDIR=1

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

if [ "${ZEL_NO_INSTALL:-0}" = 1 ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || skip "the mingw-w64 cross compiler is not installed"
  [ -d /usr/src/googletest ] || skip "Debian's googletest sources are not installed"
  bash "$DEPS" --check ||
    skip "Qt and libxlsxwriter for Windows are not built; run scripts/build-windows-deps.sh (about an hour on 2 cores)"
else
  start=$(date +%s)
  nice -n 10 bash "$DEPS"
  echo "== Qt and libxlsxwriter for Windows ready ($(($(date +%s) - start)) s)"
fi
eval "$(bash "$DEPS" --print)"

# GoogleTest for the target, shared with scripts/test-windows.sh.
GTEST_PREFIX="$BUILD/googletest"
if [ ! -f "$GTEST_PREFIX/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== Building GoogleTest for Windows"
  mkdir -p "$BUILD"
  cmake -S /usr/src/googletest -B "$BUILD/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$GTEST_PREFIX" -DBUILD_GMOCK=ON >"$BUILD/googletest.log"
  cmake --build "$BUILD/googletest-build" -j "$JOBS" >>"$BUILD/googletest.log"
  cmake --install "$BUILD/googletest-build" >>"$BUILD/googletest.log"
fi

# Wine runs the programs the build itself runs (the sample writer) and the tests.
WINE="$(dpkg -L wine64 2>/dev/null | grep -E '/wine/wine64$' | head -n 1 || true)"

echo "== Building the programs for Windows"
start=$(date +%s)
cmake -S "$ROOT" -B "$BUILD/full" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$QT_PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" \
  "-DZEL_MINGW_PREFIX=$GTEST_PREFIX;$XLSX_PREFIX" ${WINE:+-DZEL_WINE="$WINE"} >/dev/null
WINEDEBUG=-all cmake --build "$BUILD/full" -j "$JOBS"
echo "== Programs built ($(($(date +%s) - start)) s)"

[ "$MODE" = --build-only ] && exit 0

# dist/: setup.exe with what it loads, the archive it installs, and a zip of both.
BIN="$BUILD/full/bin"
rm -rf "$DIST.new"
mkdir -p "$DIST.new"
cp "$BIN/setup.exe" "$BIN/ZELRPT.E01" "$DIST.new/"
(cd "$DIST.new" && unzip -q -o ZELRPT.E01 -x 'samples/*' '*.exe' 'sde*.dll' README.TXT)
(cd "$DIST.new" && zip -q -r -X ZelRpt-windows.zip .)
rm -rf "$DIST"
mv "$DIST.new" "$DIST"
echo "Wrote $DIST:"
(cd "$DIST" && du -h --apparent-size setup.exe ZELRPT.E01 ZelRpt-windows.zip)
