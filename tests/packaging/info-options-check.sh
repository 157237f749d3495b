#!/usr/bin/env bash
# --help and --version answer and exit 0 without a display: the manual pages are made from
# them at build time. The xcb platform without DISPLAY makes any window attempt fail.
#   info-options-check.sh <program> <name> <version>
set -euo pipefail
program=$1 name=$2 version=$3
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" "$@"; }

help=$(run --help)
[[ "$help" == "Usage: $name [OPTION]"* ]] || { echo "--help: $help" >&2; exit 1; }
[[ "$help" == *"-V, --version"* ]] || { echo "--help names no --version" >&2; exit 1; }
[ "$(run -h)" = "$help" ] || { echo "-h differs from --help" >&2; exit 1; }
[ "$(run --version)" = "$name $version" ] || { echo "--version: $(run --version)" >&2; exit 1; }
[ "$(run -V)" = "$name $version" ] || { echo "-V: $(run -V)" >&2; exit 1; }
