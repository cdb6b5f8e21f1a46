#include "shell/ParameterFormat.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "dsp/AlgorithmNames.h"

namespace {

void appendText(char* text, const char* unit) { std::strcat(text, unit); }

}  // namespace

bool formatNumber(double value, int decimals, char* text) {
    if (!text || !std::isfinite(value)) return false;
    if (value > 99999999.0 || value < -9999999.0) return false;
    if (decimals < 0) decimals = 0;
    if (decimals > 4) decimals = 4;

    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const bool negative = value < 0.0;
    const double magnitude = negative ? -value : value;
    const auto units = static_cast<std::uint64_t>(magnitude * static_cast<double>(scale) + 0.50001);

    char digits[32];
    int n = 0;
    std::uint64_t rest = units;
    for (int i = 0; i < decimals; ++i) {
        digits[n++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    do {
        digits[n++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest);

    char* p = text;
    // A value that rounds to zero is written without a sign.
    if (negative && units != 0) *p++ = '-';
    for (int i = n - 1; i >= 0; --i) {
        *p++ = digits[i];
        if (i == decimals && decimals > 0) *p++ = '.';
    }
    *p = 0;
    return true;
}

bool formatFrequency(double hz, char* text) {
    bool written;
    if (hz < 1000.0) {
        const int decimals = hz < 0.2 ? 3 : hz < 1.0 ? 2 : hz < 10.0 ? 1 : 0;
        written = formatNumber(hz, decimals, text);
        if (written) appendText(text, "Hz");
    } else {
        written = formatNumber(hz / 1000.0, hz < 10000.0 ? 2 : 1, text);
        if (written) appendText(text, "kHz");
    }
    return written;
}

bool formatGainDb(double gain, int decimals, char* text) {
    if (!text) return false;
    if (gain <= 0.0) {
        std::strcpy(text, "-oodB");
        return true;
    }
    const bool written = formatNumber(6.0 * std::log2(gain), decimals, text);
    if (written) appendText(text, "dB");
    return written;
}

void algorithmName(double a, char* text) {
    if (!text) return;
    // Range check on the truncated value, made before converting so nothing overflows.
    const char* name = "-no-alg-";
    if (a > -1.0 && a < moltaro::kNumAlgorithms) name = moltaro::kAlgorithmNames[static_cast<int>(a)];
    std::strcpy(text, name);
}
