#include <gtest/gtest.h>

#include <cmath>

#include "tools/DemoSound.h"

using namespace render;

namespace {

// Peak magnitude over both channels in [from, to) seconds.
float peakBetween(const DemoSound& d, int rate, double from, double to) {
    float p = 0;
    for (size_t i = static_cast<size_t>(from * rate); i < static_cast<size_t>(to * rate) && i < d.left.size(); ++i)
        p = std::max(p, std::max(std::fabs(d.left[i]), std::fabs(d.right[i])));
    return p;
}

}  // namespace

TEST(DemoSound, FourSecondsStereoAtMinusSixDbfs) {
    for (int rate : {22050, 44100, 48000, 96000, 192000}) {
        SCOPED_TRACE(rate);
        const DemoSound d = synthesiseDemo(rate);
        ASSERT_EQ(d.left.size(), static_cast<size_t>(kDemoSeconds * rate));
        ASSERT_EQ(d.right.size(), d.left.size());
        for (size_t i = 0; i < d.left.size(); ++i)
            ASSERT_TRUE(std::isfinite(d.left[i]) && std::isfinite(d.right[i])) << i;
        EXPECT_FLOAT_EQ(peakBetween(d, rate, 0, kDemoSeconds), kDemoPeak);
    }
}

TEST(DemoSound, HasClearAttacksAndTrueStereo) {
    const int rate = 44100;
    const DemoSound d = synthesiseDemo(rate);
    // Silent just before each of the first beats' hits and loud right after them
    // (the first note starts the file).
    EXPECT_GT(peakBetween(d, rate, 0.0, 0.01), 0.1f);
    EXPECT_GT(peakBetween(d, rate, 1.0, 1.02), 0.1f);
    EXPECT_GT(peakBetween(d, rate, 3.0, 3.02), 0.1f);
    // The last note ends well before the end of the file and stops, so the reverb's
    // tail is heard on its own.
    EXPECT_GT(peakBetween(d, rate, 3.5, 3.6), 0.1f);
    EXPECT_EQ(peakBetween(d, rate, 3.96, 4.0), 0.0f);
    // The channels differ (notes are panned).
    double diff = 0;
    for (size_t i = 0; i < d.left.size(); ++i) diff += std::fabs(d.left[i] - d.right[i]);
    EXPECT_GT(diff / d.left.size(), 1e-3);
}

TEST(DemoSound, SameSamplesEveryTime) {
    const DemoSound a = synthesiseDemo(48000), b = synthesiseDemo(48000);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}
