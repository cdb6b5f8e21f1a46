# Shared part of the MinGW-w64 toolchain files: Debian's cross compilers, the
# Windows system libraries only, and Wine to run what is built.
# Expects MOLTARO_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and, optionally,
# MOLTARO_MINGW_ARCH_FLAGS.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The "posix" thread model gives std::thread to the test programs; its thread library
# is linked statically like the rest of the runtime.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(driver gcc)
  else()
    set(driver g++)
  endif()
  find_program(MOLTARO_MINGW_${lang} NAMES ${MOLTARO_MINGW_TRIPLE}-${driver}-posix ${MOLTARO_MINGW_TRIPLE}-${driver}
               REQUIRED)
  set(CMAKE_${lang}_COMPILER ${MOLTARO_MINGW_${lang}})
endforeach()
set(CMAKE_RC_COMPILER ${MOLTARO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MOLTARO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing beyond Windows' own DLLs: the C++ runtime, libgcc and the thread library
# go inside every module and program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The math constants (M_PI) the engine uses, which MinGW's headers hide in strict
# standard mode; MOLTARO_MINGW_ARCH_FLAGS comes from the toolchain file.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES ${MOLTARO_MINGW_ARCH_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES ${MOLTARO_MINGW_ARCH_FLAGS}")

# Test programs run under Wine (ctest uses this for every test command naming a target).
find_program(MOLTARO_WINE NAMES wine)
if(MOLTARO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOLTARO_WINE})
endif()
