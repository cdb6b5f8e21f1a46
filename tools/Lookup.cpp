#include "Lookup.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace render {

namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

int findName(const std::string& wanted, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && names[i] == wanted) return static_cast<int>(i);
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && equalIgnoringCase(names[i], wanted)) return static_cast<int>(i);
    return -1;
}

}  // namespace

int findProgram(const std::string& choice, const std::vector<std::string>& names, std::string& error) {
    const int last = static_cast<int>(names.size()) - 1;
    if (allDigits(choice)) {
        // A name made of digits only still wins over the number it looks like.
        const int byName = findName(choice, names);
        if (byName >= 0) return byName;
        if (choice.size() <= 4 && std::stoi(choice) <= last) return std::stoi(choice);
        error = "preset number " + choice + " is out of range (0-" + std::to_string(last) + ")";
        return -1;
    }
    const int byName = findName(choice, names);
    if (byName < 0) error = "unknown preset '" + choice + "' (see --list-presets)";
    return byName;
}

int findParameter(const std::string& name, const std::vector<std::string>& names, std::string& error) {
    const int index = findName(name, names);
    if (index >= 0) return index;
    std::string known;
    for (const std::string& n : names) {
        if (n.empty()) continue;
        known += (known.empty() ? "" : ", ") + n;
    }
    error = "unknown parameter '" + name + "' (parameters: " + known + ")";
    return -1;
}

std::string dbfsText(float peak) {
    if (!(peak > 0.0f)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f dBFS", 20.0 * std::log10(static_cast<double>(peak)));
    return text;
}

std::string summaryLine(const SummaryInfo& s) {
    const double rate = s.sampleRate > 0 ? s.sampleRate : 1;
    const double seconds = (s.inputFrames + s.tailFrames) / rate;
    char text[160];
    std::string line = s.input + " -> " + s.output;
    if (!s.preset.empty()) line += ", preset " + s.preset;
    if (!s.settings.empty()) line += ", " + s.settings;
    std::snprintf(text, sizeof text, ": %.2f s (%.2f s + %.2f s tail), peak ", seconds, s.inputFrames / rate,
                  s.tailFrames / rate);
    line += text;
    line += dbfsText(s.peak);
    if (s.cpuSeconds > 0) {
        std::snprintf(text, sizeof text, ", CPU %.3f s (%.0fx real time)", s.cpuSeconds, seconds / s.cpuSeconds);
    } else {
        std::snprintf(text, sizeof text, ", CPU %.3f s", s.cpuSeconds);
    }
    line += text;
    return line;
}

}  // namespace render
