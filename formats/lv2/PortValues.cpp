#include "formats/lv2/PortValues.h"

#include <cmath>

#include "shell/Parameters.h"

namespace moltaro::lv2 {

namespace {

// Below this level a gain port means silence (gain 0, shown as "-oodB").
constexpr float kGainFloorDb = -48.0f;

double clamp01(double x) { return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x; }

// The law from normalised to port value, in double precision.
double forward(int parameter, double x) {
    switch (parameter) {
    case kParamPower:
        return x >= 0.5 ? 1.0 : 0.0;
    case kParamType: {
        const int a = static_cast<int>(9.0f * static_cast<float>(x) + 0.01f);
        return a < 0 ? 0 : a > kNumAlgorithms - 1 ? kNumAlgorithms - 1 : a;
    }
    case kParamPreDelay:
        return x * x * 1000.0;
    case kParamDecay:
    case kParamHighDamp:
    case kParamMix:
        return x * 100.0;
    case kParamLowFreq:
        return 25.0 * std::pow(400.0, x);
    case kParamHighFreq:
        return 50.0 * std::pow(400.0, x);
    case kParamLowGain:
    case kParamHighGain:
        return x <= 0.0 ? kGainFloorDb : std::fmax(kGainFloorDb, 6.0 * std::log2(2.0 * x));
    case kParamOutput:
        return x <= 0.0 ? kGainFloorDb : std::fmax(kGainFloorDb, 6.0 * std::log2(4.0 * x * x));
    default:
        return 0.0;
    }
}

// Its inverse, for port values within the range.
double inverse(int parameter, double p) {
    switch (parameter) {
    case kParamPower:
        return p >= 0.5 ? 1.0 : 0.0;
    case kParamType:
        return typeValueOf(static_cast<int>(std::floor(p + 0.5)));
    case kParamPreDelay:
        return std::sqrt(p / 1000.0);
    case kParamDecay:
    case kParamHighDamp:
    case kParamMix:
        return p / 100.0;
    case kParamLowFreq:
        return std::log(p / 25.0) / std::log(400.0);
    case kParamHighFreq:
        return std::log(p / 50.0) / std::log(400.0);
    case kParamLowGain:
    case kParamHighGain:
        return p <= kGainFloorDb ? 0.0 : std::exp2(p / 6.0) / 2.0;
    case kParamOutput:
        return p <= kGainFloorDb ? 0.0 : std::sqrt(std::exp2(p / 6.0) / 4.0);
    default:
        return 0.0;
    }
}

}  // namespace

PortRange portRange(int parameter) {
    switch (parameter) {
    case kParamPower: return {0.0f, 1.0f, nullptr, false};
    case kParamType: return {0.0f, static_cast<float>(kNumAlgorithms - 1), nullptr, false};
    case kParamPreDelay: return {0.0f, 1000.0f, "ms", false};
    case kParamDecay:
    case kParamHighDamp:
    case kParamMix: return {0.0f, 100.0f, "pc", false};
    case kParamLowFreq: return {25.0f, 10000.0f, "hz", true};
    case kParamHighFreq: return {50.0f, 20000.0f, "hz", true};
    case kParamLowGain:
    case kParamHighGain: return {kGainFloorDb, 6.0f, "db", false};
    case kParamOutput: return {kGainFloorDb, 12.0f, "db", false};
    default: return {0.0f, 1.0f, nullptr, false};
    }
}

float portValueOf(int parameter, float x) {
    if (!std::isfinite(x)) x = 0.0f;
    const PortRange r = portRange(parameter);
    const float p = static_cast<float>(forward(parameter, clamp01(x)));
    return p < r.minimum ? r.minimum : p > r.maximum ? r.maximum : p;
}

bool normalisedOf(int parameter, float portValue, float& x) {
    if (!std::isfinite(portValue)) return false;
    const PortRange r = portRange(parameter);
    float p = portValue < r.minimum ? r.minimum : portValue > r.maximum ? r.maximum : portValue;
    const float guess = static_cast<float>(clamp01(inverse(parameter, p)));
    // The float nearest the inverse may sit a step or two off the value whose port value
    // this is; look at the neighbours for the one that maps back exactly.
    float down = guess, up = guess;
    for (int step = 0; step < 4; ++step) {
        if (portValueOf(parameter, down) == p) { x = down; return true; }
        if (portValueOf(parameter, up) == p) { x = up; return true; }
        down = std::nextafter(down, 0.0f);
        up = std::nextafter(up, 1.0f);
    }
    x = guess;
    return true;
}

}  // namespace moltaro::lv2
