#include "editor/EditorScale.h"

#include <cmath>
#include <cstdlib>

#include "platform/KeyValueStore.h"
#include "platform/Platform.h"
#include "platform/Scaling.h"

namespace moltaro {

namespace {

const platform::StoreKey kSettingsKey{"ZUN-soundlab", "ZUNmo15", "Editor"};
const char* const kScaleValue = "Scale";
const char* const kAutomatic = "auto";

unsigned generation = 0;

}  // namespace

double parseScaleText(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == '\0') return 0;
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    if (end == begin) return 0;
    while (*end == ' ') ++end;
    if (*end == '%') {
        value /= 100.0;
        ++end;
    } else if (*end == 'x' || *end == 'X') {
        ++end;
    }
    while (*end == ' ' || *end == '\n' || *end == '\r') ++end;
    if (*end != '\0' || !std::isfinite(value) || value < 0.5 || value > 8) return 0;
    return value;
}

double resolveScale(const ScaleSources& s, int width, int height) {
    double wanted = 1.0;
    for (double candidate : {s.user, s.env, s.host, s.system})
        if (candidate > 0) {
            wanted = candidate;
            break;
        }
    double factor = platform::nearestSupportedScale(wanted);
    if (s.screenWidth > 0 && s.screenHeight > 0) {
        // Too large for the screen: the largest factor that fits (1 at least).
        for (int i = static_cast<int>(std::size(platform::kSupportedScales)) - 1; i > 0; --i) {
            const double f = platform::kSupportedScales[i];
            if (f > factor) continue;
            const platform::Scaling sc{f};
            if (sc.toDevice(width) <= s.screenWidth && sc.toDevice(height) <= s.screenHeight) return f;
        }
        return 1.0;
    }
    return factor;
}

double readUserScale() {
    platform::StoredValues values;
    if (platform::userSettingsStore().read(kSettingsKey, values) != platform::StoreStatus::ok) return 0;
    const auto it = values.find(kScaleValue);
    if (it == values.end() || it->second.type != platform::StoredValue::Type::string) return 0;
    return parseScaleText(it->second.text());
}

bool writeUserScale(double factor) {
    const std::string text = factor > 0 ? std::to_string(platform::scalePercent(factor)) + "%" : kAutomatic;
    platform::StoredValues values;
    values[kScaleValue] = platform::StoredValue::stringValue(text);
    const bool ok = platform::userSettingsStore().write(kSettingsKey, values) == platform::StoreStatus::ok;
    ++generation;
    return ok;
}

unsigned userScaleGeneration() { return generation; }

ScaleSources currentScaleSources(void* parent, double hostFactor) {
    ScaleSources s;
    s.user = readUserScale();
    if (const char* env = std::getenv("MOLTARO_SCALE")) s.env = parseScaleText(env);
    s.host = hostFactor > 0 && std::isfinite(hostFactor) ? hostFactor : 0;
    s.system = platform::backend().systemScale(parent);
    if (!platform::backend().screenSize(parent, s.screenWidth, s.screenHeight)) s.screenWidth = s.screenHeight = 0;
    return s;
}

}  // namespace moltaro
