#!/usr/bin/env bash
# test-fuzz.sh [BUILD_DIR]: builds every libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into its own build directory (only the fuzz targets and their seed
# writers), writes the seed corpora and runs each target over its corpus for a short while
# (ZEL_FUZZ_SECONDS, 15 by default): the seeds first, then what the fuzzer makes of them.
# Exits 77 (skipped) without clang, 1 when a target finds a fault; the input that shows it is
# kept in BUILD_DIR/findings. BUILD_DIR is build/test/fuzz unless given, where the test run puts
# it: the compiler cache keys on paths relative to the source root, so one depth shares the cache.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build/test/fuzz}"
mkdir -p "$BUILD"
BUILD="$(cd "$BUILD" && pwd)"
SECONDS_EACH="${ZEL_FUZZ_SECONDS:-15}"

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "SKIPPED: clang is not installed (the fuzz targets need clang's libFuzzer)"
  exit 77
fi
# libFuzzer comes with clang's runtime libraries (libclang-rt-*-dev on Debian).
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "SKIPPED: clang has no libFuzzer runtime"
  exit 77
fi

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}" CCACHE_NOHASHDIR=1
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-8G}"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEL_FUZZ=ON \
  -DZEL_GUI=OFF >/dev/null
TARGETS=(table_fuzz tag_file_fuzz settings_block_fuzz unzip_fuzz install_fuzz)
cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]}" table_fuzz_seeds unzip_fuzz_seeds

BIN="$BUILD/bin"
WORK="$BUILD/corpus"
FINDINGS="$BUILD/findings"
rm -rf "$WORK"
mkdir -p "$WORK" "$FINDINGS"

# Seeds: tables and an index file made by the engine, archives made by the project's ZIP writer,
# and settings blocks in the report's own form (key NUL value NUL block).
"$BIN/table_fuzz_seeds" "$WORK/table_fuzz" "$WORK/tag_file_fuzz"
"$BIN/unzip_fuzz_seeds" "$WORK/unzip_fuzz"
cp -r "$WORK/unzip_fuzz" "$WORK/install_fuzz"
mkdir -p "$WORK/settings_block_fuzz"
# Entries <KEY>=\xA2\xDDvalue\xA2\xDD, CR LF between them.
printf 'PAGESPACE\0003|\000<RPTCODE>=\242\335B02\242\335\r\n<PAGESPACE>=\242\3352|\242\335\r\n' \
  >"$WORK/settings_block_fuzz/keys"
printf 'MARGIN\00010|10|10|10|\000<TITLE>=\242\335seed\242\335\r\n<MARGIN>=\242\3355|5|5|5|\242\335\r\n' \
  >"$WORK/settings_block_fuzz/tokens"
printf 'NCUT\0001\000<PRCDEC>=\242\3353\242\335\r\n<CSTDEC>=\242\3350\242\335\r\n<NCUT>=\242\335G\242\335\r\n' \
  >"$WORK/settings_block_fuzz/decimals"
printf '\000\000' >"$WORK/settings_block_fuzz/empty"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for target in "${TARGETS[@]}"; do
  echo "== $target: $(find "$WORK/$target" -maxdepth 1 -type f | wc -l) seeds, ${SECONDS_EACH} s"
  log="$BUILD/$target.log"
  if (cd "$BUILD" && "$BIN/$target" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$FINDINGS/$target-" "$WORK/$target" >"$log" 2>&1); then
    grep -E '^(Done|stat::(number_of_executed_units|new_units_added))' "$log" || true
  else
    tail -n 60 "$log"
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]} (inputs in $FINDINGS)"
  exit 1
fi
echo "every fuzz target ran ${SECONDS_EACH} s without a finding"
