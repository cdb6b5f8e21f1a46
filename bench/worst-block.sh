#!/usr/bin/env bash
# The worst-block table of a plug-in module: instructions per block counted by callgrind
# (one pass, repeatable), times per block in µs (medians of ROUNDS native passes).
#   bench/worst-block.sh [BUILD_DIR] [MODULE] [ROUNDS]    defaults: build, BUILD_DIR/Moltaro.so, 5
set -euo pipefail
build=${1:-build}
module=${2:-$build/Moltaro.so}
rounds=${3:-5}
prog="$build/moltaro_worst_block"
[ -x "$prog" ] || { echo "no $prog: build the moltaro_worst_block target first" >&2; exit 1; }
[ -f "$module" ] || { echo "no module $module" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

valgrind --tool=callgrind --collect-atstart=no --combine-dumps=yes --dump-instr=no \
    --callgrind-out-file="$tmp/cg.out" "$prog" "$module" --count >/dev/null 2>"$tmp/cg.log" ||
    { cat "$tmp/cg.log" >&2; exit 1; }
# One "totals:" line per dump, in the order the blocks were recorded.
awk '/^totals:/ {print $2}' "$tmp/cg.out" >"$tmp/counts"
"$prog" "$module" --rounds "$rounds" --instructions "$tmp/counts"
