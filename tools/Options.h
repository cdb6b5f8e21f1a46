#pragma once
// Command-line options of moltaro-render: what to render, through which program and
// parameters, and into what. Parsing only checks the options themselves; whether a
// preset or parameter name exists is decided later, by the effect.

#include <string>
#include <vector>

namespace render {

enum class SampleFormat { Float, Pcm16, Pcm24 };

const char* sampleFormatName(SampleFormat f);

struct ParamSetting {
    std::string name;   // as the effect reports it (matched without regard to case)
    float value = 0;    // normalised 0..1
};

struct Options {
    bool help = false;
    bool version = false;
    bool listPresets = false;
    bool listParams = false;
    bool quiet = false;                // no progress bar and no summary line

    std::string input;                 // empty: the built-in demo sound
    std::string output;                // the WAV file to write
    std::string preset;                // program number or name; empty: keep the current program
    std::string presetFile;            // *.zun applied instead of a bank program
    std::string bankFile;              // *.zub replacing the whole bank before --preset chooses
    std::string saveBank;              // *.zub to write the bank to, after all changes
    std::string irFile;                // four-channel WAV of the impulse responses
    std::string reportFile;            // page of figures, PNG or SVG
    std::string csvFile;               // the figures as CSV
    std::string reportAllDir;          // a page for every program of the bank, an overview and a CSV
    std::vector<ParamSetting> settings;  // applied in order, after the program
    SampleFormat format = SampleFormat::Float;
    double tailSeconds = 20.0;         // longest reverb tail appended after the input
    int demoRate = 0;                  // sample rate of the demo sound and the impulse responses; 0: 44100

    // Impulse responses and their figures rather than (or besides) a render.
    bool measuring() const { return !irFile.empty() || !reportFile.empty() || !csvFile.empty() || !reportAllDir.empty(); }
    // Renders unless only listings, help, a bank file or measurements were asked for.
    bool rendering() const {
        return !help && !version && !listPresets && !listParams && (!output.empty() || (saveBank.empty() && !measuring()));
    }
};

// Largest tail accepted by --tail, in seconds.
constexpr double kMaxTailSeconds = 3600.0;

// Parses argv[1..argc-1]. On failure returns false with a one-line message in error.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// Parses a normalised parameter value: a finite number within 0..1, nothing after it.
bool parseNormalised(const std::string& text, float& value);

const char* usageText();

}  // namespace render
