#pragma once
// Finding programs and parameters by what the user typed, and the texts the renderer
// reports. Pure functions over the names the effect gave, so they are tested alone.

#include <cstdint>
#include <string>
#include <vector>

namespace render {

// A program by number ("22") or by name: the exact name first, then the first name
// that matches without regard to case. Returns -1 with a one-line error when none fits.
int findProgram(const std::string& choice, const std::vector<std::string>& names, std::string& error);

// A parameter by name, exact or without regard to case; unnamed parameters never match.
// Returns -1 with a one-line error naming the known parameters when none fits.
int findParameter(const std::string& name, const std::vector<std::string>& names, std::string& error);

// "-6.0 dBFS"; "-inf dBFS" for silence.
std::string dbfsText(float peak);

struct SummaryInfo {
    std::string input;        // e.g. "demo sound (stereo, 44100 Hz)"
    std::string output;
    std::string preset;       // e.g. "22 \"Basic Hall\""; empty: none chosen
    std::string settings;     // e.g. "Decay=0.8 Mix=0.3"; empty: none
    int sampleRate = 44100;
    int64_t inputFrames = 0;
    int64_t tailFrames = 0;
    float peak = 0;
    double cpuSeconds = 0;
};

// The one line printed after a render.
std::string summaryLine(const SummaryInfo& s);

}  // namespace render
