#!/usr/bin/env bash
# Proves a change leaves the programs' outputs alone.
#
#   compare-outputs.sh BUILD_DIR OUT_DIR   writes what zelrpt-cli of BUILD_DIR makes of its bundled
#                                          sample reports into OUT_DIR (list, info, find, PNG, PDF,
#                                          CSV, XLSX, margins on copies; each command's standard
#                                          output, standard error and exit code)
#   compare-outputs.sh --diff A B          compares two such folders byte for byte, PDF and XLSX
#                                          apart from their creation dates and document IDs;
#                                          exits 0 when they match, 1 with the differences
#
# Typical use: build Release of the base into build/before and of the branch into build/after,
# run the first form for each, then --diff.
set -euo pipefail

usage() {
  echo "usage: $0 BUILD_DIR OUT_DIR | --diff A B" >&2
  exit 2
}

diff_outputs() {
  local a="$1" b="$2"
  [ -d "$a" ] && [ -d "$b" ] || usage
  python3 - "$a" "$b" <<'EOF'
import io, os, re, sys, zipfile

a_root, b_root = sys.argv[1], sys.argv[2]

# Masked to the same length, so cross-reference offsets stay comparable.
PDF_VOLATILE = [
    rb"/CreationDate\s*\([^)]*\)",
    rb"/ModDate\s*\([^)]*\)",
    rb"/ID\s*\[\s*<[0-9A-Fa-f]*>\s*<[0-9A-Fa-f]*>\s*\]",
    rb"<xmp:CreateDate>[^<]*</xmp:CreateDate>",
    rb"<xmp:ModifyDate>[^<]*</xmp:ModifyDate>",
    rb"<xmp:MetadataDate>[^<]*</xmp:MetadataDate>",
    rb"<xmpMM:DocumentID>[^<]*</xmpMM:DocumentID>",
    rb"<xmpMM:InstanceID>[^<]*</xmpMM:InstanceID>",
    rb'xmpMM:DocumentID="[^"]*"',
    rb'xmpMM:InstanceID="[^"]*"',
    rb'rdf:about="[^"]*"',
]
XLSX_VOLATILE = [
    rb"<dcterms:created[^>]*>[^<]*</dcterms:created>",
    rb"<dcterms:modified[^>]*>[^<]*</dcterms:modified>",
]


def mask(data, patterns):
    for p in patterns:
        data = re.sub(p, lambda m: b"#" * len(m.group(0)), data)
    return data


def xlsx_members(data):
    # The ZIP headers carry the write time; the members' contents are what matters.
    with zipfile.ZipFile(io.BytesIO(data)) as z:
        return [(i.filename, mask(z.read(i), XLSX_VOLATILE)) for i in z.infolist()]


def files(root):
    out = set()
    for d, _, names in os.walk(root):
        for n in names:
            out.add(os.path.relpath(os.path.join(d, n), root))
    return out


problems = []
a_files, b_files = files(a_root), files(b_root)
for f in sorted(a_files - b_files):
    problems.append(f"only in {a_root}: {f}")
for f in sorted(b_files - a_files):
    problems.append(f"only in {b_root}: {f}")
for f in sorted(a_files & b_files):
    with open(os.path.join(a_root, f), "rb") as fa, open(os.path.join(b_root, f), "rb") as fb:
        da, db = fa.read(), fb.read()
    if da == db:
        continue
    low = f.lower()
    if low.endswith(".pdf"):
        same = mask(da, PDF_VOLATILE) == mask(db, PDF_VOLATILE)
    elif low.endswith(".xlsx"):
        try:
            same = xlsx_members(da) == xlsx_members(db)
        except zipfile.BadZipFile:
            same = False
    else:
        same = False
    if not same:
        problems.append(f"differs: {f}")

for p in problems:
    print(p)
print(f"{len(a_files | b_files)} files compared, {len(problems)} differences")
sys.exit(1 if problems else 0)
EOF
}

if [ "${1:-}" = "--diff" ]; then
  [ $# -eq 3 ] || usage
  diff_outputs "$2" "$3"
  exit $?
fi
[ $# -eq 2 ] || usage

BUILD="$(cd "$1" && pwd)"
CLI="$BUILD/bin/zelrpt-cli"
SAMPLES="$BUILD/bin/samples"
[ -x "$CLI" ] || { echo "no zelrpt-cli in $BUILD/bin" >&2; exit 1; }
[ -d "$SAMPLES" ] || { echo "no sample reports in $SAMPLES" >&2; exit 1; }

mkdir -p "$2"
OUT="$(cd "$2" && pwd)"
if [ -n "$(ls -A "$OUT")" ]; then
  echo "$OUT is not empty" >&2
  exit 1
fi

# Every command runs in the output folder on relative names, so paths in messages match between
# two folders; the reports are copies, so the margin writer never touches the build's samples.
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TZ=UTC
cd "$OUT"
mkdir reports margins
cp "$SAMPLES"/* reports/
cp "$SAMPLES"/* margins/
# The list shows each file's time: one fixed time, not the build's.
touch -d '2001-02-03 04:05:06' reports/* margins/*

# run NAME CLI-ARGS...: standard output, standard error and exit code into NAME.{out,err,rc}.
run() {
  local name="$1"; shift
  local rc=0
  "$CLI" "$@" >"$name.out" 2>"$name.err" || rc=$?
  echo "$rc" >"$name.rc"
}

run list list reports
for dbf in reports/*.dbf; do
  base="$(basename "$dbf" .dbf)"
  run "info-$base" info "$dbf"
  run "find-$base-name" find "$dbf" --column 품명 --text 철근
  run "find-$base-name-after2" find "$dbf" --column 품명 --text 철근 --after-page 2
  run "find-$base-unit" find "$dbf" --column 단위 --text M3
  run "find-$base-none" find "$dbf" --column 품명 --text 없는말
  mkdir -p "png-$base" "png80-$base"
  run "render-png-$base" render "$dbf" --png "png-$base"
  run "render-png80-$base" render "$dbf" --png "png80-$base" --dpi 80 --pages 1-2
  run "render-pdf-$base" render "$dbf" --pdf "$base.pdf"
  run "render-pdf-range-$base" render "$dbf" --pdf "$base-range.pdf" --pages 2-3 --start-no 10
  run "export-$base" export "$dbf" --xlsx "$base.xlsx" --csv "$base.csv"
  run "export-codes-$base" export "$dbf" --xlsx "$base-codes.xlsx" --csv "$base-codes.csv" \
    --with-codes --csv-raw --pages 1-2
  run "margins-$base" margins "$dbf"
done
# The margin writer last: the reads above see the samples as built.
for dbf in margins/*.dbf; do
  base="$(basename "$dbf" .dbf)"
  run "margins-set-$base" margins "$dbf" --set 3 4 5 6
  run "margins-after-$base" margins "$dbf"
  run "info-after-margins-$base" info "$dbf"
done
# The programs print the full names of what they wrote: the folder itself is not the output.
python3 - "$OUT" <<'PY'
import glob, os, sys
out = sys.argv[1].encode()
for name in glob.glob(os.path.join(sys.argv[1], "*.out")) + glob.glob(os.path.join(sys.argv[1], "*.err")):
    with open(name, "rb") as f:
        data = f.read()
    fixed = data.replace(out + b"/", b"OUT/")
    if fixed != data:
        with open(name, "wb") as f:
            f.write(fixed)
PY
echo "outputs of $CLI written to $OUT"
