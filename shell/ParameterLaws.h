#pragma once
// The laws between a parameter's normalised value (0..1, what hosts, programs and files
// hold) and the number a user reads and types: milliseconds, percent, hertz, decibels,
// an algorithm. Written once, here, for the host's parameter texts, the editor's number
// fields, the LV2 ports, the tools and the tests.
//
// Exactness: normalisedValue() is what the editor stores for a typed number and what a
// plug-in port in user units selects, so both give the same float for the same number.
// portValue() is the float in user units that selects a normalised value again; for
// every value normalisedValue() can produce (typed numbers, port values, the factory
// programs' values) normalisedValue(portValue(x)) == x exactly. A float in user units
// cannot tell apart every float in 0..1 (100 x for x in 0.64..1 has fewer floats than x
// has), so a value from a continuous drag may come back as a neighbouring float.

#include <cstddef>

namespace moltaro {

enum class Law {
    Toggle,       // Off/On; on from 0.5
    Algorithm,    // algorithm number a, normalised a/9 + 0.01
    Squared,      // ms = 1000 x^2
    Percent,      // % = 100 x
    Exponential,  // Hz = minimum * 400^x
    ShelfGain,    // dB = 6 log2(2x): six dB per doubling of the linear gain 2x
    OutputGain,   // dB = 6 log2(4x^2)
};

struct ParameterLaw {
    int index;         // the effect's parameter index
    const char* name;  // the name hosts read ("PreDely")
    const char* unit;  // what a user reads after the number; "" for Power and Type
    Law law;
    float minimum;     // user values an editor field or a port accepts
    float maximum;

    bool toggle() const { return law == Law::Toggle; }
    bool integer() const { return law == Law::Toggle || law == Law::Algorithm; }
    bool logarithmic() const { return law == Law::Exponential; }
};

// Power, Type, PreDely, Decay, HighDamp, LowFreq, LowGain, HighFreq, HighGain, Mix,
// Output (indices 0..10), then the internal Diffusion (17).
constexpr int kNumParameterLaws = 12;
extern const ParameterLaw kParameterLaws[kNumParameterLaws];

// Below this a typed or port gain is silence (normalised 0).
constexpr double kSilenceDb = -100.0;

// The law of a parameter index; null for indices without a parameter.
const ParameterLaw* parameterLaw(int index);
// The name hosts read; "" for indices without a parameter.
const char* parameterName(int index);

// The algorithm a Type value selects: trunc(9x + 0.01) in 0..8, with x >= 1 as 8/9.
int algorithmOf(float typeValue);

// The user value of normalised x, computed in double: the algorithm number for Type,
// 0 or 1 for Power, -infinity for a gain of silence.
double userValue(const ParameterLaw& law, float x);

// The normalised value a user value selects. Clamped into minimum..maximum (NaN gives
// the minimum); gains below kSilenceDb are silence; Power is on from 0.5; Type takes the
// nearest algorithm. A double, such as a typed number, is first rounded to float, as a
// port holds it.
float normalisedValue(const ParameterLaw& law, float user);

// The user value, as a float inside minimum..maximum, that selects x again. Silence is
// the minimum.
float portValue(const ParameterLaw& law, float x);

// Longest text written by the functions below, with its terminator.
constexpr std::size_t kLawTextBytes = 24;

// The text hosts show for a parameter (getParameterDisplay): "250ms", "50%", "Wet",
// "1.00kHz", "-3.0dB", "Cathedral", "On". Empty for indices without a parameter.
void hostText(int index, float x, char* text);

// The text of the editor's number field: two decimals for dB, no "Wet"/"Dry"; "-oodB"
// below a shelf gain of 1e-7 and "-oo dB" below -100 dB of output. Empty for Power,
// Type and indices without a field.
void fieldText(int index, float x, char* text);
// The number the editor's field holds for x; silence is the field's minimum.
double fieldNumber(int index, float x);

}  // namespace moltaro
