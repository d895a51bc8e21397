#!/usr/bin/env bash
# check-format.sh: every C++ file of the tree against the repository's .clang-format
# (clang-format --dry-run -Werror). The whole tree is formatted, so checking every file is the
# same as checking the changed ones, needs no base to compare against in a fresh clone, and
# takes a few seconds. Exits 77 (skipped) without clang-format.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
FORMAT="${CLANG_FORMAT:-clang-format}"
if ! command -v "$FORMAT" >/dev/null; then
  echo "SKIPPED: $FORMAT is not installed"
  exit 77
fi
files=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  while IFS= read -r -d '' f; do [ -f "$f" ] && files+=("$f"); done \
    < <(git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' '*.cc' '*.hpp')
else
  while IFS= read -r -d '' f; do files+=("$f"); done \
    < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
if "$FORMAT" --dry-run -Werror "${files[@]}"; then
  echo "${#files[@]} files formatted as .clang-format says ($("$FORMAT" --version))"
else
  echo "FAILED: run clang-format -i on the files above"
  exit 1
fi
