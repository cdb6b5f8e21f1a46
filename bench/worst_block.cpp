// Worst-block benchmark: what single audio blocks cost when the user does something while
// audio runs. The effect is driven through its record as a host would (a module loaded
// with dlopen, so that two builds can be compared with the same program), at 48 kHz with
// blocks of 64 and at 96 kHz with blocks of 512, through a fixed sequence of events:
//
//   steady         blocks of stereo noise, 9 algorithms in turn (the reference)
//   type change    a Type change, every block until the new algorithm is faded in
//   change in gap  a second Type change while the first is in its silent middle
//   decay move     Decay set in the block (the setup routine recomputes)
//   pre-delay move, EQ move (the four shelf parameters)
//   program change all 16 parameters set in one block, Type included, and the changeover
//   gate reopening the first blocks of sound after the silence gate has closed
//   after resume   the first blocks after suspend and resume
//
// Parameter setters run inside the measured block, as from a host automating on the
// audio thread. Per event: median, 99.9th percentile and worst block, in instructions
// (callgrind) and in µs of the thread's CPU time (so that waiting for a processor on a
// shared machine is not counted; its cache disturbance is).
//
//   moltaro_worst_block MODULE [--rounds N] [--instructions FILE]   the table (µs: medians over N rounds)
//   moltaro_worst_block MODULE --count                              one pass under callgrind (bench/worst-block.sh)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS
#endif

#include "bench/BenchHost.h"
#include "dsp/Algorithm.h"
#include "shell/Parameters.h"

namespace {

enum Event { kSteady, kTypeChange, kChangeInGap, kDecayMove, kPredelayMove, kEqMove, kProgramChange,
             kGateReopening, kAfterResume, kNumEvents };
const char* const kEventNames[kNumEvents] = {"steady", "type change", "change in gap", "decay move",
                                             "pre-delay move", "EQ move", "program change",
                                             "gate reopening", "after resume"};

struct Scenario {
    float rate;
    int block;
};
constexpr Scenario kScenarios[2] = {{48000.0f, 64}, {96000.0f, 512}};

// One pass of the sequence; every recorded block goes to `record` with its event.
class Sequence {
public:
    using Record = std::function<void(Event, const std::function<void()>&)>;

    Sequence(bench::EntryPoint entry, Scenario s, Record r) : sc(s), record(std::move(r)) {
        bench::settings() = {s.rate, s.block};
        bench::fillNoise(noiseL, noiseR, static_cast<std::size_t>(s.rate));
        silence.assign(static_cast<std::size_t>(s.block), 0.0f);
        outL.resize(static_cast<std::size_t>(s.block));
        outR.resize(static_cast<std::size_t>(s.block));
        fx = std::make_unique<bench::Instance>(entry);
    }
    bool ok() const { return fx->ok(); }

    void run() {
        const float decays[] = {0.2f, 0.8f, 0.5f};
        // Steady processing and the parameter moves, on each algorithm.
        for (moltaro::Algorithm a : moltaro::kAllAlgorithms) {
            changeTo(a);
            blocks(seconds(0.5));
            for (int b = 0; b < steadyBlocks(); ++b) record(kSteady, [&] { block(); });
            for (int k = 0; k < 12; ++k) {
                record(kDecayMove, [&] { set(kParamDecay, decays[k % 3]); block(); });
                blocks(3);
                record(kPredelayMove, [&] { set(kParamPreDelay, 0.1f * static_cast<float>(k % 7)); block(); });
                blocks(3);
                record(kEqMove, [&] {
                    set(kParamLowFreq, 0.1f * static_cast<float>(k % 9));
                    set(kParamLowGain, 0.3f + 0.05f * static_cast<float>(k % 5));
                    set(kParamHighFreq, 0.9f - 0.1f * static_cast<float>(k % 9));
                    set(kParamHighGain, 0.6f - 0.05f * static_cast<float>(k % 5));
                    block();
                });
                blocks(3);
            }
            set(kParamDecay, 0.5f);
            set(kParamPreDelay, 0.02f);
            // The first blocks after the host closes and reopens the stream.
            fx->suspend();
            fx->resume();
            for (int b = 0; b < 4; ++b) record(kAfterResume, [&] { block(); });
        }
        // Type changes, to every algorithm in turn.
        int current = moltaro::kNumAlgorithms - 1;
        for (int k = 1; k <= moltaro::kNumAlgorithms; ++k) {
            const int to = (current + k) % moltaro::kNumAlgorithms;
            record(kTypeChange, [&] { set(kParamType, typeValueOf(to)); block(); });
            for (int b = 0; b < changeoverBlocks(); ++b) record(kTypeChange, [&] { block(); });
            current = to;
        }
        // A second change in the silent middle of the first: in the block right after the
        // switch (little of the pool is clear yet) and 1000 samples after it.
        for (int after : {0, 1000}) {
            for (int k = 0; k < moltaro::kNumAlgorithms; ++k) {
                const int first = (current + 4) % moltaro::kNumAlgorithms, second = (first + 3) % moltaro::kNumAlgorithms;
                record(kChangeInGap, [&] { set(kParamType, typeValueOf(first)); block(); });
                for (int b = 0; b < framesToBlocks(5000 + sc.block + after); ++b) record(kChangeInGap, [&] { block(); });
                record(kChangeInGap, [&] { set(kParamType, typeValueOf(second)); block(); });
                for (int b = 0; b < changeoverBlocks(); ++b) record(kChangeInGap, [&] { block(); });
                current = second;
            }
        }
        // Program changes: all 16 parameters in one block, each time another algorithm.
        unsigned seed = 7;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(seed >> 8) / 16777216.0f;
        };
        for (int k = 1; k <= moltaro::kNumAlgorithms; ++k) {
            const int to = (current + 2 * k) % moltaro::kNumAlgorithms;
            float v[kNumHostParams];
            for (float& x : v) x = next();
            v[kParamPower] = 1.0f;
            v[kParamType] = typeValueOf(to);
            v[kParamPreDelay] *= 0.3f;
            v[kParamMix] = 0.5f;
            v[kParamOutput] = 0.5f;
            record(kProgramChange, [&] {
                for (int i = 0; i < kNumHostParams; ++i) set(i, v[i]);
                block();
            });
            for (int b = 0; b < changeoverBlocks(); ++b) record(kProgramChange, [&] { block(); });
            current = to;
        }
        // The gate: silence until it has closed (tail and one second of hold), then sound.
        set(kParamDecay, 0.0f);
        set(kParamPreDelay, 0.0f);
        for (int k = 0; k < 3; ++k) {
            changeTo(static_cast<moltaro::Algorithm>((k * 4) % moltaro::kNumAlgorithms));
            for (int b = framesToBlocks(seconds(4.0)); b > 0; --b) silentBlock();
            for (int b = 0; b < 4; ++b) record(kGateReopening, [&] { block(); });
        }
    }

private:
    Scenario sc;
    Record record;
    std::unique_ptr<bench::Instance> fx;
    std::vector<float> noiseL, noiseR, silence, outL, outR;
    std::size_t at = 0;

    int seconds(double s) const { return static_cast<int>(s * sc.rate); }
    int framesToBlocks(int frames) const { return (frames + sc.block - 1) / sc.block; }
    int steadyBlocks() const { return sc.block <= 64 ? 250 : 120; }
    // Blocks from a Type change until the wet signal is fully back, plus two.
    int changeoverBlocks() const { return framesToBlocks(20000 + 5000 + sc.block) + 2; }
    void set(int index, float value) { fx->setParameter(index, value); }
    void block() {
        const std::size_t n = static_cast<std::size_t>(sc.block);
        if (at + n > noiseL.size()) at = 0;
        fx->process(noiseL.data() + at, noiseR.data() + at, outL.data(), outR.data(), sc.block);
        at += n;
    }
    void silentBlock() { fx->process(silence.data(), silence.data(), outL.data(), outR.data(), sc.block); }
    void blocks(int count) {
        for (int b = 0; b < count; ++b) block();
    }
    void changeTo(moltaro::Algorithm a) {
        set(kParamType, typeValueOf(moltaro::indexOf(a)));
        blocks(changeoverBlocks());
    }
};

struct Stats {
    double median = 0, p999 = 0, worst = 0;
};

Stats statsOf(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto rank = [&v](double q) { return v[std::min(v.size() - 1, static_cast<std::size_t>(std::ceil(q * v.size())) - 1)]; };
    s.median = rank(0.5);
    s.p999 = rank(0.999);
    s.worst = v.back();
    return s;
}

int usage(const char* self) {
    std::fprintf(stderr, "usage: %s MODULE [--rounds N] [--instructions FILE] | MODULE --count\n", self);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage(argv[0]);
    bench::Module module(argv[1]);
    if (!module.entryPoint()) return 1;
    int rounds = 5;
    bool count = false;
    std::string instructionsFile;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--count")) count = true;
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--instructions") && i + 1 < argc) instructionsFile = argv[++i];
        else return usage(argv[0]);
    }

    if (count) {
        // Under callgrind (started with --collect-atstart=no): one dump per recorded block.
        for (const Scenario& sc : kScenarios) {
            Sequence seq(module.entryPoint(), sc, [](Event, const std::function<void()>& f) {
                CALLGRIND_TOGGLE_COLLECT;
                f();
                CALLGRIND_TOGGLE_COLLECT;
                CALLGRIND_DUMP_STATS;
            });
            if (!seq.ok()) return 1;
            seq.run();
        }
        return 0;
    }

    // Instruction counts per recorded block, in the order of the pass (both scenarios).
    std::vector<double> instructions;
    if (!instructionsFile.empty()) {
        std::ifstream f(instructionsFile);
        double x;
        while (f >> x) instructions.push_back(x);
    }
    std::size_t nextCount = 0;

    std::printf("WORST BLOCKS of %s (%d timing rounds; instructions from callgrind%s)\n", argv[1], rounds,
                instructions.empty() ? ": not given" : "");
    for (const Scenario& sc : kScenarios) {
        std::vector<double> counts[kNumEvents];
        std::vector<double> timing[kNumEvents][3];   // per statistic, one value per round
        std::size_t recorded[kNumEvents] = {};
        for (int r = 0; r < rounds; ++r) {
            std::vector<double> us[kNumEvents];
            Sequence seq(module.entryPoint(), sc, [&](Event e, const std::function<void()>& f) {
                const double t0 = bench::threadNanoseconds();
                f();
                us[e].push_back((bench::threadNanoseconds() - t0) * 1e-3);
                if (r == 0 && nextCount < instructions.size()) counts[e].push_back(instructions[nextCount++]);
            });
            if (!seq.ok()) return 1;
            seq.run();
            for (int e = 0; e < kNumEvents; ++e) {
                recorded[e] = us[e].size();
                const Stats s = statsOf(us[e]);
                timing[e][0].push_back(s.median);
                timing[e][1].push_back(s.p999);
                timing[e][2].push_back(s.worst);
            }
        }
        const Stats steady = statsOf(counts[kSteady]);
        std::printf("\n%.0f Hz, blocks of %d frames\n", sc.rate, sc.block);
        std::printf("| event | blocks | instr. median | instr. 99.9 %% | instr. worst | worst / steady median | µs median | µs 99.9 %% | µs worst |\n");
        std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        for (int e = 0; e < kNumEvents; ++e) {
            const Stats c = statsOf(counts[e]);
            std::printf("| %s | %zu | %.0f | %.0f | %.0f | %.2f | %.1f | %.1f | %.1f |\n", kEventNames[e],
                        recorded[e],
                        c.median, c.p999, c.worst, steady.median > 0 ? c.worst / steady.median : 0.0,
                        bench::median(timing[e][0]), bench::median(timing[e][1]), bench::median(timing[e][2]));
        }
    }
    return 0;
}
