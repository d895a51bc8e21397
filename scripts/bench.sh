#!/usr/bin/env bash
# Builds the Release benchmark programs in build/bench and runs every one of
# them (bin/*_bench), printing their figures.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ZEL_BENCH_BUILD:-$ROOT/build/bench}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_BENCH=ON -DZEL_SANITIZE=OFF "$@" >/dev/null
targets=$(cmake --build "$BUILD" --target help | sed -n 's/^\([A-Za-z0-9_]*_bench\):.*/\1/p' | sort -u)
if [ -z "$targets" ]; then
  echo "no benchmark programs configured" >&2
  exit 1
fi
# shellcheck disable=SC2086
cmake --build "$BUILD" -j "$(nproc)" --target $targets
status=0
for prog in "$BUILD"/bin/*_bench; do
  [ -x "$prog" ] || continue
  echo "== $(basename "$prog")"
  "$prog" --benchmark_counters_tabular=true || status=1
done
exit $status
