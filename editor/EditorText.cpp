#include "editor/EditorText.h"

#include <cmath>
#include <cstring>

#include "shell/ParameterFormat.h"
#include "shell/Parameters.h"

namespace moltaro {

const NumberField kNumberFields[kNumNumberFields] = {
    {20, kParamPreDelay, 0.0, 1000.0}, {22, kParamDecay, 0.0, 100.0},     {23, kParamHighDamp, 0.0, 100.0},
    {24, kParamLowFreq, 25.0, 10000.0}, {25, kParamLowGain, -200.0, 6.0}, {26, kParamHighFreq, 50.0, 20000.0},
    {27, kParamHighGain, -200.0, 6.0},  {29, kParamOutput, -120.0, 12.0}, {30, kParamMix, 0.0, 100.0},
};

const NumberField* numberFieldForTag(long tag) {
    for (const NumberField& f : kNumberFields)
        if (f.tag == tag) return &f;
    return nullptr;
}

const NumberField* numberFieldForParameter(int parameter) {
    for (const NumberField& f : kNumberFields)
        if (f.parameter == parameter) return &f;
    return nullptr;
}

double readTypedNumber(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    const bool negative = *p == '-';
    if (negative) ++p;
    double number = 0.0;
    while (*p >= '0' && *p <= '9') number = number * 10.0 + (*p++ - '0');
    if (*p == '.' || *p == ',') {
        ++p;
        double scale = 0.1;
        while (*p >= '0' && *p <= '9') {
            number += (*p++ - '0') * scale;
            scale *= 0.1;
        }
    }
    return negative ? -number : number;
}

namespace {

const double kLog2 = std::log10(2.0);

// Shelf gain in dB for a normalised value; -infinity below the audible floor.
double shelfDb(float p) {
    const double s = 2.0 * p;
    return s >= 1e-7 ? 6.0 * std::log10(s) / kLog2 : -HUGE_VAL;
}

double outputDb(float p) { return 6.0 * std::log10(4.0 * p * p) / kLog2; }

void numberWithUnit(double value, int decimals, const char* unit, char* text) {
    text[0] = 0;
    if (formatNumber(value, decimals, text)) std::strcat(text, unit);
}

}  // namespace

double fieldNumber(int parameter, float p) {
    double number = 0.0;
    switch (parameter) {
    case kParamPreDelay: number = static_cast<double>(p) * p * 1000.0; break;
    case kParamDecay:
    case kParamHighDamp:
    case kParamMix: number = p * 100.0; break;
    case kParamLowFreq: number = 25.0 * std::pow(400.0, static_cast<double>(p)); break;
    case kParamHighFreq: number = 50.0 * std::pow(400.0, static_cast<double>(p)); break;
    case kParamLowGain:
    case kParamHighGain: number = shelfDb(p); break;
    case kParamOutput: number = outputDb(p); break;
    default: return 0.0;
    }
    if (!std::isfinite(number)) {
        const NumberField* field = numberFieldForParameter(parameter);
        number = field ? field->minimum : 0.0;
    }
    return number;
}

void fieldText(int parameter, float p, char* text) {
    text[0] = 0;
    switch (parameter) {
    case kParamPreDelay: numberWithUnit(static_cast<double>(p) * p * 1000.0, 0, "ms", text); break;
    case kParamDecay:
    case kParamHighDamp:
    case kParamMix: numberWithUnit(p * 100.0, 0, "%", text); break;
    case kParamLowFreq: formatFrequency(25.0 * std::pow(400.0, static_cast<double>(p)), text); break;
    case kParamHighFreq: formatFrequency(50.0 * std::pow(400.0, static_cast<double>(p)), text); break;
    case kParamLowGain:
    case kParamHighGain: {
        const double db = shelfDb(p);
        if (std::isfinite(db))
            numberWithUnit(db, 2, "dB", text);
        else
            std::strcpy(text, "-oodB");
        break;
    }
    case kParamOutput: {
        const double db = outputDb(p);
        if (db < -100.0)
            std::strcpy(text, "-oo dB");
        else
            numberWithUnit(db, 2, "dB", text);
        break;
    }
    default: break;
    }
}

float parameterFromFieldNumber(const NumberField& field, double number) {
    if (!(number >= field.minimum)) number = field.minimum;  // NaN too
    if (number > field.maximum) number = field.maximum;
    double p = 0.0;
    switch (field.parameter) {
    case kParamPreDelay: p = std::sqrt(number * 0.001); break;
    case kParamDecay:
    case kParamHighDamp:
    case kParamMix: p = number * 0.01; break;
    case kParamLowFreq: p = std::log(number / 25.0) / std::log(400.0); break;
    case kParamHighFreq: p = std::log(number / 50.0) / std::log(400.0); break;
    case kParamLowGain:
    case kParamHighGain: p = number < -100.0 ? 0.0 : 0.5 * std::pow(2.0, number / 6.0); break;
    case kParamOutput: p = number < -100.0 ? 0.0 : std::sqrt(0.25 * std::pow(2.0, number / 6.0)); break;
    default: break;
    }
    return static_cast<float>(p);
}

}  // namespace moltaro
