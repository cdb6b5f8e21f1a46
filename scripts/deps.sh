#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
# lv2-dev .. jackd2: the LV2 bundle's headers, its validator and tools, and a real host
# (jalv on a JACK server with the dummy backend) for its tests.
# zlib1g-dev: the PNG reader's tests make their pictures with zlib (it comes with
# libcairo2-dev today, but the tests use it directly).
packages=(build-essential cmake pkg-config libgtest-dev libbenchmark-dev libsndfile1-dev
          libcairo2-dev libx11-dev libxtst-dev libfontconfig1-dev fonts-liberation zlib1g-dev
          libfftw3-dev xvfb xdotool valgrind
          lv2-dev liblilv-dev lilv-utils sordi jalv jackd2)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
