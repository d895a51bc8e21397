#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...]: configures once and builds with Ninja.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$1"; shift
cmake -S "$ROOT" -B "$BUILD" -G Ninja "$@" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
