# Windows additions to the targets the layers define (included by the top
# CMakeLists.txt after the layers when building for Windows):
# - the platform services on the registry, comdlg32 and MessageBoxA for the shell;
# - Moltaro.dll exporting exactly VSTPluginMain and main through Moltaro.def, with
#   the C++ runtime inside (the toolchain files link statically).

add_subdirectory(${MOLTARO_ROOT}/platform/win32 ${CMAKE_BINARY_DIR}/platform/win32)
target_link_libraries(moltaro_shell PUBLIC moltaro_platform_win32_services)

set(moltaro_def ${MOLTARO_ROOT}/cmake/Moltaro.def)
target_sources(Moltaro PRIVATE ${moltaro_def})
target_link_options(Moltaro PRIVATE -Wl,--no-undefined -Wl,--enable-stdcall-fixup)
set_target_properties(Moltaro PROPERTIES PREFIX "" SUFFIX ".dll" OUTPUT_NAME Moltaro)
