#include "presetsystem/FactoryPresets.h"

// Value order: Power, Type, PreDely, Decay, HighDamp, LowFreq, LowGain, HighFreq,
// HighGain, Mix, Output, then the five unused slots.
//
// Programs 0 and 1 have flat shelves (500 Hz and 1 kHz at unity gain).
#define NEUTRAL(name, type, decay, damp) \
    {name, {1.0, type, 0.0, decay, damp, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0}}
// The presets share a gentle input voicing: low shelf at 111.8 Hz -6 dB, high shelf at
// 1 kHz -3 dB, no pre-delay, half mix, unity output.
#define PRESET(name, type, decay, damp) \
    {name, {1.0, type, 0.0, decay, damp, 0.25, 0.25, 0.5, 0.35355, 0.5, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0}}

// Type values select Ambience 0.01, Room 0.121111, Chamber 0.232222, Club 0.343333,
// Hall 0.454444, Arena 0.565556, Cathedral 0.676667, Spring 0.787778, Plate 0.898889.
const FactoryPreset kFactoryPresets[kNumFactoryPresets] = {
    NEUTRAL("Current", 0.01, 0.5, 0.1),
    NEUTRAL("Default", 0.01, 0.5, 0.1),
    PRESET("Basic Ambience", 0.01, 0.5, 0.1),
    PRESET("Drum Ambience", 0.01, 0.85, 0.35),
    PRESET("Short Ambience", 0.01, 0.35, 0.5),
    PRESET("Max Ambience", 0.01, 1.0, 0.0),
    PRESET("Control Room Kit", 0.01, 0.19, 0.96),
    PRESET("Basic Room", 0.121111, 0.5, 0.1),
    PRESET("Small Room", 0.121111, 0.2, 0.0),
    PRESET("Big Room", 0.121111, 0.7, 0.2),
    PRESET("Basement", 0.121111, 0.4, 0.3),
    PRESET("Underground", 0.121111, 0.8, 0.25),
    PRESET("Piano Room", 0.121111, 0.43, 0.5),
    PRESET("Basic Chamber", 0.232222, 0.5, 0.1),
    PRESET("Damped Chamber", 0.232222, 0.33, 0.33),
    PRESET("Empty Chamber", 0.232222, 0.75, 0.1),
    PRESET("Long and Dark", 0.232222, 0.85, 0.5),
    PRESET("Basic Club", 0.343333, 0.5, 0.1),
    PRESET("Small Club", 0.343333, 0.3, 0.25),
    PRESET("Empty Club", 0.343333, 0.4, 0.25),
    PRESET("Theatre", 0.343333, 0.3, 0.5),
    PRESET("Long and Warm", 0.343333, 0.7, 0.5),
    PRESET("Basic Hall", 0.454444, 0.5, 0.1),
    PRESET("Small Hall", 0.454444, 0.4, 0.25),
    PRESET("Big Hall", 0.454444, 0.6, 0.35),
    PRESET("Rock Hall", 0.454444, 0.7, 0.25),
    PRESET("Lush Strings", 0.454444, 0.88, 0.37),
    PRESET("Basic Arena", 0.565556, 0.5, 0.1),
    PRESET("Bright Reflections", 0.565556, 0.15, 0.15),
    PRESET("Dark Reflections", 0.565556, 0.0, 0.5),
    PRESET("Very Long", 0.565556, 0.8, 0.15),
    PRESET("Basic Cathedral", 0.676667, 0.5, 0.1),
    PRESET("Wooden Room", 0.676667, 0.08, 0.5),
    PRESET("Wooden Church", 0.676667, 0.2, 0.3),
    PRESET("Stone Room", 0.676667, 0.35, 0.2),
    PRESET("Great Cathedral", 0.676667, 0.7, 0.3),
    PRESET("Sacred Space", 0.676667, 0.8, 0.5),
    PRESET("Stairwell", 0.676667, 0.2, 0.23),
    PRESET("Festival Hall", 0.676667, 0.88, 0.26),
    PRESET("Basic Spring", 0.787778, 0.5, 0.1),
    PRESET("Short Spring", 0.787778, 0.2, 0.2),
    PRESET("Typical Spring", 0.787778, 0.5, 0.25),
    PRESET("Long spring", 0.787778, 0.7, 0.35),
    PRESET("FenderTwin Reverb", 0.787778, 0.34, 0.41),
    PRESET("Guitar Amp Spring", 0.787778, 0.11, 0.92),
    PRESET("Vocal insert medium", 0.787778, 0.25, 0.19),
    PRESET("Singing in the bathroom", 0.787778, 0.1, 0.44),
    PRESET("Lo-Fi Drums", 0.787778, 0.76, 1.0),
    PRESET("Basic Plate", 0.898889, 0.5, 0.1),
    PRESET("Short Plate", 0.898889, 0.2, 0.25),
    PRESET("Medium Plate", 0.898889, 0.4, 0.2),
    PRESET("Long Plate", 0.898889, 0.6, 0.15),
    PRESET("Phat Drums", 0.898889, 0.96, 0.97),
};

#undef NEUTRAL
#undef PRESET
