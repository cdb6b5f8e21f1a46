// Cost of the engine per host frame: every algorithm (by number) at 44100, 48000, 96000
// and 192000 Hz, blocks of 512, stereo noise in; and a silent block with the core gated.
//
//   moltaro_bench [benchmark options]         timings (ns per host frame)
//   moltaro_bench --measure ALG RATE BLOCKS    runs BLOCKS blocks in measuredBlocks(),
//                                             for counting instructions (bench/callgrind.sh);
//                                             ALG -1 is the gated block
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dsp/Algorithm.h"
#include "dsp/Engine.h"

namespace {

using moltaro::Engine;
constexpr int kBlock = 512;
constexpr int kNoiseBlocks = 64;
constexpr int kGated = -1;

// An engine as a host leaves it: resumed at `rate`, running `algorithm` with the
// usual settings, and (for the gated case) past one second of silence.
struct Setup {
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    std::vector<float> inL, inR, outL, outR;
    bool silent;

    Setup(int algorithm, float rate) : silent(algorithm == kGated) {
        Engine& e = *engine;
        moltaro::store(e.params.requestedAlgorithm, silent ? moltaro::indexOf(moltaro::Algorithm::Hall) : algorithm);
        moltaro::store(e.params.decay, 0.5f);
        moltaro::store(e.params.wet, 0.5f);
        moltaro::store(e.params.predelaySeconds, 0.0004f);
        e.suspend();
        e.resume(rate, kBlock, kBlock);
        e.algorithm = silent ? moltaro::Algorithm::Hall : moltaro::algorithmAt(algorithm);
        e.updatePredelay();
        const int len = kBlock * kNoiseBlocks;
        inL.assign(len, 0.0f);
        inR.assign(len, 0.0f);
        outL.assign(len, 0.0f);
        outR.assign(len, 0.0f);
        if (!silent) {
            uint32_t seed = 1;
            for (int i = 0; i < len; ++i) {
                seed = seed * 1664525u + 1013904223u;
                inL[i] = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
                seed = seed * 1664525u + 1013904223u;
                inR[i] = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
            }
        }
        // Settle: a second of audio (two for the gate to close after the tail).
        const int warm = static_cast<int>(rate) * (silent ? 2 : 1) / kBlock + 1;
        for (int b = 0; b < warm; ++b) block(b);
    }
    void block(int b) {
        const int at = (b % kNoiseBlocks) * kBlock;
        const float* ins[2] = {inL.data() + at, inR.data() + at};
        float* outs[2] = {outL.data() + at, outR.data() + at};
        engine->process(ins, outs, kBlock, true, true);
    }
};

// The blocks whose instructions bench/callgrind.sh counts.
__attribute__((noinline)) void measuredBlocks(Setup& s, int blocks) {
    for (int b = 0; b < blocks; ++b) s.block(b);
}

void engineBlock(benchmark::State& state) {
    const int algorithm = static_cast<int>(state.range(0));
    const float rate = static_cast<float>(state.range(1));
    Setup s(algorithm, rate);
    int b = 0;
    for (auto _ : state) {
        s.block(b++);
        benchmark::ClobberMemory();
    }
    state.SetLabel(algorithm == kGated ? "gated" : moltaro::kAlgorithmNames[algorithm]);
    // CPU time per host frame (shown as, e.g., "52.3ns").
    state.counters["per_frame"] = benchmark::Counter(kBlock, benchmark::Counter::kIsIterationInvariantRate |
                                                                 benchmark::Counter::kInvert);
}

void arguments(benchmark::internal::Benchmark* b) {
    for (int algorithm = 0; algorithm < moltaro::kNumAlgorithms; ++algorithm)
        for (int rate : {44100, 48000, 96000, 192000}) b->Args({algorithm, rate});
    for (int rate : {44100, 48000, 96000, 192000}) b->Args({kGated, rate});
}
BENCHMARK(engineBlock)->Apply(arguments)->ArgNames({"alg", "rate"});

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--measure") == 0) {
        if (argc != 5) {
            std::fprintf(stderr, "usage: %s --measure ALG RATE BLOCKS\n", argv[0]);
            return 2;
        }
        Setup s(std::atoi(argv[2]), static_cast<float>(std::atof(argv[3])));
        measuredBlocks(s, std::atoi(argv[4]));
        return 0;
    }
    {
        Engine e;
        std::printf("memory per instance: %zu bytes allocated + %zu bytes of engine object = %.2f MiB\n",
                    e.allocatedBytes(), sizeof(Engine),
                    static_cast<double>(e.allocatedBytes() + sizeof(Engine)) / (1024.0 * 1024.0));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
