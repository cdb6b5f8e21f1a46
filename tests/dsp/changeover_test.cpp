// Algorithm changes give the samples of the engine that cleared itself in one go at the
// switch, for every block length a host may use (one frame, around the silent stretch of
// 5000, longer than the engine's pieces) and for a second change arriving in the silent
// stretch, at every rate. The fingerprints were recorded from that engine.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <cstring>
#include <vector>

#include "dsp/engine_rig.h"

namespace {

using rig::Signal;

reference::Params busy(int algorithm, float predelay) {
    reference::Params p;
    p.requested = algorithm;
    p.predelaySeconds = predelay;
    p.decay = 0.8f;
    p.highDamp = 0.2f;
    p.lowGain = 1.3f;
    p.highGain = 0.7f;
    p.wet = 0.7f;
    return p;
}

struct Case {
    int block, from, to, thenTo;
    float predelay = 0.0004f;
    int secondAfter = 1000;   // frames after the switch
};

// FNV-1a over the bits of both channels of a render of 60000 frames in blocks of `block`:
// noise throughout; a change to `to` at the first block boundary from frame 4000 on; when
// thenTo >= 0, a change to it at the first boundary secondAfter frames after the switch.
uint64_t render(float rate, const Case& c) {
    constexpr int kLen = 60000;
    const int block = c.block;
    auto e = rig::makeEngine(rate, c.from, busy(c.from, c.predelay), block);
    const Signal inL = rig::noise(kLen, 0.5f, 3), inR = rig::noise(kLen, 0.5f, 4);
    Signal outL(kLen), outR(kLen);
    const int firstAt = (4000 + block - 1) / block * block;
    const int secondAt = firstAt + 5000 + block + c.secondAfter;
    bool second = c.thenTo < 0;
    for (int at = 0; at < kLen;) {
        if (at == firstAt) {
            moltaro::store(e->params.requestedAlgorithm, c.to);
            e->requestTypeChange();
        }
        if (!second && at >= secondAt) {
            moltaro::store(e->params.requestedAlgorithm, c.thenTo);
            e->requestTypeChange();
            second = true;
        }
        const int n = std::min(block, kLen - at);
        const float* ins[2] = {inL.data() + at, inR.data() + at};
        float* outs[2] = {outL.data() + at, outR.data() + at};
        e->process(ins, outs, n, true, true);
        at += n;
    }
    uint64_t h = 1469598103934665603ull;
    for (int i = 0; i < kLen; ++i)
        for (float x : {outL[i], outR[i]}) {
            uint32_t bits;
            std::memcpy(&bits, &x, 4);
            for (int k = 0; k < 4; ++k) h = (h ^ ((bits >> (8 * k)) & 0xffu)) * 1099511628211ull;
        }
    return h;
}

// Per rate: one change at each block length (the pair of algorithms rotating, so that
// every algorithm starts after others), then a second change in the silent stretch: once
// back to the Plate that runs there (its dispersion filters keep what it computes then),
// once from another algorithm to the Plate; and at once after a switch to the Plate, from
// the Plate itself or another, with a pre-delay shorter than what the first ran (the Plate
// then reads the old input and its old rings before the pool is clear).
std::vector<Case> cases(int rateIndex) {
    std::vector<Case> c;
    const int blocks[] = {1, 64, 512, 4999, 5000, 5001, 20000};
    for (int b = 0; b < 7; ++b) {
        const int from = (2 * (7 * rateIndex + b)) % 9;
        c.push_back({blocks[b], from, (from + 5) % 9, -1});
    }
    for (int block : {64, 512}) {
        c.push_back({block, 4, 8, 8});   // Hall, Plate, Plate again
        c.push_back({block, 8, 1, 8});   // Plate, Room, Plate
    }
    for (int block : {1, 64, 512}) c.push_back({block, block == 64 ? 1 : 8, 8, 8, 0.04f, 0});   // Room or Plate, Plate, Plate
    return c;
}

constexpr float kRates[] = {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f};

// Recorded by the engine that cleared everything at the switch, rate by rate in the order
// of cases().
constexpr uint64_t kRecorded[][14] = {
    {0x203eb2e7d4d084f2ull, 0xd82e33e65d527cf6ull, 0x9e0e49c482e0e89aull, 0x3510d6cb450425d7ull,
     0x25bff8412ffd7914ull, 0x190a10e0acee79d2ull, 0x5f868e373fd8e683ull, 0xb7979cebcca08972ull,
     0xb44919bcf8015ec5ull, 0x5ed138f87e75014cull, 0x0f95cb8a2398c06cull,
     0x2c065c6181d4a5c6ull, 0xd069cb23a0cf34aaull, 0x64afb2e8948b5f86ull},
    {0xb4b5c7c71a07cfd0ull, 0x1ced23af68a90590ull, 0x453d227acdba9f40ull, 0xdfc9861ff81f5263ull,
     0x8cb337b3c496c65cull, 0x838c99332bbc86ddull, 0xb43b96b5167c79d0ull, 0x3c5a48c40042bbfcull,
     0xd320061b6a5bc60full, 0x04adc7bb05c2f216ull, 0xc1d1e2b7762f7586ull,
     0x648f155e3e151218ull, 0x19d308f5f820446eull, 0x26d67e688b0c9e91ull},
    {0x6818280b151f9d66ull, 0x85d8fd466d2b1af8ull, 0x996cf523a14135d5ull, 0x8d395b7d0239c5ddull,
     0x332fb45b77a18b66ull, 0xd56a59a3214828eaull, 0xbc3c782d0562cad8ull, 0x79353d197adbc37dull,
     0x20a00fabd57d4d84ull, 0xc0822f33d300a56bull, 0x77a93f46df46d040ull,
     0x1d705055b9d95746ull, 0xc6204f55caa2d59dull, 0x5d768e025df9ecbbull},
    {0x1970ffebf40a2634ull, 0xbe11f71a1a7f5b75ull, 0x0f127940f20edffeull, 0xd906556487167078ull,
     0x438c69608d419b38ull, 0x8a2f84f1f079309cull, 0x7e6c24fbb9e1d6a2ull, 0xdc9d5b3c369e3c33ull,
     0x429e05a6b5ca9ceaull, 0x61aa61dacce48d81ull, 0x2dc063f580f65aecull,
     0xba99e7fec421b2d9ull, 0x03683e0196b0995bull, 0x5bb63b988261e026ull},
    {0xbb39544bf38349eaull, 0x4b5e1b6e62d685a7ull, 0xc9311a20839aea72ull, 0xfa76f3f358292744ull,
     0xcbb6ecda339fd30bull, 0x9c99f6e02e1c7107ull, 0x76efaa91f3d5bd58ull, 0x1c77fa96213972caull,
     0xca7c87e8924a458aull, 0x7985f3d3c0bae027ull, 0x4398920c78b00acdull,
     0x6ba86d6a380305a1ull, 0x82ea6d0f20dadb61ull, 0x6869adbd6ca371efull},
    {0x86d33463f5b714ebull, 0x36943c1c178f84c6ull, 0x36ac493fc7754d70ull, 0xa832608deba31ec3ull,
     0xd18d3599b58a8b16ull, 0xe035806f238ae558ull, 0x022aa8e39aacbb84ull, 0x740d59ae32396facull,
     0x3210a70d06cfc7acull, 0x3e0a0a6ad9744e9aull, 0x5ba1d497ff1ac955ull,
     0xd942975a1d5d0698ull, 0x37988c34ac2e462cull, 0x5fcd372ab76abbfaull},
    {0x6d72bc3c4fc16d0cull, 0xe2636aee86a98f57ull, 0x50a3fa7fd172a7b5ull, 0x603d8eeab4825ef4ull,
     0x4a4684fbc5c082d5ull, 0xc08fdc3984e7ec61ull, 0x4d721e3a92db6a0dull, 0x5f60b13e8d53ad2bull,
     0x1247c402651eca5dull, 0xcfd4c9b5ecad5cb3ull, 0x72babb609f91efc5ull,
     0x0ff2f65a05affcfdull, 0x54284f65774d5913ull, 0xa9d529a239c265e9ull},
};

TEST(Changeover, SamplesAreThoseOfTheEngineThatClearedAtTheSwitch) {
    for (int r = 0; r < 7; ++r) {
        const std::vector<Case> c = cases(r);
        for (std::size_t k = 0; k < c.size(); ++k)
            EXPECT_EQ(render(kRates[r], c[k]), kRecorded[r][k])
                << kRates[r] << " Hz, blocks of " << c[k].block << ", algorithm " << c[k].from << " -> "
                << c[k].to << (c[k].thenTo >= 0 ? " -> " + std::to_string(c[k].thenTo) : "");
    }
}

}  // namespace
