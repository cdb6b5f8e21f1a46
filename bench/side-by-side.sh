#!/usr/bin/env bash
# Our nine algorithms beside the peer plate, hall and room reverbs (Debian package
# dragonfly-reverb-vst, installed when missing): ns per frame with 1 and 8 instances in
# one run (medians of ROUNDS rounds), then instructions per frame counted by callgrind.
#   bench/side-by-side.sh [BUILD_DIR] [ROUNDS]     defaults: build, 5
set -euo pipefail
build=${1:-build}
rounds=${2:-5}
prog="$build/moltaro_side_by_side"
ours="$build/Moltaro.so"
[ -x "$prog" ] || { echo "no $prog: build the moltaro_side_by_side target first" >&2; exit 1; }
[ -f "$ours" ] || { echo "no $ours: build the Moltaro target first" >&2; exit 1; }
dir=/usr/lib/lxvst
if [ ! -f "$dir/DragonflyPlateReverb-vst.so" ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends dragonfly-reverb-vst
fi
peers=("peer plate=$dir/DragonflyPlateReverb-vst.so" "peer hall=$dir/DragonflyHallReverb-vst.so"
       "peer room=$dir/DragonflyRoomReverb-vst.so")
"$prog" "$ours" "${peers[@]}" --rounds "$rounds"

command -v valgrind >/dev/null || exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo
echo "INSTRUCTIONS PER FRAME (callgrind, one instance)"
for label in Ambience Room Chamber Club Hall Arena Cathedral Spring Plate "peer plate" "peer hall" "peer room"; do
    frames=$(valgrind --tool=callgrind --callgrind-out-file="$tmp/cg.out" --toggle-collect='*measuredBlocks*' \
        "$prog" "$ours" "${peers[@]}" --measure "$label" 2>/dev/null | awk '{print $1}')
    total=$(awk '/^summary:/ {print $2}' "$tmp/cg.out")
    awk -v l="$label" -v t="$total" -v f="$frames" 'BEGIN {printf "| %s | %.0f |\n", l, t / f}'
done
