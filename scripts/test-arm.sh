#!/usr/bin/env bash
# The ARM part of the test command: installs the aarch64 cross compiler, qemu and the
# arm64 libraries when missing, builds the plug-in module, moltaro-render and the test
# programs for 64-bit ARM Linux, writes the x86-64 module's reference renders, and runs
# the ARM tests under qemu (user mode, called directly: no binfmt registration needed).
#
#   scripts/test-arm.sh                  # x86-64 reference from $BUILD_DIR (default build)
#   ARM_BUILD_DIR=build-a scripts/test-arm.sh
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

. scripts/cross-support.sh

# ---- packages: the cross compiler and emulator, and the arm64 builds of the libraries
# the module, the LV2 bundle and moltaro-render use (installed beside the machine's own,
# multiarch)
install_missing arm64 g++-aarch64-linux-gnu qemu-user-static googletest binutils file pkg-config \
  libcairo2-dev:arm64 libx11-dev:arm64 libfontconfig1-dev:arm64 libsndfile1-dev:arm64 \
  libfftw3-dev:arm64 lv2-dev:arm64

# ---- the x86-64 module's renders, which the ARM module must reproduce bit for bit
write_reference arm-reference-renders.bin moltaro-render

# ---- the ARM build, tested under qemu
arm_build=${ARM_BUILD_DIR:-build-arm64}
echo "== arm64: $arm_build" >&2
cmake -S . -B "$arm_build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-aarch64-linux-gnu.cmake \
      -DMOLTARO_BUILD_TESTS=OFF -DMOLTARO_BUILD_BENCH=OFF \
      -DMOLTARO_REFERENCE_RENDERS="$reference" -DMOLTARO_X86_64_RENDER="$linux_build/moltaro-render" >/dev/null
cmake --build "$arm_build" -j2
status=0
(cd "$arm_build" && ctest --output-on-failure -j2) || status=1
echo "ARM tests took $(( $(date +%s) - started )) s" >&2
exit $status
