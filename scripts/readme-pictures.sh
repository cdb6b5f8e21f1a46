#!/usr/bin/env bash
# Makes the README's pictures with moltaro-render: the overview chart of the factory
# programs, the report page of "Basic Hall", and the CSV of every program's figures,
# into docs/ (or OUT_DIR). Uses build/moltaro-render (or BUILD_DIR's); any arguments go
# to moltaro-render as well (the tests pass a short --tail to be quick).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
render=${BUILD_DIR:-$root/build}/moltaro-render
out=${OUT_DIR:-$root/docs}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$render" --report-all "$work" -q "$@" >/dev/null
mkdir -p "$out"
cp "$work/overview.png" "$out/overview.png"
cp "$work/22-basic-hall.png" "$out/report-basic-hall.png"
cp "$work/programs.csv" "$out/programs.csv"
