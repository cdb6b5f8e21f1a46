#include "shell/ParameterLaws.h"

#include <cmath>
#include <cstring>

#include "shell/ParameterFormat.h"
#include "shell/Parameters.h"

namespace moltaro {

// Ranges are those of the editor's fields; a gain field reaches below kSilenceDb so that
// silence has a number of its own.
const ParameterLaw kParameterLaws[kNumParameterLaws] = {
    {kParamPower, "Power", "", Law::Toggle, 0.0f, 1.0f},
    {kParamType, "Type", "", Law::Algorithm, 0.0f, static_cast<float>(kNumAlgorithms - 1)},
    {kParamPreDelay, "PreDely", "ms", Law::Squared, 0.0f, 1000.0f},
    {kParamDecay, "Decay", "%", Law::Percent, 0.0f, 100.0f},
    {kParamHighDamp, "HighDamp", "%", Law::Percent, 0.0f, 100.0f},
    {kParamLowFreq, "LowFreq", "Hz", Law::Exponential, 25.0f, 10000.0f},
    {kParamLowGain, "LowGain", "dB", Law::ShelfGain, -200.0f, 6.0f},
    {kParamHighFreq, "HighFreq", "Hz", Law::Exponential, 50.0f, 20000.0f},
    {kParamHighGain, "HighGain", "dB", Law::ShelfGain, -200.0f, 6.0f},
    {kParamMix, "Mix", "%", Law::Percent, 0.0f, 100.0f},
    {kParamOutput, "Output", "dB", Law::OutputGain, -120.0f, 12.0f},
    {kParamDiffusion, "Diffusion", "%", Law::Percent, 0.0f, 100.0f},
};

namespace {

// The frequency range of an Exponential law spans this factor.
constexpr double kFrequencySpan = 400.0;
// A shelf field shows silence below this linear gain.
constexpr double kShelfFieldFloor = 1e-7;

double linearGain(Law law, float x) {
    return law == Law::ShelfGain ? 2.0 * x : 4.0 * static_cast<double>(x) * x;
}

double decibels(double gain) { return gain > 0.0 ? 6.0 * std::log2(gain) : -HUGE_VAL; }

void numberWithUnit(double value, int decimals, const char* unit, char* text) {
    text[0] = 0;
    if (formatNumber(value, decimals, text)) std::strcat(text, unit);
}

}  // namespace

const ParameterLaw* parameterLaw(int index) {
    for (const ParameterLaw& law : kParameterLaws)
        if (law.index == index) return &law;
    return nullptr;
}

const char* parameterName(int index) {
    const ParameterLaw* law = parameterLaw(index);
    return law ? law->name : "";
}

int algorithmOf(float x) {
    if (!(x > 0.0f)) x = 0.0f;  // NaN too
    if (x >= 1.0f) x = 8.0f / 9.0f;
    const int a = static_cast<int>(9.0f * x + 0.01f);
    // Values just below 1 would give 9, one past the last algorithm.
    return a < kNumAlgorithms ? a : kNumAlgorithms - 1;
}

double userValue(const ParameterLaw& law, float x) {
    const double v = x;
    switch (law.law) {
    case Law::Toggle: return x >= 0.5f ? 1.0 : 0.0;
    case Law::Algorithm: return algorithmOf(x);
    case Law::Squared: return v * v * 1000.0;
    case Law::Percent: return v * 100.0;
    case Law::Exponential: return law.minimum * std::pow(kFrequencySpan, v);
    case Law::ShelfGain:
    case Law::OutputGain: return decibels(linearGain(law.law, x));
    }
    return 0.0;
}

float normalisedValue(const ParameterLaw& law, float user) {
    double u = user;
    if (!(u >= law.minimum)) u = law.minimum;  // NaN too
    if (u > law.maximum) u = law.maximum;
    double x = 0.0;
    switch (law.law) {
    case Law::Toggle: x = u >= 0.5 ? 1.0 : 0.0; break;
    case Law::Algorithm: return typeValueOf(static_cast<int>(u + 0.5));
    case Law::Squared: x = std::sqrt(u * 0.001); break;
    case Law::Percent: x = u * 0.01; break;
    case Law::Exponential: x = std::log(u / law.minimum) / std::log(kFrequencySpan); break;
    case Law::ShelfGain: x = u < kSilenceDb ? 0.0 : 0.5 * std::pow(2.0, u / 6.0); break;
    case Law::OutputGain: x = u < kSilenceDb ? 0.0 : std::sqrt(0.25 * std::pow(2.0, u / 6.0)); break;
    }
    if (x < 0.0) x = 0.0;
    if (x > 1.0) x = 1.0;
    return static_cast<float>(x);
}

float portValue(const ParameterLaw& law, float x) {
    // For every x that some float in user units selects, the float nearest the law selects
    // x again (the tests check typed numbers, the factory programs and random port values).
    const double u = userValue(law, x);
    if (!(u >= law.minimum)) return law.minimum;
    if (u > law.maximum) return law.maximum;
    return static_cast<float>(u);
}

void hostText(int index, float x, char* text) {
    if (!text) return;
    text[0] = 0;
    const ParameterLaw* law = parameterLaw(index);
    if (!law) return;
    // The host's texts have always been computed from the engine's float quantities (x*x
    // seconds, 2x and 4x*x gains); in double a value on a rounding edge would read one
    // unit differently.
    switch (law->law) {
    case Law::Toggle: std::strcpy(text, x >= 0.5f ? "On" : "Off"); break;
    case Law::Algorithm: std::strcpy(text, kAlgorithmNames[algorithmOf(x)]); break;
    case Law::Squared: numberWithUnit(x * x * 1000.0f, 0, "ms", text); break;
    case Law::Percent:
        if (index == kParamMix && x >= 1.0f) std::strcpy(text, "Wet");
        else if (index == kParamMix && x <= 0.0f) std::strcpy(text, "Dry");
        else numberWithUnit(x * 100.0f, 0, "%", text);
        break;
    case Law::Exponential: formatFrequency(userValue(*law, x), text); break;
    case Law::ShelfGain: formatGainDb(2.0f * x, 1, text); break;
    case Law::OutputGain: formatGainDb(4.0f * x * x, 1, text); break;
    }
}

void fieldText(int index, float x, char* text) {
    if (!text) return;
    text[0] = 0;
    const ParameterLaw* law = parameterLaw(index);
    if (!law || law->integer()) return;
    const double u = userValue(*law, x);
    switch (law->law) {
    case Law::Squared: numberWithUnit(u, 0, "ms", text); break;
    case Law::Percent: numberWithUnit(u, 0, "%", text); break;
    case Law::Exponential: formatFrequency(u, text); break;
    case Law::ShelfGain:
        if (linearGain(law->law, x) >= kShelfFieldFloor) numberWithUnit(u, 2, "dB", text);
        else std::strcpy(text, "-oodB");
        break;
    case Law::OutputGain:
        if (u < kSilenceDb) std::strcpy(text, "-oo dB");
        else numberWithUnit(u, 2, "dB", text);
        break;
    default: break;
    }
}

double fieldNumber(int index, float x) {
    const ParameterLaw* law = parameterLaw(index);
    if (!law || law->integer()) return 0.0;
    if (law->law == Law::ShelfGain && linearGain(law->law, x) < kShelfFieldFloor) return law->minimum;
    const double u = userValue(*law, x);
    return std::isfinite(u) ? u : law->minimum;
}

}  // namespace moltaro
