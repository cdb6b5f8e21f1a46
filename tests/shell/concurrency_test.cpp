// Host automation on one thread while audio runs on another: every shared value is an
// atomic, so a ThreadSanitizer build stays quiet and the output stays finite.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "support/MoltaroFixture.h"

using Concurrency = MoltaroFixture;

TEST_F(Concurrency, AutomationWhileProcessing) {
    host.startAudio(96000.0f, 256);
    for (int c = 0; c < 2; ++c) {
        host.in[c].assign(256, 0.0f);
        for (int i = 0; i < 256; ++i) host.in[c][i] = std::sin(0.05f * i + c) * 0.5f;
    }
    std::atomic<bool> stop{false};
    AEffect* e = host.effect();
    std::thread automation([&] {
        unsigned x = 12345;
        while (!stop.load()) {
            x = x * 1664525u + 1013904223u;
            const int index = static_cast<int>(x >> 28) % 18;
            e->setParameter(e, index, static_cast<float>(x & 0xffff) / 65535.0f);
            e->getParameter(e, index);
        }
    });
    for (int block = 0; block < 300; ++block) {
        host.process(256);
        for (int c = 0; c < 2; ++c)
            for (float v : host.out[c]) ASSERT_TRUE(std::isfinite(v));
    }
    stop = true;
    automation.join();
}
