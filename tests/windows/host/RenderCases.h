#pragma once
// The renders the Windows modules are compared on: factory programs, an impulse and
// noise, host rates that run the core at a half and a quarter rate, uneven blocks and
// parameter automation during playback. Everything goes through the AEffect record,
// as a host drives a loaded module, so the same code checks Moltaro.so and Moltaro.dll.

#include <cstdint>
#include <string>
#include <vector>

#include "shell/vst2abi.h"

namespace modulecheck {

using EntryPoint = AEffect* (*)(audioMasterCallback);

struct Render {
    std::string name;
    std::vector<float> left, right;
};

// Renders every case with a fresh effect from entry. Anything the module does wrong
// on the way (no effect, wrong record fields, wrong names) is added to problems.
std::vector<Render> renderAll(EntryPoint entry, std::vector<std::string>& problems);

// Checks what a host looks at right after loading: the record's fields, the names, that
// a host answering 0 to the version query gets no effect, and that close answers 1.
void checkRecord(EntryPoint entry, const char* entryName, std::vector<std::string>& problems);

// The renders as one file: "MOLTREF1", a count, then per render its name, length and
// the left and right samples as little-endian 32-bit floats.
bool writeRenders(const std::string& path, const std::vector<Render>& renders);
bool readRenders(const std::string& path, std::vector<Render>& renders, std::string& error);

struct Difference {
    std::size_t differing = 0;  // samples that are not bit-identical
    double maxAbs = 0.0;        // largest absolute difference
    std::size_t firstIndex = 0; // first differing frame
    bool sameLength = true;
};
Difference compare(const Render& a, const Render& b);

}  // namespace modulecheck
