// The number-to-text routines shared by the parameter texts and the editor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "shell/ParameterFormat.h"

namespace {

std::string number(double v, int decimals) {
    char t[32] = "unchanged";
    formatNumber(v, decimals, t);
    return t;
}
std::string frequency(double hz) {
    char t[32] = "unchanged";
    formatFrequency(hz, t);
    return t;
}
std::string gain(double g, int decimals = 1) {
    char t[32] = "unchanged";
    formatGainDb(g, decimals, t);
    return t;
}
std::string algorithm(double a) {
    char t[32] = "unchanged";
    algorithmName(a, t);
    return t;
}

}  // namespace

TEST(FormatNumber, RoundsHalfAwayFromZero) {
    EXPECT_EQ(number(2.5, 0), "3");
    EXPECT_EQ(number(-2.5, 0), "-3");
    EXPECT_EQ(number(2.4, 0), "2");
    EXPECT_EQ(number(0.4999951, 0), "1") << "a fraction from 0.49999 on rounds up";
    EXPECT_EQ(number(0.49998, 0), "0");
    EXPECT_EQ(number(0.49999, 0), "1") << "the threshold itself rounds up";
    EXPECT_EQ(number(12.49999, 0), "13");
    EXPECT_EQ(number(-12.49999, 0), "-13");
    EXPECT_EQ(number(1.249990, 1), "1.2") << "0.4999 of the last unit";
    EXPECT_EQ(number(1.249999, 1), "1.3");
    EXPECT_EQ(number(0.05, 1), "0.1");
    EXPECT_EQ(number(3.14159, 2), "3.14");
    EXPECT_EQ(number(-1.23456, 3), "-1.235");
    EXPECT_EQ(number(9.996, 2), "10.00");
}

TEST(FormatNumber, WritesExactlyTheDecimalsAsked) {
    EXPECT_EQ(number(12, 3), "12.000");
    EXPECT_EQ(number(0, 0), "0");
    EXPECT_EQ(number(0, 2), "0.00");
    EXPECT_EQ(number(0.001, 3), "0.001");
    EXPECT_EQ(number(1000000, 1), "1000000.0");
}

TEST(FormatNumber, NoSignForValuesThatRoundToZero) {
    EXPECT_EQ(number(-0.004, 2), "0.00");
    EXPECT_EQ(number(-0.4, 0), "0");
    EXPECT_EQ(number(-0.006, 2), "-0.01");
}

TEST(FormatNumber, OutOfRangeAndNonFiniteLeaveTheTextAlone) {
    EXPECT_EQ(number(99999999, 0), "99999999");
    EXPECT_EQ(number(100000000, 0), "unchanged");
    EXPECT_EQ(number(-9999999, 0), "-9999999");
    EXPECT_EQ(number(-10000000, 0), "unchanged");
    EXPECT_EQ(number(std::numeric_limits<double>::quiet_NaN(), 1), "unchanged");
    EXPECT_EQ(number(std::numeric_limits<double>::infinity(), 1), "unchanged");
    EXPECT_EQ(number(-std::numeric_limits<double>::infinity(), 1), "unchanged");
    char t[4] = "abc";
    EXPECT_FALSE(formatNumber(1e12, 0, t));
    EXPECT_STREQ(t, "abc");
    EXPECT_FALSE(formatNumber(1.0, 0, nullptr));
}

TEST(FormatNumber, LongestTextFitsTheDeclaredLimit) {
    char t[64];
    for (double v : {99999999.0, -9999999.0, 99999998.99994, -9999998.99994}) {
        ASSERT_TRUE(formatNumber(v, 4, t));
        EXPECT_LE(std::strlen(t) + std::strlen("kHz"), kMaxFormattedText) << t;
    }
}

TEST(FormatFrequency, DecimalsFollowTheMagnitude) {
    EXPECT_EQ(frequency(111.8), "112Hz");
    EXPECT_EQ(frequency(1000), "1.00kHz");
    EXPECT_EQ(frequency(20000), "20.0kHz");
    EXPECT_EQ(frequency(0.1), "0.100Hz");
    EXPECT_EQ(frequency(0.5), "0.50Hz");
    EXPECT_EQ(frequency(5), "5.0Hz");
    EXPECT_EQ(frequency(25), "25Hz");
    EXPECT_EQ(frequency(999), "999Hz");
    EXPECT_EQ(frequency(4567), "4.57kHz");
    EXPECT_EQ(frequency(9999), "10.00kHz");
    EXPECT_EQ(frequency(10000), "10.0kHz");
    EXPECT_EQ(frequency(std::numeric_limits<double>::quiet_NaN()), "unchanged");
}

// Each threshold belongs to the range above it.
TEST(FormatFrequency, ThresholdsBelongToTheRangeAbove) {
    EXPECT_EQ(frequency(0.1999), "0.200Hz");
    EXPECT_EQ(frequency(0.2), "0.20Hz");
    EXPECT_EQ(frequency(0.999), "1.00Hz");
    EXPECT_EQ(frequency(1.0), "1.0Hz");
    EXPECT_EQ(frequency(9.99), "10.0Hz");
    EXPECT_EQ(frequency(10.0), "10Hz");
    EXPECT_EQ(frequency(999.6), "1000Hz");
    EXPECT_EQ(frequency(1000.0), "1.00kHz");
    EXPECT_EQ(frequency(9999.9), "10.00kHz");
    EXPECT_EQ(frequency(10000.0), "10.0kHz");
}

TEST(FormatGainDb, SixDecibelsPerDoubling) {
    EXPECT_EQ(gain(1.0), "0.0dB");
    EXPECT_EQ(gain(2.0), "6.0dB");
    EXPECT_EQ(gain(0.5), "-6.0dB");
    EXPECT_EQ(gain(4.0), "12.0dB");
    EXPECT_EQ(gain(0.70710), "-3.0dB");
    EXPECT_EQ(gain(2.0, 0), "6dB");
    EXPECT_EQ(gain(1.5, 2), "3.51dB");
    EXPECT_EQ(gain(0.0), "-oodB");
    EXPECT_EQ(gain(-1.0), "-oodB");
    EXPECT_EQ(gain(std::numeric_limits<double>::quiet_NaN()), "unchanged");
}

TEST(AlgorithmName, NamesTheTruncatedNumber) {
    const char* names[] = {"Ambience", "Room",   "Chamber", "Club", "Hall",
                           "Arena",    "Cathedral", "Spring", "Plate"};
    for (int a = 0; a < 9; ++a) {
        EXPECT_EQ(algorithm(a), names[a]);
        EXPECT_EQ(algorithm(a + 0.99), names[a]);
    }
    EXPECT_EQ(algorithm(-0.5), "Ambience");
    for (double a : {9.0, 9.5, -1.0, -100.0, 1e30, -1e30, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(algorithm(a), "-no-alg-") << a;
}
