// The module's only exports: VSTPluginMain, and the same function under the name
// older hosts look up, main.
#include "formats/vst2/PluginEntry.h"

#if defined(_WIN32)
#define MOLTARO_EXPORT __declspec(dllexport)
#else
#define MOLTARO_EXPORT __attribute__((visibility("default")))
#endif

extern "C" MOLTARO_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    return moltaroPluginMain(host);
}

#if !defined(_WIN32)
// "main" cannot be defined as an ordinary C++ function name here, so the alias gets its
// symbol name from the assembler.
extern "C" MOLTARO_EXPORT AEffect* moltaroMainAlias(audioMasterCallback host) __asm__("main");
extern "C" AEffect* moltaroMainAlias(audioMasterCallback host) { return moltaroPluginMain(host); }
#endif
