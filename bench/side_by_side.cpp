// Side by side: ns per frame of our nine algorithms and of other reverb modules used as
// yardsticks, all timed in one run through the same small host on the same input (stereo
// noise, blocks of 512 at 48 kHz), with one instance and with 8 instances running at once
// (each block goes through all 8 in turn, as in a host with 8 tracks). Rounds alternate
// the modules so that the machine's drift touches all alike; the table shows the median
// of the rounds.
//
//   moltaro_side_by_side OURS.so [LABEL=MODULE ...] [--rounds N]
//       LABEL=MODULE@TYPE times another build of ours running TYPE (e.g. before=old.so@Plate),
//       so that two builds are compared in one run; --only TYPE times only that one of ours.
//   moltaro_side_by_side OURS.so [LABEL=MODULE ...] --measure LABEL   one instance, the
//       timed blocks in measuredBlocks(), for callgrind (bench/side-by-side.sh)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchHost.h"
#include "dsp/Algorithm.h"
#include "shell/Parameters.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 512;
constexpr int kWarmBlocks = 160;    // 1.7 s: past our changeover and any start-up
constexpr int kTimedBlocks = 94;    // 1 s

struct Entry {
    std::string label;
    bench::EntryPoint entry;
    int algorithm;   // ours: the Type to select; -1 for a yardstick (its defaults)
};

// Instances of one entry with their own buffers, fed noise from different places.
struct Rack {
    std::vector<std::unique_ptr<bench::Instance>> fx;
    std::vector<float> noiseL, noiseR, outL, outR;
    int position = 0;

    Rack(const Entry& e, int count) {
        bench::fillNoise(noiseL, noiseR, static_cast<std::size_t>(kRate));
        outL.resize(static_cast<std::size_t>(kBlock) * count);
        outR.resize(static_cast<std::size_t>(kBlock) * count);
        for (int i = 0; i < count; ++i) {
            fx.push_back(std::make_unique<bench::Instance>(e.entry));
            if (e.algorithm >= 0) fx.back()->setParameter(kParamType, typeValueOf(e.algorithm));
        }
    }
    bool ok() const {
        for (const auto& f : fx)
            if (!f->ok()) return false;
        return true;
    }
    void block() {
        const int blocksInNoise = static_cast<int>(noiseL.size()) / kBlock;
        for (std::size_t i = 0; i < fx.size(); ++i) {
            const std::size_t at = static_cast<std::size_t>((position + 7 * static_cast<int>(i)) % blocksInNoise) * kBlock;
            fx[i]->process(noiseL.data() + at, noiseR.data() + at, outL.data() + i * kBlock,
                           outR.data() + i * kBlock, kBlock);
        }
        ++position;
    }
};

// The blocks whose instructions bench/side-by-side.sh counts.
__attribute__((noinline)) void measuredBlocks(Rack& rack, int blocks) {
    for (int b = 0; b < blocks; ++b) rack.block();
}

double nsPerFrame(const Entry& e, int instances) {
    Rack rack(e, instances);
    if (!rack.ok()) return -1.0;
    for (int b = 0; b < kWarmBlocks; ++b) rack.block();
    const double t0 = bench::threadNanoseconds();
    for (int b = 0; b < kTimedBlocks; ++b) rack.block();
    return (bench::threadNanoseconds() - t0) / (static_cast<double>(kTimedBlocks) * kBlock * instances);
}

// The index of an algorithm by its name, -1 if there is none.
int typeIndexOf(const std::string& name) {
    for (moltaro::Algorithm a : moltaro::kAllAlgorithms)
        if (name == moltaro::nameOf(a)) return moltaro::indexOf(a);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OURS.so [LABEL=MODULE ...] [--rounds N | --measure LABEL]\n", argv[0]);
        return 2;
    }
    bench::settings() = {kRate, kBlock};
    std::vector<std::unique_ptr<bench::Module>> modules;
    modules.push_back(std::make_unique<bench::Module>(argv[1]));
    if (!modules[0]->entryPoint()) return 1;
    std::vector<Entry> entries;
    for (moltaro::Algorithm a : moltaro::kAllAlgorithms)
        entries.push_back({moltaro::nameOf(a), modules[0]->entryPoint(), moltaro::indexOf(a)});

    int rounds = 5;
    std::string measure, only;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--measure") && i + 1 < argc) {
            measure = argv[++i];
        } else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) {
            only = argv[++i];
        } else if (const char* eq = std::strchr(argv[i], '=')) {
            std::string path(eq + 1);
            int type = -1;
            if (const std::size_t at = path.rfind('@'); at != std::string::npos) {
                type = typeIndexOf(path.substr(at + 1));
                if (type < 0) {
                    std::fprintf(stderr, "no algorithm %s\n", path.c_str() + at + 1);
                    return 2;
                }
                path.resize(at);
            }
            modules.push_back(std::make_unique<bench::Module>(path.c_str()));
            if (!modules.back()->entryPoint()) return 1;
            entries.push_back({std::string(argv[i], static_cast<std::size_t>(eq - argv[i])), modules.back()->entryPoint(), type});
        } else {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }

    if (!only.empty()) {
        const int keep = typeIndexOf(only);
        if (keep < 0) {
            std::fprintf(stderr, "no algorithm %s\n", only.c_str());
            return 2;
        }
        entries.erase(entries.begin() + keep + 1, entries.begin() + moltaro::kNumAlgorithms);
        entries.erase(entries.begin(), entries.begin() + keep);
    }

    if (!measure.empty()) {
        for (const Entry& e : entries) {
            if (e.label != measure) continue;
            Rack rack(e, 1);
            if (!rack.ok()) return 1;
            for (int b = 0; b < kWarmBlocks; ++b) rack.block();
            measuredBlocks(rack, kTimedBlocks);
            std::printf("%d frames\n", kTimedBlocks * kBlock);
            return 0;
        }
        std::fprintf(stderr, "no entry %s\n", measure.c_str());
        return 2;
    }

    std::vector<std::vector<double>> one(entries.size()), eight(entries.size());
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            one[i].push_back(nsPerFrame(entries[i], 1));
            eight[i].push_back(nsPerFrame(entries[i], 8));
        }
        std::fprintf(stderr, "round %d of %d done\n", r + 1, rounds);
    }
    std::printf("NS PER FRAME (48000 Hz, blocks of 512, stereo noise; median of %d rounds)\n", rounds);
    std::printf("| module | 1 instance | 8 instances, per instance | ratio 8 / 1 |\n|---|---:|---:|---:|\n");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double a = bench::median(one[i]), b = bench::median(eight[i]);
        std::printf("| %s | %.1f | %.1f | %.2f |\n", entries[i].label.c_str(), a, b, b / a);
    }
    return 0;
}
