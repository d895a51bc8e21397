#!/usr/bin/env bash
# test-tsan.sh [BUILD_DIR]: builds the code that runs on more than one thread with ThreadSanitizer,
# into its own build directory and only the targets needed: the export's background writer (and
# the output file's reader thread) through export_unit_test, and the PDF drawn on worker threads
# by zelrpt-cli through the command line's PDF cases of cli_e2e_test. A data race or a lock-order
# inversion fails the run (the program exits 66 and its test fails). BUILD_DIR is build/test/tsan
# unless given, where the test run puts it, so both share the compiler cache.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build/test/tsan}"
mkdir -p "$BUILD"
BUILD="$(cd "$BUILD" && pwd)"

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}" CCACHE_NOHASHDIR=1
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-8G}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEL_TSAN=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target export_unit_test cli_e2e_test zelrpt-cli samples

# As ctest runs them (cmake/ZelTesting.cmake).
export ZEL_SOURCE_DIR="$ROOT" ZEL_BINARY_DIR="$BUILD" QT_QPA_PLATFORM=offscreen
# Reports that come only from Qt's uninstrumented locks would be suppressed in cmake/tsan-qt.supp.
# Every report also goes to a file, so one from a child program fails the run even where its
# test does not look at the exit code.
REPORTS="$BUILD/tsan-reports"
rm -rf "$REPORTS"
mkdir -p "$REPORTS"
export TSAN_OPTIONS="halt_on_error=0:exitcode=66:second_deadlock_stack=1:suppressions=$ROOT/cmake/tsan-qt.supp:log_path=$REPORTS/report"
status=0
echo "== export_unit_test (the background writer, the output file)"
"$BUILD/bin/export_unit_test" --gtest_brief=1 || status=1
echo "== cli_e2e_test: the PDF on worker threads"
"$BUILD/bin/cli_e2e_test" --gtest_brief=1 \
  --gtest_filter='CliEndToEnd.PortraitReportToPdf:CliEndToEnd.PagesThreeToFiveNumberedFromTen:CliEndToEnd.InterruptStopsAtAPageBoundaryWithAValidPdf:Workers/CliPdfThreads.*' ||
  status=1
if [ -n "$(ls -A "$REPORTS")" ]; then
  cat "$REPORTS"/*
  echo "FAILED: ThreadSanitizer reports above"
  status=1
fi
exit $status
