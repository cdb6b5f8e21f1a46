#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in and moltaro-render, and
# renders the built-in demo phrase through every algorithm, using each algorithm's
# "Basic" factory program: OUT/<algorithm>.wav, plus OUT/dry.wav to compare with.
# OUT is the first argument (relative to the folder it is run from), or demo-out/ in
# the repository.
set -euo pipefail
out=${1:+$(realpath -m -- "$1")}
cd "$(dirname "$0")/.."
out=${out:-demo-out}

scripts/deps.sh
# Configure without forcing options: the build folder is shared with scripts/test.sh,
# and a cached option set here would change what that command builds and runs.
cmake -S . -B build >/dev/null
cmake --build build -j2 --target moltaro-render Moltaro

render=build/moltaro-render
mkdir -p "$out"
presets=$("$render" --list-presets)   # lines: number <TAB> name <TAB> algorithm

"$render" --set Mix=0 --tail 0 -o "$out/dry.wav" </dev/null
count=0
while IFS=$'\t' read -r num name alg; do
  case "$name" in "Basic $alg") ;; *) continue ;; esac
  file="$out/$(printf '%s' "$alg" | tr 'A-Z' 'a-z').wav"
  "$render" --preset "$num" -o "$file" </dev/null
  count=$((count + 1))
done <<<"$presets"

if [ "$count" -eq 0 ]; then
  echo "demo: no \"Basic <algorithm>\" program found in the bank" >&2
  exit 1
fi
echo "Rendered the demo through $count algorithms into $out/ (dry.wav is the untreated phrase)."
