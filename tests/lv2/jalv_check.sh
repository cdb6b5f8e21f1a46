#!/usr/bin/env bash
# A real LV2 host: jalv on a JACK server with the dummy backend (no sound card), fed a
# metronome. It loads the plug-in by URI, lists the factory presets, applies one, and
# the plug-in's peak output shows that it processes the clicks.
#   jalv_check.sh LV2_PATH
# Exit 77 (skipped) when jackd, jalv or jack_metro is missing, and in a sanitizer build
# (MOLTARO_SANITIZER_BUILD set): its plug-in needs the sanitizer's runtime loaded first,
# which jalv, built without one, does not have.
set -u
if [ -n "${MOLTARO_SANITIZER_BUILD:-}" ]; then
  echo "SKIPPED: a plug-in built with a sanitizer cannot load into jalv"
  exit 77
fi
for tool in jackd jalv jack_metro jack_connect flock; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool not installed"; exit 77; }
done
export LV2_PATH=$1
# One server name for every run: JACK reclaims a dead server's entry only for the same
# name (its registry holds a few), and a lock keeps runs from other build folders apart.
export JACK_DEFAULT_SERVER=moltaro-lv2-check JACK_NO_AUDIO_RESERVATION=1
exec 9>"${TMPDIR:-/tmp}/moltaro-lv2-jalv.lock"
flock -w 120 9 || { echo "SKIPPED: another run holds the JACK server"; exit 77; }
work=$(mktemp -d)
pids=()
cleanup() {
  # Clients first, the server last, so that each leaves the server cleanly.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null
    wait "${pids[i]}" 2>/dev/null
  done
  rm -rf "$work"
  rm -f /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"_* 2>/dev/null
}
trap cleanup EXIT

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
# A machine that cannot run a JACK server says nothing about the plug-in.
if ! jack_lsp >/dev/null 2>&1; then
  cat "$work/jackd.log"
  echo "SKIPPED: no JACK server could be started here"
  exit 77
fi

# jalv reads its commands from a pipe kept open until the end.
mkfifo "$work/commands"
jalv -n moltaro urn:zun-soundlab:moltaro <"$work/commands" >"$work/jalv.log" 2>&1 &
jalv_pid=$!
pids+=($jalv_pid)
exec 3>"$work/commands"
for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q moltaro:in_l && break; sleep 0.1; done
jack_lsp 2>/dev/null | grep -q moltaro:in_l || { echo "jalv did not start"; cat "$work/jalv.log"; exit 1; }

jack_metro -b 300 -n metro >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q metro: && break; sleep 0.1; done
jack_connect metro:300_bpm moltaro:in_l && jack_connect metro:300_bpm moltaro:in_r || exit 1

echo "presets" >&3
echo "preset urn:zun-soundlab:moltaro#preset-big-hall" >&3
sleep 1
echo "monitors" >&3
echo "controls" >&3
sleep 0.5
exec 3>&-
# jalv waits for a signal to leave; its output is complete once it has.
kill -TERM "$jalv_pid"
for _ in $(seq 50); do kill -0 "$jalv_pid" 2>/dev/null || break; sleep 0.1; done
cat "$work/jalv.log"

fail=0
presets=$(grep -o "urn:zun-soundlab:moltaro#preset-[a-z0-9-]*" "$work/jalv.log" | sort -u | wc -l)
[ "$presets" -eq 53 ] || { echo "FAIL: jalv lists $presets presets, not 53"; fail=1; }
grep -q "type = 4" "$work/jalv.log" || { echo "FAIL: the Big Hall preset did not set Type to Hall"; fail=1; }
peak=$(sed -n 's/^.*peak = //p' "$work/jalv.log" | tail -1)
awk -v p="${peak:-0}" 'BEGIN { exit !(p > 0.01) }' || { echo "FAIL: peak output ${peak:-missing}: no sound processed"; fail=1; }
[ $fail -eq 0 ] && echo "jalv processed the metronome: peak $peak"
exit $fail
