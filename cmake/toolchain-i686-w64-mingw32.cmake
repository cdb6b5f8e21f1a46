# 32-bit Windows (the plug-in as hosts have long loaded it):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MOLTARO_MINGW_TRIPLE i686-w64-mingw32)
# SSE2 arithmetic instead of the x87 unit, so that the samples equal those of the
# 64-bit builds; the stack is realigned where SSE code needs it (hosts give 4 bytes).
set(MOLTARO_MINGW_ARCH_FLAGS "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
