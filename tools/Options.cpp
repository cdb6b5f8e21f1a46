#include "Options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace render {

const char* sampleFormatName(SampleFormat f) {
    switch (f) {
    case SampleFormat::Pcm16: return "pcm16";
    case SampleFormat::Pcm24: return "pcm24";
    case SampleFormat::Float: break;
    }
    return "float";
}

namespace {

bool parseNumber(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool parseInteger(const std::string& text, long& value) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])))) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE) return false;
    value = v;
    return true;
}

// One option: its names, whether it takes a value, and what it does with it.
// An option that takes a value writes an error and returns false when the value is bad.
using OptionAction = std::function<bool(Options&, const std::string&, std::string&)>;
struct OptionRule {
    const char* longName;
    char shortName;   // 0: none
    bool takesValue;
    OptionAction apply;
};

// Stores a text value that must not be empty; an empty one gives the message.
OptionAction textValue(std::string Options::*field, const char* messageWhenEmpty) {
    return [field, messageWhenEmpty](Options& o, const std::string& v, std::string& e) {
        if (v.empty()) {
            e = messageWhenEmpty;
            return false;
        }
        o.*field = v;
        return true;
    };
}

std::vector<OptionRule> optionTable() {
    return {
        {"help", 'h', false, [](Options& o, const std::string&, std::string&) { o.help = true; return true; }},
        {"version", 0, false, [](Options& o, const std::string&, std::string&) { o.version = true; return true; }},
        {"quiet", 'q', false, [](Options& o, const std::string&, std::string&) { o.quiet = true; return true; }},
        {"list-presets", 0, false,
         [](Options& o, const std::string&, std::string&) { o.listPresets = true; return true; }},
        {"list-params", 0, false,
         [](Options& o, const std::string&, std::string&) { o.listParams = true; return true; }},
        {"output", 'o', true, textValue(&Options::output, "--output needs a file name")},
        {"preset", 'p', true, textValue(&Options::preset, "--preset needs a program number or name")},
        {"preset-file", 0, true, textValue(&Options::presetFile, "--preset-file needs a file name")},
        {"bank-file", 0, true, textValue(&Options::bankFile, "--bank-file needs a file name")},
        {"save-bank", 0, true, textValue(&Options::saveBank, "--save-bank needs a file name")},
        {"ir", 0, true, textValue(&Options::irFile, "--ir needs a file name")},
        {"report", 0, true, textValue(&Options::reportFile, "--report needs a file name")},
        {"csv", 0, true, textValue(&Options::csvFile, "--csv needs a file name")},
        {"report-all", 0, true, textValue(&Options::reportAllDir, "--report-all needs a folder")},
        {"set", 's', true,
         [](Options& o, const std::string& v, std::string& e) {
             const auto eq = v.find('=');
             if (eq == std::string::npos || eq == 0) {
                 e = "--set expects NAME=VALUE, got '" + v + "'";
                 return false;
             }
             ParamSetting s;
             s.name = v.substr(0, eq);
             if (!parseNormalised(v.substr(eq + 1), s.value)) {
                 e = "--set " + s.name + ": the value must be a number from 0 to 1, got '" +
                     v.substr(eq + 1) + "'";
                 return false;
             }
             o.settings.push_back(s);
             return true;
         }},
        {"format", 'f', true,
         [](Options& o, const std::string& v, std::string& e) {
             if (v == "float") o.format = SampleFormat::Float;
             else if (v == "pcm16") o.format = SampleFormat::Pcm16;
             else if (v == "pcm24") o.format = SampleFormat::Pcm24;
             else {
                 e = "--format must be pcm16, pcm24 or float, got '" + v + "'";
                 return false;
             }
             return true;
         }},
        {"tail", 't', true,
         [](Options& o, const std::string& v, std::string& e) {
             double t = 0;
             if (!parseNumber(v, t) || t < 0 || t > kMaxTailSeconds) {
                 e = "--tail must be a number of seconds from 0 to 3600, got '" + v + "'";
                 return false;
             }
             o.tailSeconds = t;
             return true;
         }},
        {"rate", 'r', true,
         [](Options& o, const std::string& v, std::string& e) {
             long r = 0;
             if (!parseInteger(v, r) || r < 20000 || r > 200000) {
                 e = "--rate must be a sample rate from 20000 to 200000 Hz, got '" + v + "'";
                 return false;
             }
             o.demoRate = static_cast<int>(r);
             return true;
         }},
    };
}

}  // namespace

bool parseNormalised(const std::string& text, float& value) {
    double v = 0;
    if (!parseNumber(text, v) || v < 0.0 || v > 1.0) return false;
    value = static_cast<float>(v);
    return true;
}

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    const std::vector<OptionRule> table = optionTable();
    std::vector<std::string> positional;
    bool onlyPositional = false;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPositional || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositional = true;
            continue;
        }

        const OptionRule* rule = nullptr;
        std::string shown;   // the option as the user wrote it, for messages
        std::string value;
        bool hasInlineValue = false;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            const auto eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
                hasInlineValue = true;
            }
            shown = "--" + name;
            for (const auto& s : table)
                if (name == s.longName) rule = &s;
        } else {
            shown = arg.substr(0, 2);
            for (const auto& s : table)
                if (s.shortName != 0 && arg[1] == s.shortName) rule = &s;
            if (rule && arg.size() > 2) {
                if (!rule->takesValue) {
                    error = "unknown option '" + arg + "'";
                    return false;
                }
                value = arg.substr(2);
                hasInlineValue = true;
            }
        }
        if (!rule) {
            error = "unknown option '" + shown + "'";
            return false;
        }
        if (rule->takesValue && !hasInlineValue) {
            if (i + 1 >= args.size()) {
                error = "option '" + shown + "' needs a value";
                return false;
            }
            value = args[++i];
        } else if (!rule->takesValue && hasInlineValue) {
            error = "option '" + shown + "' takes no value";
            return false;
        }
        if (!rule->apply(options, value, error)) return false;
    }

    if (positional.size() > 1) {
        error = "more than one input file given ('" + positional[0] + "', '" + positional[1] + "')";
        return false;
    }
    if (positional.size() == 1) {
        if (positional[0].empty()) {
            error = "the input file name is empty";
            return false;
        }
        options.input = positional[0];
    }
    if (options.demoRate != 0 && !options.input.empty()) {
        error = "--rate applies to the built-in demo sound and the impulse responses only; an input file keeps its own rate";
        return false;
    }
    if (options.measuring() && !options.input.empty() && options.output.empty()) {
        error = "--ir, --report, --csv and --report-all measure the effect with an impulse; they take no input file";
        return false;
    }
    if (!options.reportAllDir.empty() &&
        (!options.irFile.empty() || !options.reportFile.empty() || !options.csvFile.empty())) {
        error = "--report-all writes its own pages and CSV; it cannot be combined with --ir, --report or --csv";
        return false;
    }
    if (!options.reportAllDir.empty() && (!options.preset.empty() || !options.presetFile.empty())) {
        error = "--report-all reports every program of the bank; it cannot be combined with --preset or --preset-file";
        return false;
    }
    if (!options.presetFile.empty() && (!options.preset.empty() || !options.bankFile.empty())) {
        error = "--preset-file cannot be combined with --preset or --bank-file";
        return false;
    }
    if (options.rendering() && options.output.empty()) {
        error = "no output file given (use -o FILE)";
        return false;
    }
    return true;
}

const char* usageText() {
    return "Usage: moltaro-render [OPTIONS] [INPUT] -o OUTPUT.wav\n"
           "Renders an audio file (WAV, AIFF, FLAC, Ogg...; mono or stereo, any rate from\n"
           "20000 to 200000 Hz) through the ZUN Moltaro reverb into a stereo WAV file.\n"
           "Without INPUT a built-in demo phrase is rendered.\n"
           "\n"
           "  -o, --output FILE      WAV file to write (replaced only once rendering succeeded)\n"
           "  -p, --preset P         factory program by number (0-52) or name, e.g. \"Basic Hall\"\n"
           "      --preset-file F    apply the program in preset file F (*.zun)\n"
           "      --bank-file F      replace the bank by bank file F (*.zub); --preset then\n"
           "                         chooses from it, program 0 by default\n"
           "  -s, --set NAME=VALUE   set a parameter to a normalised value 0..1 after the\n"
           "                         program (repeatable; names as --list-params shows them)\n"
           "      --save-bank F      write the bank, with the changes above, to F (*.zub);\n"
           "                         renders too when -o is given\n"
           "  -f, --format F         sample format: float (32-bit, default), pcm24 or pcm16\n"
           "  -t, --tail SECONDS     longest reverb tail appended after the input (default 20);\n"
           "                         the tail ends once the output stays below -90 dBFS;\n"
           "                         for the measurements, the longest impulse response\n"
           "  -r, --rate HZ          sample rate of the demo sound and the impulse responses\n"
           "                         (default 44100)\n"
           "      --ir FILE          write the program's impulse responses, wet only, as a\n"
           "                         32-bit float WAV of four channels: left input to left\n"
           "                         and right output, right input to left and right output\n"
           "      --report FILE      a page of room-acoustic figures (ISO 3382-1) of the\n"
           "                         program: PNG, or SVG when FILE ends in .svg; the figures\n"
           "                         are printed as a table too\n"
           "      --csv FILE         the same figures as CSV\n"
           "      --report-all DIR   a page per program of the bank, overview.png (reverb time\n"
           "                         against brightness) and programs.csv in DIR\n"
           "  -q, --quiet            no progress bar and no summary line\n"
           "      --list-presets     list the 53 programs: number, name and algorithm (of the\n"
           "                         bank file, when one is given)\n"
           "      --list-params      list the parameters with their values (after -p and -s)\n"
           "  -h, --help             show this text\n"
           "      --version          show the version\n"
           "\n"
           "Exit status: 0 on success, 1 when rendering failed, 2 for bad options.\n";
}

}  // namespace render
