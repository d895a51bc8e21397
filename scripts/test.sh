#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test (labels: unit, gui, interop, e2e, print, windows).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/install-deps.sh"
# Qt and libxlsxwriter for the Windows programs' tests (label windows): built
# once into ~/.cache/zelrpt from Debian's sources (about half an hour of two
# cores), reused by every later run. Where they cannot be built the run goes
# on, and ctest reports those tests as skipped with the reason.
if ! nice -n 10 bash "$ROOT/scripts/build-windows-deps.sh"; then
  echo "warning: Qt and libxlsxwriter for Windows could not be built (see ~/.cache/zelrpt/*.log);" \
    "the windows_programs_* tests will be reported as skipped" >&2
fi
BUILD="${ZEL_TEST_BUILD:-$ROOT/build/test}"
# Warnings are errors here, so none creeps in unseen.
bash "$ROOT/scripts/build.sh" "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=ON -DZEL_WERROR=ON
# Leaks fail a test; what Qt and the libraries under it keep for the process's life is suppressed.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$ROOT/cmake/lsan-qt.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
