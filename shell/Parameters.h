#pragma once
// Parameter indices of the effect. The host sees 0..15 (11..15 have no function);
// Diffusion (17) is internal and never reaches the host or the programs.

#include "dsp/AlgorithmNames.h"
#include "shell/vst2abi.h"

enum MoltaroParameter : VstInt32 {
    kParamPower = 0,
    kParamType = 1,
    kParamPreDelay = 2,
    kParamDecay = 3,
    kParamHighDamp = 4,
    kParamLowFreq = 5,
    kParamLowGain = 6,
    kParamHighFreq = 7,
    kParamHighGain = 8,
    kParamMix = 9,
    kParamOutput = 10,
    kNumHostParams = 16,
    kParamDiffusion = 17,
    kNumStoredParams = 18
};

using moltaro::kNumAlgorithms;

// The normalised Type value the effect reports for algorithm a (0..8).
constexpr float typeValueOf(int algorithm) { return static_cast<float>(algorithm) / 9.0f + 0.01f; }
