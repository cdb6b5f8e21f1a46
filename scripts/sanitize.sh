#!/usr/bin/env bash
# The whole Linux suite in a sanitizer build: configures build-asan (AddressSanitizer +
# UndefinedBehaviorSanitizer) or build-tsan (ThreadSanitizer), builds it and runs ctest.
#   scripts/sanitize.sh [asan|tsan] [ctest arguments...]
# BUILD_DIR chooses another folder. Options and suppressions: tests/sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-asan}
shift || true
case $kind in
  asan) option=-DMOLTARO_SANITIZE=ON ;;
  tsan) option=-DMOLTARO_TSAN=ON ;;
  *) echo "usage: $0 [asan|tsan] [ctest arguments...]" >&2; exit 2 ;;
esac
scripts/deps.sh
build=${BUILD_DIR:-build-$kind}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug "$option" -DMOLTARO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2 "$@"
