#pragma once
// The factory bank: 53 programs written into the bank at construction.

struct FactoryPreset {
    const char* name;
    double values[16];  // normalised values of parameters 0..15
};

constexpr int kNumFactoryPresets = 53;
extern const FactoryPreset kFactoryPresets[kNumFactoryPresets];
