#!/usr/bin/env bash
# compare-outputs.sh write BUILD OUTDIR: runs zelrpt-cli of BUILD over the bundled
#   samples and writes every output (list, info, find, PNG and PDF pages, CSV, XLSX,
#   margins on copies) with its exit status into OUTDIR.
# compare-outputs.sh diff BEFORE AFTER: compares two such directories byte for byte;
#   PDF and XLSX files are compared without their creation dates and document IDs,
#   a PDF with its streams uncompressed (qpdf) so a compressor change is no change.
# A change that must not change behaviour is proved by writing the outputs of a
# Release build before and after it and diffing them.
set -euo pipefail

write() {
  local build out cli samples
  build="$(cd "$1" && pwd)"
  out="$(mkdir -p "$2" && cd "$2" && pwd)"
  cli="$build/zelrpt-cli"
  samples="$build/bin/samples"
  [ -x "$cli" ] || cli="$build/bin/zelrpt-cli"
  [ -x "$cli" ] || { echo "no zelrpt-cli in $build" >&2; exit 1; }
  [ -d "$samples" ] || { echo "no samples in $build" >&2; exit 1; }
  rm -rf "$out"
  mkdir -p "$out"
  # Every command runs from a scratch copy, so margins --set never touches the build's samples.
  local work
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' RETURN
  cp -a "$samples/." "$work/"
  # The samples are made at build time: one fixed date, so the listing compares.
  find "$work" -type f -exec touch -d "2026-01-01 12:00:00" {} +
  run() {  # run NAME ARGS...: stdout, stderr and exit status of one command
    local name="$1"
    shift
    set +e
    (cd "$work" && "$cli" "$@") >"$out/$name.out" 2>"$out/$name.err"
    echo $? >"$out/$name.rc"
    set -e
    # Where this run wrote its files is no part of the output.
    sed -i -e "s#$out#OUT#g" -e "s#$work#WORK#g" "$out/$name.out" "$out/$name.err"
  }
  run list list .
  local f base
  for f in "$work"/*.dbf "$work"/*.DBF; do
    [ -e "$f" ] || continue
    base="$(basename "$f")"
    run "info-$base" info "$base"
    run "margins-$base" margins "$base"
    mkdir -p "$out/png-$base"
    run "png-$base" render "$base" --png "$out/png-$base"
    run "pdf-$base" render "$base" --pdf "$out/$base.pdf"
    run "csv-$base" export "$base" --csv "$out/$base.csv"
    run "csv-codes-$base" export "$base" --csv "$out/$base.codes.csv" --with-codes
    run "xlsx-$base" export "$base" --xlsx "$out/$base.xlsx"
  done
  # A column and text of the bundled bill; a report without them gives its refusal.
  for f in "$work"/*.dbf; do
    base="$(basename "$f")"
    run "find-$base" find "$base" --column "단위" --text "M3"
    run "find-after-$base" find "$base" --column "단위" --text "M3" --after-page 1
  done
  # The margins written into a copy: the settings block's bytes afterwards.
  for f in "$work"/*.dbf; do
    base="$(basename "$f")"
    run "margins-set-$base" margins "$base" --set 10 11 12 13
    run "margins-after-$base" margins "$base"
    cp "${f%.*}.fpt" "$out/$base.fpt-after-margins" 2>/dev/null || true
  done
}

# The XLSX without the creation and change dates of docProps/core.xml; a PDF
# without its creation date and document ID.
normalise() {
  case "$1" in
    *.xlsx)
      local dir
      dir="$(mktemp -d)"
      (cd "$dir" && unzip -qq -o "$1")
      [ -f "$dir/docProps/core.xml" ] &&
        sed -i -E 's#<dcterms:(created|modified)[^>]*>[^<]*</dcterms:[a-z]+>##g' "$dir/docProps/core.xml"
      (cd "$dir" && find . -type f | LC_ALL=C sort | while read -r p; do echo "== $p"; cat "$p"; done)
      rm -rf "$dir"
      ;;
    *.pdf)
      # Streams uncompressed first where qpdf is there: the drawing, not the
      # compressor's bytes, is what must not change.
      if command -v qpdf >/dev/null; then
        qpdf --qdf --object-streams=disable "$1" - 2>/dev/null || cat "$1"
      else
        cat "$1"
      fi | LC_ALL=C sed -E -e 's#/CreationDate ?\([^)]*\)##g' -e 's#/ModDate ?\([^)]*\)##g' \
        -e 's#/ID ?\[[^]]*\]##g' -e 's#<xmp:CreateDate>[^<]*</xmp:CreateDate>##g' \
        -e 's#<xmp:ModifyDate>[^<]*</xmp:ModifyDate>##g' -e 's#<xmp:MetadataDate>[^<]*</xmp:MetadataDate>##g' \
        -e 's#uuid:[0-9a-fA-F-]+##g' -e '/^%% Original object ID/d'
      ;;
    *) cat "$1" ;;
  esac
}

compare() {
  local before after differ=0 rel
  before="$(cd "$1" && pwd)"
  after="$(cd "$2" && pwd)"
  if ! diff <(cd "$before" && find . -type f | LC_ALL=C sort) <(cd "$after" && find . -type f | LC_ALL=C sort); then
    echo "the two runs wrote different files" >&2
    differ=1
  fi
  while read -r rel; do
    [ -f "$after/$rel" ] || continue
    if ! cmp -s "$before/$rel" "$after/$rel"; then
      if ! cmp -s <(normalise "$before/$rel") <(normalise "$after/$rel"); then
        echo "differs: $rel" >&2
        differ=1
      fi
    fi
  done < <(cd "$before" && find . -type f | LC_ALL=C sort)
  local count
  count="$(cd "$before" && find . -type f | wc -l)"
  if [ "$differ" = 0 ]; then
    echo "identical: $count files (PDF and XLSX apart from dates and IDs)"
  fi
  return "$differ"
}

case "${1:-}" in
  write) write "$2" "$3" ;;
  diff) compare "$2" "$3" ;;
  *)
    echo "usage: $0 write BUILD OUTDIR | diff BEFORE AFTER" >&2
    exit 2
    ;;
esac
