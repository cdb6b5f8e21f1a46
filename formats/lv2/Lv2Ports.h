#pragma once
// The LV2 plug-in's ports. Host projects store control values by symbol and some hosts by
// index, so once released a port keeps its index and symbol for good: new ports are only
// ever appended.

#include <cstdint>

namespace moltaro::lv2 {

constexpr const char* kPluginUri = "urn:zun-soundlab:moltaro";
constexpr const char* kUiUri = "urn:zun-soundlab:moltaro#ui";
// State key of the program name the editor shows.
constexpr const char* kProgramNameKey = "urn:zun-soundlab:moltaro#programName";

enum Port : std::uint32_t {
    kPortInL,
    kPortInR,
    kPortOutL,
    kPortOutR,
    kPortPower,
    kPortType,
    kPortPreDelay,
    kPortDecay,
    kPortHighDamp,
    kPortLowFreq,
    kPortLowGain,
    kPortHighFreq,
    kPortHighGain,
    kPortMix,
    kPortOutput,
    kPortPeak,   // control output: the output's peak magnitude over the last block
    kNumPorts
};

constexpr std::uint32_t kFirstControl = kPortPower;
constexpr int kNumControls = kPortPeak - kPortPower;

// One control input per user parameter, in port order.
struct ControlPort {
    const char* symbol;
    int parameter;  // the effect's parameter index
};

constexpr ControlPort kControlPorts[kNumControls] = {
    {"power", 0},    {"type", 1},     {"predelay", 2}, {"decay", 3},  {"highdamp", 4},
    {"lowfreq", 5},  {"lowgain", 6},  {"highfreq", 7}, {"highgain", 8}, {"mix", 9},
    {"output", 10}};

constexpr const char* kAudioSymbols[4] = {"in_l", "in_r", "out_l", "out_r"};

}  // namespace moltaro::lv2
