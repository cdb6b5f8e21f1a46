#pragma once
// The built-in demo sound: a four-second phrase of plucked notes, drum hits and two
// chords, synthesised in code so that a render needs no input file. Its hard attacks and
// the sudden stop at the end let the reverb be heard clearly.

#include <vector>

namespace render {

struct DemoSound {
    std::vector<float> left;
    std::vector<float> right;
};

constexpr double kDemoSeconds = 4.0;
constexpr float kDemoPeak = 0.5f;   // -6 dBFS

// The same samples for the same rate, on every run and machine.
DemoSound synthesiseDemo(int sampleRate);

}  // namespace render
