#pragma once
// The LV2 plug-in's identity and its ports' symbols. Host projects store control values
// by symbol (and some hosts by index, Lv2Shared.h), so once released a port keeps its
// symbol for good: new ports are only ever appended.

#include <cstdint>
#include <cstring>

#include "formats/lv2/Lv2Shared.h"

namespace moltaro::lv2 {

constexpr const char* kPluginUri = "urn:zun-soundlab:moltaro";
constexpr const char* kUiUri = "urn:zun-soundlab:moltaro#ui";
// State key of the program name the editor shows.
constexpr const char* kProgramNameKey = "urn:zun-soundlab:moltaro#programName";

constexpr std::uint32_t kNumPorts = kPeakPort + 1;

// The control input of parameter i is port kFirstParameterPort + i.
constexpr const char* kParameterSymbols[kNumPortParameters] = {
    "power", "type", "predelay", "decay", "highdamp", "lowfreq",
    "lowgain", "highfreq", "highgain", "mix", "output"};
constexpr const char* kAudioSymbols[4] = {"in_l", "in_r", "out_l", "out_r"};
constexpr const char* kPeakSymbol = "peak";

// The LV2 units vocabulary's term for a unit of the parameter laws; null for none.
inline const char* lv2UnitOf(const char* unit) {
    const char* const pairs[][2] = {{"ms", "ms"}, {"%", "pc"}, {"Hz", "hz"}, {"dB", "db"}};
    for (const auto& p : pairs)
        if (unit && std::strcmp(unit, p[0]) == 0) return p[1];
    return nullptr;
}

}  // namespace moltaro::lv2
