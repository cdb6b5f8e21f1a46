#!/usr/bin/env bash
# Instructions per host frame of every algorithm and of a gated block, counted by
# callgrind over BLOCKS blocks of 512 frames (after a settling second, not counted).
#   bench/callgrind.sh [BUILD_DIR] [BLOCKS]     defaults: build, 40
set -euo pipefail
build=${1:-build}
blocks=${2:-40}
bench="$build/moltaro_bench"
[ -x "$bench" ] || { echo "no $bench: build the moltaro_bench target first" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
names=(Ambience Room Chamber Club Hall Arena Cathedral Spring Plate)
rates=(44100 48000 96000 192000)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

count() {   # algorithm rate -> instructions per host frame
    local out="$tmp/cg.out"
    valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='*measuredBlocks*' \
        "$bench" --measure "$1" "$2" "$blocks" >/dev/null 2>&1
    local total
    total=$(awk '/^summary:/ {print $2}' "$out")
    awk -v t="$total" -v f="$((blocks * 512))" 'BEGIN {printf "%8.0f", t / f}'
}

echo "INSTRUCTIONS PER HOST FRAME (blocks of 512, stereo noise in)"
printf '%-10s' "algorithm"; for r in "${rates[@]}"; do printf '%8s' "$r"; done; echo
for a in "${!names[@]}"; do
    printf '%-10s' "${names[$a]}"
    for r in "${rates[@]}"; do count "$a" "$r"; done
    echo
done
printf '%-10s' "gated"
for r in "${rates[@]}"; do count -1 "$r"; done
echo
