#!/usr/bin/env bash
# Builds Qt (qtbase) and libxlsxwriter for 64-bit Windows from Debian's own
# source packages, once, into a cache outside the clone:
#
#   bash scripts/build-windows-deps.sh            # build what is missing
#   bash scripts/build-windows-deps.sh --print    # print the two prefixes
#   bash scripts/build-windows-deps.sh --check    # exit 0 when both are built
#
# The cache (ZEL_WINDOWS_CACHE, default ~/.cache/zelrpt) holds one directory
# per package version and toolchain, for example
#   qtbase-6.4.2+dfsg-10-<toolchain key>/prefix
# so a changed source version or compiler builds anew and a present build is
# reused by later runs and by CI on the same machine. Sources come only from
# the package registry (apt-get source); nothing is downloaded otherwise.
#
# The first run adds a deb-src entry for the distribution's main component
# (its own file under /etc/apt/sources.list.d/, only when no deb-src entry for
# it exists) and installs the cross compiler and the build tools; it needs
# root (or sudo). Heavy: run it with nice; it logs to <cache>/<package>.log.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CACHE="${ZEL_WINDOWS_CACHE:-$HOME/.cache/zelrpt}"
JOBS="${ZEL_JOBS:-$(nproc)}"
TRIPLET=x86_64-w64-mingw32
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
MODE="${1:-build}"

# --- The key of a build: the source version and the toolchain -------------
src_version() { # package -> version apt would fetch for `apt-get source`
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'
}
binary_version() { # fallback before the deb-src entry exists
  dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null || true
}
toolchain_key() {
  {
    "$TRIPLET-g++-posix" --version 2>/dev/null | head -n 1
    dpkg-query -W -f='${Version}\n' mingw-w64-x86-64-dev 2>/dev/null || true
    # This script's configure options are part of what was built.
    sed -n '/^# --- Qt options/,/^# --- end/p' "$0"
  } | sha1sum | cut -c1-10
}
pkg_version() { # source package, binary package of the same source
  local v
  v="$(src_version "$1")"
  [ -n "$v" ] || v="$(binary_version "$2")"
  echo "$v"
}

qt_dir() { echo "$CACHE/qtbase-$(pkg_version qt6-base qt6-base-dev)-$(toolchain_key)"; }
xlsx_dir() { echo "$CACHE/libxlsxwriter-$(pkg_version libxlsxwriter libxlsxwriter-dev)-$(toolchain_key)"; }

if [ "$MODE" = --print ]; then
  echo "QT_PREFIX=$(qt_dir)/prefix"
  echo "XLSX_PREFIX=$(xlsx_dir)/prefix"
  exit 0
fi
if [ "$MODE" = --check ]; then
  [ -f "$(qt_dir)/prefix/.complete" ] && [ -f "$(xlsx_dir)/prefix/.complete" ]
  exit $?
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# --- The deb-src entry and the tools ----------------------------------------
has_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! has_deb_src; then
  # The same mirror and suite as the first binary entry of the main component.
  uri="$(grep -rhsE '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 | awk '{print $2}')"
  suite="$(grep -rhsE '^Suites:' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 | awk '{print $2}')"
  if [ -z "$uri" ]; then
    read -r _ uri suite _ < <(grep -hE '^deb ' /etc/apt/sources.list | head -n 1)
  fi
  [ -n "$uri" ] && [ -n "$suite" ] || { echo "no Debian binary entry found for the deb-src entry" >&2; exit 1; }
  echo "Adding a deb-src entry for $uri $suite main"
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$uri" "$suite" | $SUDO tee /etc/apt/sources.list.d/zelrpt-deb-src.sources >/dev/null
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
fi

PACKAGES=(g++-mingw-w64-x86-64 libz-mingw-w64-dev dpkg-dev cmake ninja-build perl
  qt6-base-dev qt6-base-dev-tools)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

mkdir -p "$CACHE"
# One build at a time per cache (two work trees, CI): the second waits and
# then finds the first one's result.
exec 9>"$CACHE/.lock"
flock 9

fetch_source() { # package dir -> prints the unpacked source directory
  local pkg="$1" dir="$2"
  if [ ! -f "$dir/src/.unpacked" ]; then
    rm -rf "$dir/src"
    mkdir -p "$dir/src"
    (cd "$dir/src" && apt-get source -qq "$pkg=$(src_version "$pkg")" >/dev/null 2>&1)
    touch "$dir/src/.unpacked"
  fi
  find "$dir/src" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

since() { echo $(($(date +%s) - $1)); }

# --- Qt options (part of the toolchain key) ---------------------------------
# Only what the programs use: Core, Gui, Widgets, PrintSupport, Test, the
# windows and offscreen platform plugins and the Windows styles. Debian's
# source package leaves out src/3rdparty/wintab (so no tablet events), and
# the 6.4.2 windows platform plugin needs OpenGL (desktop; mingw-w64 has the
# headers). Direct2D stays on too: the Windows print engine calls the
# DirectWrite font engine, which is built only with it. The compiler's runtime
# stays in its DLLs (deployed beside the programs) rather than in every Qt DLL.
QT_OPTIONS=(
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DCMAKE_EXE_LINKER_FLAGS= -DCMAKE_SHARED_LINKER_FLAGS=
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DINPUT_opengl=desktop
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_system_zlib=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
  -DFEATURE_androiddeployqt=OFF
)
# --- end

build_qt() {
  local dir src start log
  dir="$(qt_dir)"
  log="$dir.log"
  [ -f "$dir/prefix/.complete" ] && { echo "Qt for Windows: cached in $dir/prefix"; return 0; }
  start=$(date +%s)
  mkdir -p "$dir"
  echo "Qt for Windows: building in $dir (log: $log)"
  src="$(fetch_source qt6-base "$dir")"
  rm -rf "$dir/prefix"
  {
    # A build that was cut short (a stopped session) goes on where it stopped.
    if [ ! -f "$dir/build/build.ninja" ]; then
      rm -rf "$dir/build"
      cmake -S "$src" -B "$dir/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$dir/prefix" "${QT_OPTIONS[@]}" || return 1
    fi
    cmake --build "$dir/build" -j "$JOBS" && cmake --install "$dir/build"
  } >>"$log" 2>&1 || { echo "Qt for Windows failed; see $log" >&2; return 1; }
  echo "$(since "$start")" >"$dir/prefix/.build-seconds"
  touch "$dir/prefix/.complete"
  rm -rf "$dir/build"
  echo "Qt for Windows: built in $(since "$start") s"
}

build_xlsx() {
  local dir src start log
  dir="$(xlsx_dir)"
  log="$dir.log"
  [ -f "$dir/prefix/.complete" ] && { echo "libxlsxwriter for Windows: cached in $dir/prefix"; return 0; }
  start=$(date +%s)
  mkdir -p "$dir"
  echo "libxlsxwriter for Windows: building in $dir (log: $log)"
  src="$(fetch_source libxlsxwriter "$dir")"
  rm -rf "$dir/build" "$dir/prefix"
  {
    # A static library with its own minizip; zlib is Debian's cross build.
    cmake -S "$src" -B "$dir/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
      -DCMAKE_INSTALL_PREFIX="$dir/prefix" -DCMAKE_BUILD_TYPE=Release \
      -DBUILD_SHARED_LIBS=OFF -DUSE_SYSTEM_MINIZIP=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF &&
      cmake --build "$dir/build" -j "$JOBS" && cmake --install "$dir/build"
  } >"$log" 2>&1 || { echo "libxlsxwriter for Windows failed; see $log" >&2; return 1; }
  echo "$(since "$start")" >"$dir/prefix/.build-seconds"
  touch "$dir/prefix/.complete"
  rm -rf "$dir/build"
  echo "libxlsxwriter for Windows: built in $(since "$start") s"
}

case "$MODE" in
  build) build_xlsx; build_qt ;;
  qt) build_qt ;;
  xlsx) build_xlsx ;;
  *) echo "usage: $0 [build|qt|xlsx|--print|--check]" >&2; exit 2 ;;
esac
