#!/usr/bin/env bash
# cmake --install with a prefix puts the LV2 bundle in PREFIX/lib/lv2 and the VST module
# in PREFIX/lib/lxvst, where lilv finds the bundle by its URI.
#   install_check.sh BUILD_DIR
set -eu
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
for f in lib/lv2/Moltaro.lv2/Moltaro.so lib/lv2/Moltaro.lv2/manifest.ttl lib/lv2/Moltaro.lv2/moltaro.ttl \
         lib/lv2/Moltaro.lv2/presets.ttl lib/lxvst/Moltaro.so; do
  [ -f "$prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
LV2_PATH="$prefix/lib/lv2" lv2ls | grep -qx "urn:zun-soundlab:moltaro" || { echo "FAIL: lv2ls does not list the installed bundle"; exit 1; }
echo "installed into $prefix: $(cd "$prefix" && find . -type f | sort | tr '\n' ' ')"
