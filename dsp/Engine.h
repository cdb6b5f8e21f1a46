#pragma once
// The reverb engine: all state that the input stage, the algorithm cores and the
// output stage share. Knows nothing of the plug-in interface, files or windows.
//
// Threads: the audio thread runs process(); the parameter setter (any thread) writes
// the fields of EngineParams, setupPending and the changeover request; the editor's idle
// reads and clears the meters. Every shared field is a relaxed std::atomic.

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "Algorithm.h"
#include "Blocks.h"
#include "Ambience.h"
#include "Room.h"
#include "Chamber.h"
#include "Club.h"
#include "Hall.h"
#include "Arena.h"
#include "Cathedral.h"
#include "Spring.h"
#include "Plate.h"

namespace moltaro {

template <typename T>
inline T relaxed(const std::atomic<T>& a) { return a.load(std::memory_order_relaxed); }
template <typename T, typename U>
inline void store(std::atomic<T>& a, U v) { a.store(static_cast<T>(v), std::memory_order_relaxed); }

// Engine quantities derived from the parameters. Written by the parameter setter,
// read by the setup routines (once per block) and by the stages.
struct EngineParams {
    std::atomic<int> power{1};                 // 0 off, 1 on
    std::atomic<int> requestedAlgorithm{0};    // 0..8, taken over by the output stage
    std::atomic<float> predelaySeconds{0.0f};  // 0..1 s
    std::atomic<float> decay{0.5f};            // normalised, read by the setup routines
    std::atomic<float> highDamp{0.1f};         // normalised
    std::atomic<float> lowFreq{500.0f};        // Hz
    std::atomic<float> lowGain{1.0f};          // linear 0..2
    std::atomic<float> highFreq{1000.0f};      // Hz
    std::atomic<float> highGain{1.0f};         // linear 0..2
    std::atomic<float> wet{0.5f};              // mix proportion 0..1
    std::atomic<float> outGain{1.0f};          // linear 0..4
    std::atomic<float> diffusion{1.0f};        // normalised
};

class Engine {
public:
    static constexpr int kInitialFrames = 65536;
    static constexpr int kNum16k = 80;   // 64 single lines + 4 divided blocks of 4
    static constexpr int kNum64k = 4;    // 0, 1: pre-delay left/right; 2, 3: long lines
    // Host blocks are processed in pieces of at most this many frames (see process()).
    static constexpr int kMaxPiece = 8192;
    // Samples kept in front of the dry and core-output buffers: the decimator's and
    // the interpolator's histories.
    static constexpr int kHistory = 32;
    // Input samples beyond this magnitude are held at it (the network cannot overflow).
    static constexpr float kInputLimit = 1e6f;

    // Algorithm changeover, in host samples: a Type change sets the countdown to
    // kChangeoverCount; the wet signal fades out by kFadeStep per sample; the switch comes
    // where the count meets kChangeoverSwitch minus the block length, and sets the count
    // to kChangeoverGap, during which the core stays off; then the wet fades back in.
    static constexpr int kChangeoverCount = 20000;
    static constexpr int kChangeoverSwitch = 15000;
    static constexpr int kChangeoverGap = 5000;
    static constexpr float kFadeStep = 0.0002f;
    // Silence gate: a channel sum below this is silence (input and output); the core stops
    // after one second of it (silenceHold, set by resume).
    static constexpr float kSilenceThreshold = 1e-6f;
    // The longest pre-delay; longer times are held at it.
    static constexpr float kMaxPredelaySeconds = 1.0f;
    // The core is off at stored host rates above this.
    static constexpr float kMaxCoreHostRate = 200000.0f;

    Engine();   // allocates everything the engine will ever use
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // [any thread] False when construction could not allocate the engine's memory;
    // process() then writes silence and nothing else works.
    bool ok() const { return valid; }

    // [ui thread, no audio running] host closes / opens the audio stream.
    void suspend();
    // hostRate and blockSize are the values the host last set; hostMaxBlock is the
    // host's answer to the block-size query (<= 0 when it gave none).
    void resume(float hostRate, int blockSize, int hostMaxBlock);
    // [audio thread] one host block: input stage, core (unless gated), output stage.
    // inputs[1] / outputs[1] are used only when the routing and the connection flags allow.
    // In-place processing (outputs == inputs) is allowed. No allocation, no locks.
    void process(const float* const* inputs, float* const* outputs, int frames,
                 bool input1Connected, bool output1Connected);

    // [any thread] moves the pre-delay read tap to the current predelaySeconds.
    void updatePredelay();
    // [any thread] starts (or restarts) the changeover toward params.requestedAlgorithm.
    void requestTypeChange() {
        store(typeChangeCount, kChangeoverCount);
        typeChangeRestart.store(true, std::memory_order_release);
    }
    // [audio thread] clears the engine for a new algorithm, all at once. Leaves the dry
    // copy of the block being output and the stages' phase alone. The changeover itself
    // uses beginReset, which spreads the large part of this over its silent stretch.
    void resetEngine();
    // [audio thread] true while a changeover's clearing is still under way.
    bool clearPending() const { return clearRegion < kClearRegions; }

    // --- state shared with other threads ---
    EngineParams params;
    std::atomic<bool> setupPending{true};
    std::atomic<int> typeChangeCount{0};
    std::atomic<float> hostRate{44100.0f};     // stored host rate (the core is gated above 200000)
    std::atomic<bool> stereoIn{true}, stereoOut{true};
    std::atomic<float> peakL{0.0f}, peakR{0.0f};
    std::atomic<int> blockCount{0};
    std::atomic<int> meterHoldBlocks{100};

    // --- audio-thread state ---
    double coreRate = 44100.0;
    int rateDivider = 0;
    int maxFrames = 0;
    // The six work buffers of maxFrames samples. dryL/R and workOutL/R have kHistory
    // samples of history in front of them (index -1 is the newest).
    float* workInL = nullptr;
    float* workInR = nullptr;
    float* workOutL = nullptr;
    float* workOutR = nullptr;
    float* dryL = nullptr;
    float* dryR = nullptr;

    // Decimator and interpolator run in step: both advance this phase once per host
    // sample. The decimator emits a core sample at phase 0 (half rate) or 2 (quarter);
    // the interpolator takes one at phase 0 (half) or 3 (quarter), so at quarter rate
    // a core sample may wait for the next block (pendingOut).
    int stagePhase = 0;
    int pendingOut = 0;

    // Delay pool. lines16k[0..63] are single allocations with a guard copy behind them
    // (see kGuard); lines16k[64..79] lie in the four divided blocks: block64[b] is
    // lines16k[64 + 4b .. 67 + 4b], 65536 contiguous samples.
    float* lines16k[kNum16k] = {};
    float* lines64k[kNum64k] = {};
    float* block64[4] = {};
    int write16k = 16383;
    std::atomic<int> write64k{65535};
    std::atomic<int> predelayTap{0};

    Biquad dcBlockL, dcBlockR;
    Biquad dispersion[32];   // member m of the bank is dispersion[m - 1]
    DenormalNoise noiseGen;
    float noise = 1e-12f;
    FrontEndState frontEnd;  // shelf states and coefficients of CoreFrontEnd

    Algorithm algorithm = Algorithm::Ambience;   // the running algorithm
    int silenceCount = 1024, silenceHold = 1024;
    float wetFade = 0.0f;

    // Per-algorithm taps and filter states.
    AmbienceState ambience;
    RoomState room;
    ChamberState chamber;
    ClubState club;
    HallState hall;
    ArenaState arena;
    CathedralState cathedral;
    SpringState spring;
    PlateState plate;

    // [audio thread] Setup routines (recompute only when setupPending is set) and core
    // routines, called by process() for the running algorithm.
    void prepareAmbience();   void processAmbience(int n);
    void prepareRoom();       void processRoom(int n);
    void prepareChamber();    void processChamber(int n);
    void prepareClub();       void processClub(int n);
    void prepareHall();       void processHall(int n);
    void prepareArena();      void processArena(int n);
    void prepareCathedral();  void processCathedral(int n);
    void prepareSpring();     void processSpring(int n);
    void preparePlate();      void processPlate(int n);
    void placePlateTaps();    int plateReach(int ring) const;
    // The Plate's core with 4 or 8 float lanes (processPlate chooses; see wideVectors).
    template <int W> void plateCore(int n);
    // Whether the cores take their wide (AVX2) paths: set where the processor has them.
    // Both paths give the same samples; tests turn it off to compare them.
    bool wideVectors = false;

    // [audio thread] CoreFrontEnd, shared by every core.
    // Setup: the shelf coefficients for the current coreRate and shelf frequencies.
    void prepareFrontEnd() {
        frontEnd.p = static_cast<float>(std::pow(0.005, relaxed(params.highFreq) / coreRate));
        frontEnd.a = static_cast<float>(std::pow(0.005, relaxed(params.lowFreq) / coreRate));
    }
    // Advances the shared write indices and the pre-delay tap by one core sample.
    inline void advanceShared() {
        write16k = (write16k + 1) & kMask16k;
        write64k.store((relaxed(write64k) + 1) & kMask64k, std::memory_order_relaxed);
        predelayTap.store((relaxed(predelayTap) + 1) & kMask64k, std::memory_order_relaxed);
    }
    // Steps 2 to 6 of a core sample: noise, pre-delay write and read, high and low
    // shelf. Returns the new noise sample; uL, uR receive the shaped input.
    inline float frontEndSample(float inL, float inR, float& uL, float& uR) {
        const float n = noiseGen.next();
        noise = n;
        const int w = relaxed(write64k);
        if (relaxed(params.power)) {
            lines64k[0][w] = n + (n + inL);
            lines64k[1][w] = n + (n + inR);
        } else {
            lines64k[0][w] = n;
            lines64k[1][w] = n;
        }
        const int r = relaxed(predelayTap);
        const float xL = lines64k[0][r], xR = lines64k[1][r];
        const float hg = relaxed(params.highGain), lg = relaxed(params.lowGain);
        FrontEndState& f = frontEnd;
        onePoleShelf(f.hsL, xL, f.p);
        onePoleShelf(f.hsR, xR, f.p);
        const float yL = f.hsL + (xL - f.hsL) * hg + n;
        const float yR = f.hsR + (xR - f.hsR) * hg + n;
        onePoleHighpass(f.hpL, f.y1L, yL, f.a);
        onePoleHighpass(f.hpR, f.y1R, yR, f.a);
        uL = n + (f.hpL + (yL - f.hpL) * lg);
        uR = n + (f.hpR + (yR - f.hpR) * lg);
        return n;
    }
    // The same over m core samples at once, for the stretch-wise cores: inputs from
    // workIn + `from`, noise and shaped input into nz, uL, uR. `lead` is 1 for cores
    // that advance the indices at the start of a sample, 0 for those that advance at
    // the end; either way write64k and predelayTap end m samples further on.
    void frontEndRun(int from, int m, int lead, float* nz, float* uL, float* uR);

    // [any thread] Bytes this engine allocated (pool, work buffers and their histories).
    std::size_t allocatedBytes() const { return allocated; }

private:
    bool valid = true;
    std::size_t allocated = 0;
    float* storage16k[64] = {};      // the single lines, with their guards
    float* workStore[6] = {};        // workInL, workInR, workOutL, workOutR, dryL, dryR
    int workStoreFrames = 0;
    const float* silentInput = nullptr;   // kMaxPiece zeros, for a host that passes no input
    std::atomic<bool> typeChangeRestart{false};
    std::atomic<bool> predelayDirty{false};

    // The changeover's clearing: the delay pool and the four core work buffers, region by
    // region (see region()), from clearRegion/clearOffset on; clearLeft floats remain of
    // clearTotal. Everything else beginReset clears at once.
    static constexpr int kClearRegions = kNum64k + 64 + 4 + 4;
    int clearRegion = kClearRegions;
    std::size_t clearOffset = 0, clearLeft = 0, clearTotal = 0;
    float* region(int k, std::size_t& floats) const;
    void beginReset(int m);
    void clearFloats(std::size_t n);
    void clearStep(int count);
    void clearPlateReads();
    void finishClear() { clearFloats(clearLeft); }
    void dropClear() { clearRegion = kClearRegions; clearLeft = 0; }

    float* allocate(std::size_t floats);
    bool allocateWorkBuffers(int frames);
    void freeWorkBuffers();
    void clearPool();
    void clearWorkBuffers();
    void clearHistories();
    void clearCoreStates(ClearReason why);
    void applyPredelay(int w64);
    void runCore(int n);

    // Stages (Stages.cpp).
    static constexpr int kScratchHalf = kMaxPiece / 2 + 32;
    float* scratch = nullptr;   // 2 * kScratchHalf floats for the resampling stages
    void processPiece(const float* inL, const float* inR, float* outL, float* outR, int m);
    int inputStage(const float* inL, const float* inR, int m);
    // The pre-delay time in host samples (0 .. one second).
    int predelayHostSamples() const {
        const float pd = relaxed(params.predelaySeconds);
        const float seconds = pd > 0.0f ? (pd < kMaxPredelaySeconds ? pd : kMaxPredelaySeconds) : 0.0f;  // NaN gives 0
        return static_cast<int>(seconds * coreRate * (rateDivider + 1));
    }
    void decimate(int np);
    void interpolate(int m, int taken, bool coreRan);
    void fade(const float* wetL, const float* wetR, float* fadedL, float* fadedR, int m, int& count);
    void mixOut(const float* wetL, const float* wetR, float* outL, float* outR, int m);
    void outputStage(float* outL, float* outR, int m, int np, int& count, bool coreRan);
};

}  // namespace moltaro
