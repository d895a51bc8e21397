#!/usr/bin/env bash
# Builds the Release benchmark programs in build/bench and runs every one of
# them (bin/*_bench), printing their figures. Then, on the fully filled bill
# (bench/filled_report.h): the peak memory of exporting a million lines
# (28,572 pages) to PDF, and the export of 35,000 lines (1,000 pages) with
# zelrpt-cli side by side with an office suite's PDF conversion of the same
# table (LibreOffice Calc, installed here when missing; ZEL_BENCH_NO_OFFICE=1
# leaves it out), each the median of 3 runs taken in turns, and their ratio.
# (compare_bench compares two reports of a million lines, 1 % changed: seconds,
# processor seconds, peak RSS.) Then the whole filled bill with zelrpt-cli
# render --pdf: seconds, processor seconds and peak memory.
#
#   bench.sh [--with-busy-core] [cmake options...]
#     --with-busy-core: the side-by-side once more while another process
#     keeps one core busy.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUSY=0
if [ "${1:-}" = --with-busy-core ]; then
  BUSY=1
  shift
fi
BUILD="${ZEL_BENCH_BUILD:-$ROOT/build/bench}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_BENCH=ON -DZEL_SANITIZE=OFF "$@" >/dev/null
targets=$(cmake --build "$BUILD" --target help | sed -n 's/^\([A-Za-z0-9_]*_bench\):.*/\1/p' | sort -u)
if [ -z "$targets" ]; then
  echo "no benchmark programs configured" >&2
  exit 1
fi
# shellcheck disable=SC2086
cmake --build "$BUILD" -j "$(nproc)" --target $targets zelrpt-cli write_filled_report
status=0
for prog in "$BUILD"/bin/*_bench; do
  [ -x "$prog" ] || continue
  echo "== $(basename "$prog")"
  "$prog" --benchmark_counters_tabular=true || status=1
done

echo "== peak memory, whole filled bill"
export QT_QPA_PLATFORM=offscreen
"$BUILD/bin/render_bench" --peak-memory || status=1

# ---------------------------------------------------------------------------
# Side by side with the office suite.
LINES=35000
RUNS=3
DATA="$BUILD/bench-data/side-by-side"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
"$BUILD/bin/write_filled_report" "$DATA" "$LINES"
REPORT="$DATA/P_RPTB02_FILLED.dbf"

# Calc opens a .dbf only through the database drivers package, which the
# Calc package does not pull in.
if [ "${ZEL_BENCH_NO_OFFICE:-0}" != 1 ] &&
  { ! command -v soffice >/dev/null || ! dpkg -s libreoffice-base-drivers >/dev/null 2>&1; }; then
  # Calc converts the table; the dBASE driver opens .dbf files.
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libreoffice-calc-nogui libreoffice-base-drivers \
    >/dev/null || echo "cannot install LibreOffice; its figures are left out" >&2
fi
office=""
if [ "${ZEL_BENCH_NO_OFFICE:-0}" != 1 ] && command -v soffice >/dev/null; then office=soffice; fi

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ours=()
theirs=()
# A profile of its own, made once before timing (its first start is slower).
PROFILE="file://$OUT/office-profile"
officeConvert() {
  "$office" "-env:UserInstallation=$PROFILE" --headless --convert-to pdf --outdir "$OUT/office" "$1" >/dev/null 2>&1
}
if [ -n "$office" ]; then
  "$BUILD/bin/write_filled_report" "$OUT/warm" 35 2>/dev/null
  officeConvert "$OUT/warm/P_RPTB02_FILLED.dbf" || true
  rm -rf "$OUT/office"
fi
sideBySide() {
  local label="$1" ours=() theirs=() start pages oursMedian theirsMedian officeFailed=0
  for ((i = 1; i <= RUNS; i++)); do
    start=$(now)
    "$BUILD/bin/zelrpt-cli" render "$REPORT" --pdf "$OUT/ours.pdf" >/dev/null || status=1
    ours+=("$(echo "$(now) - $start" | bc -l)")
    if [ -n "$office" ]; then
      start=$(now)
      officeConvert "$REPORT" || status=1
      theirs+=("$(echo "$(now) - $start" | bc -l)")
      if [ -s "$OUT/office/P_RPTB02_FILLED.pdf" ]; then
        rm -f "$OUT/office/P_RPTB02_FILLED.pdf"
      else
        echo "the office suite wrote no PDF" >&2
        officeFailed=1
        status=1
      fi
    fi
  done
  pages=$(pdfinfo "$OUT/ours.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')
  oursMedian=$(median "${ours[@]}")
  echo "-- $label (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  printf 'zelrpt-cli render --pdf, %s lines (%s pages): median %.2f s of %s (%s), %.0f pages/s\n' "$LINES" "$pages" \
    "$oursMedian" "$RUNS" "$(printf '%.2f ' "${ours[@]}")" "$(echo "$pages / $oursMedian" | bc -l)"
  if [ "$officeFailed" = 1 ]; then
    echo "soffice --convert-to pdf failed: no ratio"
  elif [ -n "$office" ]; then
    theirsMedian=$(median "${theirs[@]}")
    printf 'soffice --convert-to pdf, same table: median %.2f s of %s (%s)\n' "$theirsMedian" "$RUNS" \
      "$(printf '%.2f ' "${theirs[@]}")"
    printf 'ratio (office / zelrpt-cli): %.2f\n' "$(echo "$theirsMedian / $oursMedian" | bc -l)"
  fi
}
sideBySide "as the machine is"
if [ "$BUSY" = 1 ]; then
  # One core kept busy by a process of the script's own, stopped by its id.
  (while :; do :; done) &
  busy=$!
  sideBySide "one core kept busy"
  kill "$busy"
  wait "$busy" 2>/dev/null || true
fi

# The whole filled bill with zelrpt-cli, as a user runs it.
WHOLE="$BUILD/bench-data/whole-bill"
"$BUILD/bin/write_filled_report" "$WHOLE" 1000000
echo "== zelrpt-cli render --pdf, whole filled bill (load average $(cut -d' ' -f1-3 /proc/loadavg))"
/usr/bin/time -f 'wall %e s, processor %U s user + %S s system, peak memory %M KB' \
  "$BUILD/bin/zelrpt-cli" render "$WHOLE/P_RPTB02_FILLED.dbf" --pdf "$OUT/whole.pdf" || status=1
ls -l "$OUT/whole.pdf" | awk '{ printf "%.1f MB\n", $5 / 1e6 }'
exit $status
