#pragma once
// Number-to-text routines shared by the parameter texts and the editor's displays.
// Each writes into a caller's buffer; the longest text any of them writes is
// kMaxFormattedText characters plus the terminator.

#include <cstddef>

constexpr std::size_t kMaxFormattedText = 16;

// Rounds at the given decimals (half away from zero, a last-unit fraction of 0.49999
// already rounds up) and writes "-", the integer digits and, for decimals > 0, "." and
// exactly that many digits. decimals is limited to 0..4. Values above 99999999 (negative:
// magnitude above 9999999) and non-finite values are not written: the text is left as it
// was and the answer is false.
bool formatNumber(double value, int decimals, char* text);

// "112Hz", "1.00kHz", "20.0kHz": more decimals the smaller the frequency.
bool formatFrequency(double hz, char* text);

// Six dB per doubling of gain: 1 -> "0.0dB", 2 -> "6.0dB"; gain <= 0 -> "-oodB".
bool formatGainDb(double gain, int decimals, char* text);

// The name of algorithm a (truncated to an integer); "-no-alg-" outside 0..8.
void algorithmName(double a, char* text);
