#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...]: configures once and builds with Ninja.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$1"; shift
# One compiler cache for every clone on the machine: paths under the root are hashed as relative.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}" CCACHE_NOHASHDIR=1
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-8G}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja "$@" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
