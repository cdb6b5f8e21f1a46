#include <gtest/gtest.h>
#include "dsp/Engine.h"

TEST(EngineSmoke, ConstructsAndProcessesABlock) {
    moltaro::Engine e;
    float in[2][16] = {}, out[2][16] = {};
    const float* ins[2] = {in[0], in[1]};
    float* outs[2] = {out[0], out[1]};
    e.resume(44100.0f, 512, 512);
    e.process(ins, outs, 16, true, true);
    EXPECT_EQ(e.blockCount.load(), 1);
}
