#include "editor/EditorText.h"

#include "shell/Parameters.h"

namespace moltaro {

const NumberField kNumberFields[kNumNumberFields] = {
    {20, kParamPreDelay}, {22, kParamDecay},  {23, kParamHighDamp}, {24, kParamLowFreq}, {25, kParamLowGain},
    {26, kParamHighFreq}, {27, kParamHighGain}, {29, kParamOutput}, {30, kParamMix},
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

float parameterFromFieldNumber(const NumberField& field, double number) {
    const ParameterLaw* law = parameterLaw(field.parameter);
    if (!law) return 0.0f;
    // Into the range first: a long typed number would not fit a float.
    if (!(number >= law->minimum)) number = law->minimum;  // NaN too
    if (number > law->maximum) number = law->maximum;
    return normalisedValue(*law, static_cast<float>(number));
}

}  // namespace moltaro
