#!/bin/sh
# Starts the program installed beside this script under the same name plus
# ".bin", with the engine libraries found where setup placed them: the Windows
# directory and its System subdirectory. The Windows directory is
# $ZELRPT_WINDOWS_DIR, else the one setup wrote to "windows-dir" here, else the
# default setup uses.
self=$(readlink -f -- "$0") || exit 127
here=${self%/*}
win=${ZELRPT_WINDOWS_DIR:-}
if [ -z "$win" ] && [ -r "$here/windows-dir" ]; then
  IFS= read -r win < "$here/windows-dir" || true
fi
if [ -z "$win" ]; then
  win=${HOME:-.}/.local/share/ZelRpt/windows
fi
# No empty element is added: it would make the loader search the current directory.
LD_LIBRARY_PATH=$here:$win/System:$win${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
export LD_LIBRARY_PATH
exec "$self.bin" "$@"
