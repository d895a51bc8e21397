#!/usr/bin/env bash
# What every Windows program of the product relies on, checked with small
# programs built here and run under Wine (no Qt needed):
#   1. the deploy step (cmake/deploy_windows_runtime.cmake) places the DLLs a
#      program imports, and the ones those import, from the given
#      directories (under the names they have there, capitals and all), leaves Windows' own DLLs alone, writes qt.conf and lists
#      what it placed; the program then starts from its directory alone;
#   2. the UTF-8 manifest (common/windows/utf8.manifest) makes the program's
#      code page UTF-8 under a Korean locale: a Korean argument arrives as its
#      UTF-8 bytes and a file made through the narrow file calls has the
#      Korean name on disk, also through std::filesystem::path (with the
#      program's UTF-8 narrow conversions, common/windows/utf8_narrow_win.cpp).
#      Without the manifest both come out in code page 949.
#
#   tests/windows/runtime_and_manifest_test.sh SOURCE_DIR
set -uo pipefail
SRC="$(cd "$1" && pwd)"
skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}
CXX=x86_64-w64-mingw32-g++-posix
command -v "$CXX" >/dev/null || skip "the mingw-w64 cross compiler is not installed"
command -v x86_64-w64-mingw32-windres >/dev/null || skip "windres is not installed"
WINE="$(dpkg -L wine64 2>/dev/null | grep -E '/wine/wine64$' | head -n 1)"
[ -n "$WINE" ] && [ -x "$WINE" ] || skip "wine64 is not installed"
command -v localedef >/dev/null || skip "localedef is not installed"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/zelrpt-runtime.XXXXXX")"
cleanup() {
  WINEPREFIX="$WORK/prefix" "$(dirname "$WINE")/wineserver" -k >/dev/null 2>&1
  rm -rf "$WORK"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

mkdir -p "$WORK/locale"
localedef -i ko_KR -f UTF-8 "$WORK/locale/ko_KR.UTF-8" >/dev/null 2>&1 || skip "cannot make the ko_KR.UTF-8 locale"
export LOCPATH="$WORK/locale"
{ export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8; } 2>/dev/null
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$WINE" wineboot --init >/dev/null 2>&1

# The program: reports its code page and the bytes of its first argument, and
# makes a file of that name in the directory given second.
cat >"$WORK/probe.cpp" <<'EOF'
#include <windows.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
extern "C" __declspec(dllimport) int zel_probe_answer();
int main(int argc, char** argv) {
  if (zel_probe_answer() != 42) return 3;
  std::string hex;
  char b[4];
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(argc > 1 ? argv[1] : ""); *p; ++p) {
    std::snprintf(b, sizeof b, "%02x", *p);
    hex += b;
  }
  std::printf("%u %s\n", GetACP(), hex.c_str());
  if (argc > 2) {
    std::FILE* f = std::fopen((std::string(argv[2]) + "\\" + argv[1] + ".txt").c_str(), "wb");
    if (!f) return 1;
    std::fclose(f);
    // The same name through std::filesystem::path, as the programs make most names.
    std::ofstream(std::filesystem::path(std::string(argv[2]) + "\\" + argv[1] + "-path.txt")) << "x";
  }
  return 0;
}
EOF
sed "s|@ZEL_UTF8_MANIFEST@|$SRC/common/windows/utf8.manifest|" "$SRC/common/windows/utf8_manifest.rc.in" >"$WORK/m.rc"
x86_64-w64-mingw32-windres "$WORK/m.rc" -O coff -o "$WORK/m.res" || { echo "FAIL: windres" >&2; exit 1; }
# A DLL whose name has capitals, as Qt's have: Windows reads names without
# regard to case, the file system the deploy step reads from does not.
mkdir -p "$WORK/with" "$WORK/without" "$WORK/files" "$WORK/lib"
# It imports the compiler's runtime DLLs as Qt's do; the programs link it in.
cat >"$WORK/lib.cpp" <<'EOF'
#include <string>
extern "C" __declspec(dllexport) int zel_probe_answer() { return static_cast<int>(std::to_string(4200).size()) * 21 / 2; }
EOF
"$CXX" -O0 -shared "$WORK/lib.cpp" -o "$WORK/lib/ZelProbeLib.dll" \
  -Wl,--out-implib,"$WORK/lib/libZelProbeLib.dll.a" || { echo "FAIL: compile the DLL" >&2; exit 1; }
"$CXX" -std=c++20 -O0 -static "$WORK/probe.cpp" "$SRC/common/windows/utf8_narrow_win.cpp" "$WORK/m.res" \
  -o "$WORK/with/probe.exe" "$WORK/lib/libZelProbeLib.dll.a" ||
  { echo "FAIL: compile" >&2; exit 1; }
"$CXX" -std=c++20 -O0 -static "$WORK/probe.cpp" -o "$WORK/without/probe.exe" "$WORK/lib/libZelProbeLib.dll.a" ||
  { echo "FAIL: compile" >&2; exit 1; }

# --- 1. the deploy step ---------------------------------------------------------
libstdcxx="$("$CXX" -print-file-name=libstdc++-6.dll)"
winpthread="$(readlink -f "$("$CXX" -print-file-name=libwinpthread-1.dll)")"
for dir in with without; do
  cmake -DDEST="$WORK/$dir" "-DFILES=$WORK/$dir/probe.exe" -DPLUGINS= \
    "-DDIRS=$WORK/lib|$(dirname "$libstdcxx")|$(dirname "$winpthread")" -DQM="$SRC/README.md" \
    -DOBJDUMP="$(command -v x86_64-w64-mingw32-objdump)" -DMANIFEST="$WORK/$dir/placed.txt" \
    -P "$SRC/cmake/deploy_windows_runtime.cmake" >"$WORK/deploy.log" 2>&1 ||
    { fail "the deploy step failed"; cat "$WORK/deploy.log"; }
done
# Run again over its own output (a rebuild): what it placed stays listed.
cmake -DDEST="$WORK/with" "-DFILES=$WORK/with/probe.exe" -DPLUGINS= \
  "-DDIRS=$WORK/lib|$(dirname "$libstdcxx")|$(dirname "$winpthread")" -DQM="$SRC/README.md" \
  -DOBJDUMP="$(command -v x86_64-w64-mingw32-objdump)" -DMANIFEST="$WORK/with/placed.txt" \
  -P "$SRC/cmake/deploy_windows_runtime.cmake" >"$WORK/deploy.log" 2>&1 ||
  { fail "the deploy step failed the second time"; cat "$WORK/deploy.log"; }
D="$WORK/with"
for f in ZelProbeLib.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll qt.conf translations/qtbase_ko.qm; do
  [ -f "$D/$f" ] && grep -qxF "$f" "$D/placed.txt" || fail "the deploy step did not place and list $f"
done
# The compiler's DLLs come only through ZelProbeLib.dll, libwinpthread-1.dll through those.
grep -qi 'kernel32\|msvcrt' "$D/placed.txt" && fail "Windows' own DLLs were copied"
grep -q '^Prefix = \.$' "$D/qt.conf" || fail "qt.conf does not make the program's directory Qt's prefix"
[ "$failures" = 0 ] && pass "deploy step: $(tr '\n' ' ' <"$D/placed.txt")"

# --- 2. the UTF-8 manifest ----------------------------------------------------
name="보고서 목록"
utf8_hex="$(printf '%s' "$name" | od -An -tx1 | tr -d ' \n')"
cp949_hex="$(printf '%s' "$name" | iconv -f UTF-8 -t CP949 | od -An -tx1 | tr -d ' \n')"
files_win="Z:${WORK//\//\\}\\files"
# Started from elsewhere: the DLLs beside the program are all it needs.
got="$(cd / && "$WINE" "$WORK/with/probe.exe" "$name" "$files_win" 2>&1 | tr -d '\r')"
if [ "$got" = "65001 $utf8_hex" ]; then pass "with the manifest: code page 65001, the argument in UTF-8"; else
  fail "with the manifest: got \"$got\", wanted \"65001 $utf8_hex\""
fi
[ -f "$WORK/files/$name.txt" ] && pass "with the manifest: the file has its Korean name" ||
  fail "with the manifest: no file \"$name.txt\" ($(ls "$WORK/files"))"
[ -f "$WORK/files/$name-path.txt" ] && pass "with the manifest: a std::filesystem::path keeps the Korean name" ||
  fail "with the manifest: no file \"$name-path.txt\" ($(ls "$WORK/files"))"
got="$(cd / && "$WINE" "$WORK/without/probe.exe" "$name" 2>&1 | tr -d '\r')"
# The program without the manifest shows what the manifest is for.
[ "$got" = "949 $cp949_hex" ] && pass "without the manifest: code page 949, as expected" ||
  fail "without the manifest: got \"$got\", wanted \"949 $cp949_hex\""

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
