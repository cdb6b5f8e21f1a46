# GoogleTest from Debian's sources (/usr/src/googletest), built for the target of a
# cross build (Windows, ARM), where no prebuilt library for that target is installed.
# Gives the targets gtest and gtest_main.
set(MOLTARO_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources to cross-build")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${MOLTARO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
