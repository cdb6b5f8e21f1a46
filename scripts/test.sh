#!/usr/bin/env bash
# The test command: installs what is missing, builds everything, runs the whole suite.
# Extra arguments go to cmake's configure step (e.g. -DMOLTARO_SANITIZE=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" "$@" >/dev/null
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2
cd - >/dev/null
# The Windows DLLs, cross-built and tested under Wine (MOLTARO_WINDOWS_TESTS=0 skips them).
if [ "${MOLTARO_WINDOWS_TESTS:-1}" != 0 ]; then
  BUILD_DIR="$build" scripts/test-windows.sh
fi
# The ARM (aarch64) build, tested under qemu (MOLTARO_ARM_TESTS=0 skips it).
if [ "${MOLTARO_ARM_TESTS:-1}" != 0 ]; then
  BUILD_DIR="$build" scripts/test-arm.sh
fi
# The release packages, made from these builds and checked as a user's system meets them
# (MOLTARO_PACKAGE_TESTS=0 skips them).
if [ "${MOLTARO_PACKAGE_TESTS:-1}" != 0 ]; then
  BUILD_DIR="$build" scripts/test-packages.sh
fi
