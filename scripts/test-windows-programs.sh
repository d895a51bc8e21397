#!/usr/bin/env bash
# The Windows programs under Wine (label `windows`):
#
#   bash scripts/test-windows-programs.sh tests   # the unit, gui and e2e tests of the Windows build
#   bash scripts/test-windows-programs.sh install LINUX_CLI
#                                                 # setup.exe, ZelRpt.exe and zelrpt-cli.exe as a user runs them
#
# Both build the programs first (scripts/build-windows.sh --build-only; a
# no-op when they are up to date). Nothing is installed from here: without
# the cross tools or the Qt cache the run ends with 77 (ctest's "skipped").
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ZEL_WINDOWS_BUILD:-$ROOT/build/windows}"
WHAT="${1:-tests}"

ZEL_NO_INSTALL=1 bash "$ROOT/scripts/build-windows.sh" --build-only
status=$?
[ "$status" = 0 ] || exit "$status"

case "$WHAT" in
  install)
    exec bash "$ROOT/tests/windows/programs_under_wine.sh" "$BUILD/full/bin" "$2"
    ;;
  tests)
    WINE="$(dpkg -L wine64 | grep -E '/wine/wine64$' | head -n 1)"
    WINESERVER="$(dirname "$WINE")/wineserver"
    WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/zelrpt-wine.XXXXXX")"
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap '"$WINESERVER" -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
    "$WINE" wineboot --init >/dev/null 2>&1
    "$WINESERVER" -w
    cd "$BUILD/full" && ctest --output-on-failure -j "$(nproc)" -L 'unit|gui|e2e'
    ;;
  *)
    echo "usage: $0 tests | install LINUX_CLI" >&2
    exit 2
    ;;
esac
