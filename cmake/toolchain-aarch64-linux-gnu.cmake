# 64-bit ARM Linux (Raspberry Pi class boards), cross-built with Debian's compiler
# against the arm64 libraries installed beside the build machine's (multiarch):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(MOLTARO_CROSS_TRIPLE aarch64-linux-gnu)

find_program(MOLTARO_CROSS_C NAMES ${MOLTARO_CROSS_TRIPLE}-gcc REQUIRED)
find_program(MOLTARO_CROSS_CXX NAMES ${MOLTARO_CROSS_TRIPLE}-g++ REQUIRED)
set(CMAKE_C_COMPILER ${MOLTARO_CROSS_C})
set(CMAKE_CXX_COMPILER ${MOLTARO_CROSS_CXX})

# Debian's cross compiler already searches the multiarch folders
# (/usr/include/aarch64-linux-gnu, /usr/lib/aarch64-linux-gnu) and its own runtime in
# /usr/aarch64-linux-gnu; CMake's own searches are kept to them as well.
set(CMAKE_LIBRARY_ARCHITECTURE ${MOLTARO_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${MOLTARO_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config reads the arm64 libraries' files only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${MOLTARO_CROSS_TRIPLE}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Test programs run under user-mode qemu, called directly with the cross runtime as
# its root (no binfmt registration needed); ctest uses this for every test command
# naming a target. The C library is taken from the cross runtime too: its loader with
# the multiarch libc6:arm64 (a different build, pulled in by the arm64 libraries) hangs
# in fork().
find_program(MOLTARO_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(MOLTARO_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOLTARO_QEMU_AARCH64} -L /usr/${MOLTARO_CROSS_TRIPLE}
      -E LD_LIBRARY_PATH=/usr/${MOLTARO_CROSS_TRIPLE}/lib)
endif()

# The compile commands, which the ARM tests read to see that the float flags reach
# every target.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
