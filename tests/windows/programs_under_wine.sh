#!/usr/bin/env bash
# The Windows programs as a user runs them, under Wine in a fresh prefix with
# a Korean locale, on a real Xvfb display:
#   1. zelrpt-cli.exe gives what the Linux zelrpt-cli gives on the same sample
#      reports (list, info, render --pdf, export --xlsx/--csv, find,
#      margins --set);
#   2. setup.exe --silent installs ZELRPT.E01 into a directory of drive C:
#      with Korean characters and spaces in its name, the engine into the
#      Windows directory;
#   3. the installed ZelRpt.exe shows its main window with the sample list,
#      opens a preview (double click on the first row), and exits cleanly
#      when its window is closed (Alt+F4);
#   4. setup.exe --uninstall --target removes what the installation's
#      ZelRpt.manifest lists (the engine in the Windows directory too) and
#      keeps the user's own files.
#
#   tests/windows/programs_under_wine.sh WINDOWS_BIN LINUX_CLI
#
# WINDOWS_BIN is the Windows build's bin directory (setup.exe, ZELRPT.E01,
# zelrpt-cli.exe, samples/); LINUX_CLI the Linux zelrpt-cli. Exit 77 (skipped)
# when Wine, Xvfb or the tools are missing.
set -uo pipefail
WINBIN="$(cd "$1" && pwd)"
LINUX_CLI="$2"

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}
WINE="$(dpkg -L wine64 2>/dev/null | grep -E '/wine/wine64$' | head -n 1)"
[ -n "$WINE" ] && [ -x "$WINE" ] || skip "wine64 is not installed"
WINESERVER="$(dirname "$WINE")/wineserver"
for tool in Xvfb openbox xdotool import convert pdftotext pdfinfo unzip localedef; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
for f in setup.exe ZELRPT.E01 zelrpt-cli.exe samples/P_RPTB02_SAMPLE.dbf; do
  [ -e "$WINBIN/$f" ] || { echo "FAIL: $WINBIN/$f is missing" >&2; exit 1; }
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/zelrpt-wine-programs.XXXXXX")"
XVFB_PID=""
WM_PID=""
cleanup() {
  [ -x "$WINESERVER" ] && WINEPREFIX="$WORK/prefix" "$WINESERVER" -k >/dev/null 2>&1
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# A Korean locale of our own (no system locale needed): Wine takes its code
# page and the conversion of Unix file names from it.
mkdir -p "$WORK/locale"
localedef -i ko_KR -f UTF-8 "$WORK/locale/ko_KR.UTF-8" >/dev/null 2>&1 ||
  skip "localedef cannot make the ko_KR.UTF-8 locale"
export LOCPATH="$WORK/locale"
{ export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8; } 2>/dev/null
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The display: Xvfb and openbox, as the installer's window tests use them.
mkfifo "$WORK/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
display=""
read -r -t 30 display <"$WORK/display"
[ -n "$display" ] || skip "Xvfb did not start"
export DISPLAY=":$display"
openbox >"$WORK/openbox.log" 2>&1 &
WM_PID=$!

echo "== Starting Wine in $WINEPREFIX"
"$WINE" wineboot --init >/dev/null 2>&1
"$WINESERVER" -w
C="$WINEPREFIX/drive_c"

# wine_path UNIX_PATH -> the same place as Wine's Z: drive sees it
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

# --- 1. zelrpt-cli.exe against the Linux zelrpt-cli ---------------------------
mkdir -p "$WORK/linux" "$WORK/windows"
cp -p "$WINBIN"/samples/* "$WORK/linux/"
cp -p "$WINBIN"/samples/* "$WORK/windows/"
SAMPLE=P_RPTB02_SAMPLE.dbf
lcli() { QT_QPA_PLATFORM=offscreen "$LINUX_CLI" "$@"; }
wcli() { "$WINE" "$WINBIN/zelrpt-cli.exe" "$@"; }

# list: the same rows (names, titles, sizes, dates); rows of one date come
# in the order the directory gives them, which differs between the systems.
lcli list "$WORK/linux" 2>/dev/null | sort >"$WORK/list.linux"
wcli list "$(wine_path "$WORK/windows")" 2>"$WORK/list.err" | sort >"$WORK/list.windows"
if [ -s "$WORK/list.linux" ] && cmp -s "$WORK/list.linux" "$WORK/list.windows"; then
  pass "list"
else
  fail "list differs"; diff "$WORK/list.linux" "$WORK/list.windows" | head -n 20
fi

# info on every sample
for dbf in "$WORK"/linux/*.dbf; do
  name="$(basename "$dbf")"
  lcli info "$dbf" >"$WORK/info.linux" 2>/dev/null
  wcli info "$(wine_path "$WORK/windows/$name")" >"$WORK/info.windows" 2>"$WORK/info.err"
  if cmp -s "$WORK/info.linux" "$WORK/info.windows"; then pass "info $name"; else
    fail "info $name differs"; diff "$WORK/info.linux" "$WORK/info.windows" | head -n 20
  fi
done

# render --pdf: the same text, page by page, and the same page count
lcli render "$WORK/linux/$SAMPLE" --pdf "$WORK/linux.pdf" >/dev/null 2>"$WORK/render.linux.err"
wcli render "$(wine_path "$WORK/windows/$SAMPLE")" --pdf "$(wine_path "$WORK/windows.pdf")" >"$WORK/render.out" \
  2>"$WORK/render.windows.err"
if [ ! -s "$WORK/windows.pdf" ]; then
  fail "render --pdf wrote no PDF"; cat "$WORK/render.windows.err"
else
  lp="$(pdfinfo "$WORK/linux.pdf" | awk '/^Pages:/ {print $2}')"
  wp="$(pdfinfo "$WORK/windows.pdf" | awk '/^Pages:/ {print $2}')"
  [ "$lp" = "$wp" ] && [ -n "$lp" ] && pass "render --pdf: $wp pages" || fail "render --pdf: $wp pages, Linux $lp"
  grep -q "	$wp pages\$" "$WORK/render.out" || fail "render --pdf printed: $(cat "$WORK/render.out")"
  # Windows' font engine places glyphs a fraction of a point away from
  # FreeType's, which moves pdftotext's column padding by a blank here and
  # there: the text is compared with runs of blanks as one.
  pdftotext -layout "$WORK/linux.pdf" - | tr -s ' ' >"$WORK/linux.txt"
  pdftotext -layout "$WORK/windows.pdf" - | tr -s ' ' >"$WORK/windows.txt"
  if cmp -s "$WORK/linux.txt" "$WORK/windows.txt"; then pass "render --pdf: the same text"; else
    fail "render --pdf: the text differs"; diff "$WORK/linux.txt" "$WORK/windows.txt" | head -n 20
  fi
  pdffonts "$WORK/windows.pdf" 2>/dev/null | grep -qi nanum && pass "render --pdf: Nanum font embedded" ||
    fail "render --pdf: no Nanum font in the PDF"
fi

# export: the same CSV bytes; the same sheet in the XLSX (its dates differ)
lcli export "$WORK/linux/$SAMPLE" --xlsx "$WORK/linux.xlsx" --csv "$WORK/linux.csv" >/dev/null 2>&1
wcli export "$(wine_path "$WORK/windows/$SAMPLE")" --xlsx "$(wine_path "$WORK/windows.xlsx")" \
  --csv "$(wine_path "$WORK/windows.csv")" >/dev/null 2>"$WORK/export.err"
if [ -s "$WORK/linux.csv" ] && cmp -s "$WORK/linux.csv" "$WORK/windows.csv"; then pass "export --csv"; else
  fail "export --csv differs"; cat "$WORK/export.err"
fi
same_sheet=1
for part in xl/worksheets/sheet1.xml xl/sharedStrings.xml xl/styles.xml; do
  cmp -s <(unzip -p "$WORK/linux.xlsx" "$part" 2>/dev/null) <(unzip -p "$WORK/windows.xlsx" "$part" 2>/dev/null) ||
    same_sheet=0
done
unzip -tq "$WORK/windows.xlsx" >/dev/null 2>&1 || same_sheet=0
[ "$same_sheet" = 1 ] && pass "export --xlsx" || fail "export --xlsx: the sheet differs or the file is damaged"

# find: the same page for a Korean column title and text
# Standard output only: a note about fonts on standard error is no result.
lcli find "$WORK/linux/$SAMPLE" --column 품명 --text 철근 >"$WORK/find.linux" 2>"$WORK/find.linux.err"
wcli find "$(wine_path "$WORK/windows/$SAMPLE")" --column 품명 --text 철근 >"$WORK/find.windows" 2>"$WORK/find.windows.err"
if cmp -s "$WORK/find.linux" "$WORK/find.windows" && grep -qx '[0-9]\+' "$WORK/find.linux"; then
  pass "find: page $(cat "$WORK/find.linux")"
else
  fail "find differs: Linux $(cat "$WORK/find.linux"), Windows $(cat "$WORK/find.windows")"
fi

# margins --set: the same bytes in the memo file
lcli margins "$WORK/linux/$SAMPLE" --set 11 12 13 14 >/dev/null 2>&1
wcli margins "$(wine_path "$WORK/windows/$SAMPLE")" --set 11 12 13 14 >"$WORK/margins.out" 2>"$WORK/margins.err"
fpt="${SAMPLE%.dbf}.fpt"
if [ "$(cat "$WORK/margins.out")" = "11 12 13 14" ] && cmp -s "$WORK/linux/$fpt" "$WORK/windows/$fpt"; then
  pass "margins --set"
else
  fail "margins --set: $(cat "$WORK/margins.out" "$WORK/margins.err"); memo files $(cmp "$WORK/linux/$fpt" "$WORK/windows/$fpt" 2>&1)"
fi

# --- 2. setup.exe --silent ----------------------------------------------------
TARGET_WIN='C:\젤 보고서\Viewer 1'
TARGET="$C/젤 보고서/Viewer 1"
MANIFEST=ZelRpt.manifest
cp "$WINBIN/setup.exe" "$WINBIN/ZELRPT.E01" "$WORK/"
# setup.exe needs its DLLs beside it, as in dist/.
(cd "$WORK" && unzip -q -o ZELRPT.E01 -x 'samples/*' '*.exe' 'sde*.dll' README.TXT)
"$WINE" "$WORK/setup.exe" --silent --target "$TARGET_WIN" >"$WORK/setup.out" 2>&1
status=$?
if [ "$status" = 0 ] && [ -f "$TARGET/ZelRpt.exe" ] && [ -f "$TARGET/samples/$SAMPLE" ]; then
  pass "setup --silent into $TARGET_WIN"
else
  fail "setup --silent: exit $status"; cat "$WORK/setup.out"; ls -la "$TARGET" 2>&1 | head
fi
engine="$(find "$C/windows" -maxdepth 2 -iname sde32.dll | head -n 1)"
[ -n "$engine" ] && pass "the engine in the Windows directory: ${engine#"$C"/}" ||
  fail "sde32.dll is not in the Windows directory"
# Windows names are case-blind; the deploy step may give them in lower case.
for dll in Qt6Core.dll Qt6Widgets.dll Qt6PrintSupport.dll libstdc++-6.dll platforms/qwindows.dll \
  styles/qwindowsvistastyle.dll translations/qtbase_ko.qm; do
  [ -n "$(find "$TARGET" -maxdepth 2 -ipath "$TARGET/$dll" 2>/dev/null)" ] || fail "the installation lacks $dll"
done

# --- 3. the installed ZelRpt.exe on the display --------------------------------
# window_of TITLE_PATTERN -> the id of a visible window whose title matches, within 60 s
window_of() {
  local id=""
  for _ in $(seq 1 120); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}
# not_blank FILE: the picture has more than one colour
not_blank() {
  local colours
  colours="$(convert "$1" -format '%k' info: 2>/dev/null)"
  [ -n "$colours" ] && [ "$colours" -gt 1 ]
}

if [ -f "$TARGET/ZelRpt.exe" ]; then
  (cd "$TARGET" && "$WINE" "$TARGET/ZelRpt.exe" "$TARGET_WIN\\samples" >"$WORK/zelrpt.out" 2>&1; echo $? >"$WORK/zelrpt.rc") &
  main="$(window_of '^ZEL-C 보고서 Viewer')"
  if [ -z "$main" ]; then
    fail "no main window"; xdotool search --name . getwindowname %@ 2>/dev/null | head
  else
    pass "main window: $(xdotool getwindowname "$main")"
    xdotool getwindowname "$main" | grep -q "총[1-9][0-9]*개 파일" || fail "the title counts no sample"
    sleep 2
    import -window root "$WORK/main.png"
    not_blank "$WORK/main.png" && pass "main window screenshot is not blank" || fail "main window screenshot is blank"
    cp "$WORK/main.png" "${ZEL_SCREENSHOT_DIR:-$WORK}/wine-main-window.png" 2>/dev/null
    # A double click on the first row of the list (the rows start 150 pixels
    # below the window's top, 20 pixels each) opens its preview (keys sent
    # by xdotool did not reach the list under openbox).
    xdotool mousemove --window "$main" 60 160 click --repeat 2 --delay 80 1
    preview="$(window_of '^미리보기')"
    if [ -n "$preview" ]; then
      pass "preview window"
      sleep 2
      import -window root "$WORK/preview.png"
      not_blank "$WORK/preview.png" || fail "preview screenshot is blank"
      cp "$WORK/preview.png" "${ZEL_SCREENSHOT_DIR:-$WORK}/wine-preview.png" 2>/dev/null
      xdotool windowactivate --sync "$preview" key --clearmodifiers Escape 2>/dev/null
      sleep 1
    else
      fail "no preview window"
    fi
    xdotool windowactivate --sync "$main" key --clearmodifiers alt+F4 2>/dev/null
    for _ in $(seq 1 60); do [ -f "$WORK/zelrpt.rc" ] && break; sleep 0.5; done
    if [ "$(cat "$WORK/zelrpt.rc" 2>/dev/null)" = 0 ]; then pass "ZelRpt.exe exited cleanly"; else
      fail "ZelRpt.exe did not exit cleanly ($(cat "$WORK/zelrpt.rc" 2>/dev/null || echo still running))"
      cat "$WORK/zelrpt.out"
    fi
  fi
fi

# --- 4. setup.exe --uninstall --------------------------------------------------
# The user's own files, beside the installed ones and among the samples, stay;
# everything else setup placed goes (the engine in the Windows directory too),
# and so do the directories it made once they are empty.
if [ -f "$TARGET/$MANIFEST" ]; then
  find "$TARGET" -type f | sort >"$WORK/installed.list"
  printf '내 메모\r\n' >"$TARGET/내 메모.txt"
  cp "$TARGET/samples/$SAMPLE" "$TARGET/samples/내 보고서.dbf"
  "$WINE" "$WORK/setup.exe" --uninstall --target "$TARGET_WIN" >"$WORK/uninstall.out" 2>&1
  status=$?
  grep -q '^ZelRpt를 제거했습니다' "$WORK/uninstall.out" && [ "$status" = 0 ] && pass "setup --uninstall" ||
    { fail "setup --uninstall: exit $status"; cat "$WORK/uninstall.out"; }
  # What is left: the user's two files, and installed files the uninstall
  # named as changed since (the viewer may write its settings).
  left="$(cd "$TARGET" && find . -type f | sort)"
  expected="$(printf './samples/내 보고서.dbf\n./내 메모.txt\n')"
  while IFS= read -r kept; do
    [ -n "$kept" ] && expected="$(printf '%s\n./%s\n' "$expected" "$kept")"
  done < <(sed -n 's/^남김 (설치 뒤에 바뀐 파일): //p' "$WORK/uninstall.out" | tr '\\' '/' |
    sed "s|^C:/젤 보고서/Viewer 1/||")
  if [ "$left" = "$(printf '%s\n' "$expected" | sort | sed '/^$/d')" ]; then
    pass "uninstall removed $(wc -l <"$WORK/installed.list") installed files and kept the user's"
  else
    fail "uninstall left:"; printf '%s\n' "$left" | head -n 20
  fi
  [ "$(cat "$TARGET/내 메모.txt" 2>/dev/null)" = "$(printf '내 메모\r')" ] || fail "the user's file changed"
  [ -f "$TARGET/$MANIFEST" ] && fail "the manifest is still there"
  for dll in sde32.dll sdecdx32.dll sdensx32.dll sdentx32.dll; do
    [ -z "$(find "$C/windows" -maxdepth 2 -iname "$dll" | head -n 1)" ] || fail "$dll is still in the Windows directory"
  done
  # Once the user's files go too, a second uninstall finds nothing and says so.
  rm -f "$TARGET/내 메모.txt" "$TARGET/samples/내 보고서.dbf"
  "$WINE" "$WORK/setup.exe" --uninstall --target "$TARGET_WIN" >"$WORK/uninstall2.out" 2>&1
  grep -q '^제거할 ZelRpt 설치가 없습니다' "$WORK/uninstall2.out" && pass "a second uninstall finds nothing" ||
    { fail "a second uninstall:"; cat "$WORK/uninstall2.out"; }
else
  fail "the installation has no $MANIFEST"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
