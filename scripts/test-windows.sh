#!/usr/bin/env bash
# The Windows part of the test command: installs MinGW-w64, Wine (64- and 32-bit) and
# Xvfb when missing, builds the 32-bit and 64-bit plug-in DLLs and their test programs,
# writes the Linux module's reference renders, and runs the Windows tests under Wine on
# a private virtual display.
#
#   scripts/test-windows.sh              # Linux reference from $BUILD_DIR (default build)
#   BUILD_DIR=build-w scripts/test-windows.sh
#
# Build folders: build-win32 and build-win64 (override with WIN32_BUILD_DIR and
# WIN64_BUILD_DIR); both run in one Wine prefix kept in the 64-bit build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

. scripts/cross-support.sh

# ---- packages
install_missing i386 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 xvfb xauth \
  googletest binutils

# ---- the Linux module's renders, which the DLLs must reproduce
write_reference windows-reference-renders.bin

# ---- both Windows builds, tested under Wine
win32_build=${WIN32_BUILD_DIR:-build-win32}
win64_build=${WIN64_BUILD_DIR:-build-win64}
mkdir -p "$win64_build"
prefix="$(cd "$win64_build" && pwd)/wineprefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
status=0
for arch in win32 win64; do
  if [ "$arch" = win32 ]; then
    build=$win32_build; toolchain=cmake/toolchain-i686-w64-mingw32.cmake
  else
    build=$win64_build; toolchain=cmake/toolchain-x86_64-w64-mingw32.cmake
  fi
  echo "== $arch: $build" >&2
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DMOLTARO_BUILD_GUI=ON -DMOLTARO_BUILD_TESTS=OFF -DMOLTARO_BUILD_BENCH=OFF \
        -DMOLTARO_REFERENCE_RENDERS="$reference" -DMOLTARO_WINEPREFIX="$prefix" >/dev/null
  cmake --build "$build" -j2
  # A private X display for the dialogs and windows; -a picks a free display number.
  if ! (cd "$build" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2); then
    status=1
  fi
done
# Let this prefix's Wine server finish before the folders are used again.
WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
echo "Windows tests took $(( $(date +%s) - started )) s" >&2
exit $status
