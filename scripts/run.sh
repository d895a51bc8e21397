#!/usr/bin/env bash
# Installs what is needed, builds Release into build/release and starts the
# viewer on the bundled sample reports. Without a display it lists and
# describes the samples with zelrpt-cli and renders one of them to PDF.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/install-deps.sh"
BUILD="$ROOT/build/release"
bash "$ROOT/scripts/build.sh" "$BUILD" -DCMAKE_BUILD_TYPE=Release
BIN="$BUILD/bin"
SAMPLES="$BIN/samples"
CLI="$BIN/zelrpt-cli"

if [ ! -d "$SAMPLES" ]; then
  echo "No sample reports in $SAMPLES" >&2
  exit 1
fi

if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$BIN/ZelRpt" ]; then
  # The viewer reads its report directory from Info.INI beside the program.
  printf '[INFO]\r\nDIR=%s\r\n' "$SAMPLES" > "$BIN/Info.INI"
  exec "$BIN/ZelRpt"
fi

export QT_QPA_PLATFORM=offscreen
echo "== Reports in $SAMPLES"
"$CLI" list "$SAMPLES"
first=""
while IFS=$'\t' read -r name _; do
  [ -n "$name" ] || continue
  [ -n "$first" ] || first="$name"
  echo
  echo "== $name"
  "$CLI" info "$SAMPLES/$name" || true
done < <("$CLI" list "$SAMPLES" 2>/dev/null)

if [ -z "$first" ]; then
  echo "No report listed." >&2
  exit 1
fi
OUT="$ROOT/out"
mkdir -p "$OUT"
PDF="$OUT/${first%.*}.pdf"
echo
"$CLI" render "$SAMPLES/$first" --pdf "$PDF" >/dev/null
echo "Rendered $first to $PDF"
