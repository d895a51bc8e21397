#!/usr/bin/env bash
# Installs every Debian 12 package the build, tests, benchmarks and fonts need.
# Idempotent; run as root or through sudo (it calls sudo itself when needed).
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential cmake ninja-build clang libclang-rt-14-dev ccache
  # The formatting check (scripts/check-format.sh); its version decides the layout.
  clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # The toolkit's own dialogs and buttons in Korean (qtbase_ko.qm).
  qt6-translations-l10n
  libicu-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-nanum fonts-nanum-coding fontconfig
  xvfb xauth openbox poppler-utils imagemagick
  # Finding the Windows programs' windows under Wine by their titles.
  xdotool
  python3 python3-dbf python3-dbfread python3-openpyxl
  # The export to Excel (XLSX) files (libxlsxwriter: the comparison sheet,
  # Windows builds and the reference the export's own workbook is checked
  # against); LibreOffice Calc prints exported workbooks in the export's print
  # test (skipped where it is missing).
  libxlsxwriter-dev libreoffice-calc-nogui
  # zelrpt-cli's own PDF writer and the export's sheets compress with
  # libdeflate (the benchmarks weigh it against zlib on page contents).
  libdeflate-dev
  zip unzip
  # The desktop entry and report MIME type setup registers, and their checks.
  desktop-file-utils xdg-utils shared-mime-info
  # gio open and gio launch, which the installer's tests open reports with; strace
  # sends those tests' signals to setup in the middle of its unpacking.
  libglib2.0-bin strace
  # Real key presses and the window manager's stacking order in the installer's X tests.
  xdotool x11-utils
  libcups2-dev
  # zelrpt-cli joins a PDF drawn in parts (libqpdf); the tests check PDFs with qpdf.
  libqpdf-dev qpdf
  # The print test's own print server and PDF printer; the viewer itself
  # needs none of them at run time.
  cups cups-client printer-driver-cups-pdf
  # The Windows cross build of the toolkit-free core, and Wine to run its tests.
  g++-mingw-w64-x86-64 wine64 libz-mingw-w64-dev googletest
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
