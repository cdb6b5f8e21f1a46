#pragma once
// Control port values in the units the editor shows, and the normalised parameter values
// the effect stores. A port value written from a normalised value selects that very value
// again, so a setting travels between the two plug-in formats unchanged.

namespace moltaro::lv2 {

struct PortRange {
    float minimum, maximum;
    const char* unit;  // LV2 units vocabulary term ("ms", "pc", "hz", "db"), or null
    bool logarithmic;
};

// The range of the control port of a host parameter (0..10).
PortRange portRange(int parameter);

// The port value showing normalised value x.
float portValueOf(int parameter, float x);

// The normalised value a port value selects: the value that portValueOf maps to exactly
// this port value when there is one, else the nearest. Values outside the port's range
// are held at its ends; a non-finite value answers false and leaves x alone.
bool normalisedOf(int parameter, float portValue, float& x);

}  // namespace moltaro::lv2
