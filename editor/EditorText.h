#pragma once
// The editor's number fields: which parameter each edits, and the reader for typed
// text. What a field shows and what a typed number selects are the parameter laws
// (shell/ParameterLaws.h).

#include <cstddef>

#include "shell/ParameterLaws.h"

namespace moltaro {

// One number field of the editor: its tag and the parameter it edits. The numbers it
// accepts are the parameter law's range.
struct NumberField {
    long tag;
    int parameter;
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
constexpr std::size_t kFieldTextBytes = kLawTextBytes;

// The normalised value a typed number selects: clamped into the field's range, then
// converted by the parameter's law, exactly as a port in the same units would be.
float parameterFromFieldNumber(const NumberField& field, double number);

}  // namespace moltaro
