#pragma once
// What the editor's number fields show for a parameter, what they read back from
// typed text, and the conversions between a parameter's normalised value and the
// number in its display unit (ms, %, Hz, dB).

#include <cstddef>

namespace moltaro {

// One number field of the editor: its tag, the parameter it edits and the range of
// numbers it accepts (display units).
struct NumberField {
    long tag;
    int parameter;
    double minimum;
    double maximum;
};

constexpr int kNumNumberFields = 9;
extern const NumberField kNumberFields[kNumNumberFields];

// The field with this tag, or null.
const NumberField* numberFieldForTag(long tag);
// The field showing this parameter, or null.
const NumberField* numberFieldForParameter(int parameter);

// Reads typed text as a number: an optional "-", digits, then optionally "." or ","
// and more digits; reading stops at the first other character, so text that does not
// start like a number reads as 0.
double readTypedNumber(const char* text);

// Longest field text written, with its terminator.
constexpr std::size_t kFieldTextBytes = 24;

// The field text for a parameter's normalised value ("50%", "12ms", "1.25kHz",
// "-6.02dB", "-oo dB"); an empty text for parameters without a field.
void fieldText(int parameter, float value, char* text);
// The number the field holds for the value (ms, %, Hz or dB); silence in dB is the
// field's minimum.
double fieldNumber(int parameter, float value);
// The normalised value for a number in the field's unit, after clamping it into the
// field's range.
float parameterFromFieldNumber(const NumberField& field, double number);

}  // namespace moltaro
