#!/usr/bin/env bash
# The main job: installs what is missing, builds, and renders the built-in demo
# sound through every algorithm into demo-out/ (one WAV file per algorithm).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DMOLTARO_BUILD_TESTS=OFF -DMOLTARO_BUILD_BENCH=OFF >/dev/null
cmake --build build -j2 --target moltaro-render Moltaro
out=${1:-demo-out}
mkdir -p "$out"
build/moltaro-render --list-presets | while IFS=$'\t' read -r num name alg; do
  case "$name" in "Basic "*) ;; *) continue ;; esac
  build/moltaro-render --preset "$num" -o "$out/$(echo "$alg" | tr 'A-Z' 'a-z').wav"
done
echo "Demo renders are in $out/"
