#!/usr/bin/env bash
# compare-outputs.sh write BIN OUT: runs zelrpt-cli from BIN on its bundled
# sample reports (copies, so `margins --set` changes nothing shared) and
# keeps every output in OUT.
# compare-outputs.sh diff OUT_A OUT_B: compares two such directories byte for
# byte, PDFs apart from their dates and IDs, XLSX files member by member
# apart from the document's dates.
set -euo pipefail

normalize_pdf() {
  # Dates and the file ID change from run to run; the rest must not.
  LC_ALL=C sed -E -e 's#/(CreationDate|ModDate) *\([^)]*\)#/\1()#g' \
    -e 's#/ID *\[ *<[0-9A-Fa-f]*> *<[0-9A-Fa-f]*> *\]#/ID[]#g' "$1"
}

write_outputs() {
  local bin="$1" out="$2"
  local cli="$bin/zelrpt-cli"
  mkdir -p "$out"
  local work
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' RETURN
  cp -r "$bin/samples" "$work/samples"
  # The list shows file dates: the same for every run.
  find "$work/samples" -type f -exec touch -d "2001-02-03 04:05:06" {} +
  export QT_QPA_PLATFORM=offscreen
  record() {  # record NAME COMMAND...: stdout, stderr and the exit code
    local name="$1"
    shift
    set +e
    "$@" >"$out/$name.out" 2>"$out/$name.err"
    echo $? >"$out/$name.rc"
    set -e
  }
  record list "$cli" list "$work/samples"
  local f base
  for f in "$work/samples"/*.dbf "$work/samples"/*.DBF; do
    [ -e "$f" ] || continue
    base="$(basename "$f")"
    base="${base%.*}"
    record "$base.info" "$cli" info "$f"
    record "$base.find" "$cli" find "$f" --column 품명 --text 철근
    mkdir -p "$out/$base.png"
    record "$base.render-png" "$cli" render "$f" --png "$out/$base.png"
    record "$base.render-pdf" "$cli" render "$f" --pdf "$out/$base.pdf"
    record "$base.export-csv" "$cli" export "$f" --csv "$out/$base.csv"
    record "$base.export-xlsx" "$cli" export "$f" --xlsx "$out/$base.xlsx"
    record "$base.margins" "$cli" margins "$f"
    record "$base.margins-set" "$cli" margins "$f" --set 5 6 7 8
    record "$base.margins-after" "$cli" margins "$f"
    cp "${f%.*}".[fF][pP][tT] "$out/$base.fpt.after-margins" 2>/dev/null || true
  done
  # Names of outputs hold the scratch directory: take it out of the texts.
  local t
  for t in "$out"/*.out "$out"/*.err; do
    LC_ALL=C sed -i "s#$work#SAMPLES_DIR#g; s#$out#OUT_DIR#g" "$t"
  done
}

diff_outputs() {
  local a="$1" b="$2" bad=0 f rel
  while IFS= read -r -d '' f; do
    rel="${f#"$a"/}"
    if [ ! -e "$b/$rel" ]; then
      echo "only in $a: $rel"
      bad=1
      continue
    fi
    case "$rel" in
      *.pdf)
        cmp -s <(normalize_pdf "$f") <(normalize_pdf "$b/$rel") || { echo "differs: $rel"; bad=1; } ;;
      *.xlsx)
        local da db
        da="$(mktemp -d)" db="$(mktemp -d)"
        (cd "$da" && unzip -qq "$f")
        (cd "$db" && unzip -qq "$b/$rel")
        rm -f "$da/docProps/core.xml" "$db/docProps/core.xml"
        diff -r "$da" "$db" >/dev/null || { echo "differs: $rel"; bad=1; }
        rm -rf "$da" "$db" ;;
      *)
        cmp -s "$f" "$b/$rel" || { echo "differs: $rel"; bad=1; } ;;
    esac
  done < <(find "$a" -type f -print0 | sort -z)
  while IFS= read -r -d '' f; do
    rel="${f#"$b"/}"
    [ -e "$a/$rel" ] || { echo "only in $b: $rel"; bad=1; }
  done < <(find "$b" -type f -print0 | sort -z)
  [ "$bad" = 0 ] && echo "identical"
  return "$bad"
}

case "${1:-}" in
  write) write_outputs "$(cd "$2" && pwd)" "$(mkdir -p "$3" && cd "$3" && pwd)" ;;
  diff) diff_outputs "$(cd "$2" && pwd)" "$(cd "$3" && pwd)" ;;
  *) echo "usage: $0 write BIN OUT | diff OUT_A OUT_B" >&2; exit 2 ;;
esac
