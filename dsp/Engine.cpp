// Engine construction, suspend, resume and reset, the pre-delay tap and the filters.
#include "Engine.h"
#include "Simd.h"

#include <algorithm>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>

namespace moltaro {

void Biquad::init(double rate, int filterType, double hz, double quality, double gain) {
    sampleRate = rate; type = filterType; frequency = hz; q = quality; gainDb = gain;
    offset = filterType == 8 ? 1e-12 : 1e-14;
    clear();
    design();
}

// The audio-EQ cookbook designs; a1..b2 normalised by a0.
void Biquad::design() {
    constexpr double kPi = 3.14159265358979323846;
    const double w = 2.0 * kPi * frequency / sampleRate;
    const double cs = std::cos(w), sn = std::sin(w);
    const double alpha = sn / (2.0 * q);
    const double A = std::pow(10.0, gainDb / 40.0);
    const double rootA = 2.0 * std::sqrt(A) * alpha;
    auto set = [this](double n0, double n1, double n2, double d0, double d1, double d2) {
        a0 = d0; a1 = d1 / d0; a2 = d2 / d0; b0 = n0 / d0; b1 = n1 / d0; b2 = n2 / d0;
    };
    switch (type) {
    case 1:   // high-pass
        a0 = 1.0 + alpha; a1 = -2.0 * cs / a0; a2 = (1.0 - alpha) / a0;
        b0 = b2 = (1.0 + cs) / 2.0 / a0; b1 = -(1.0 + cs) / a0;
        break;
    case 3:   // low shelf
        set(A * ((A + 1) - (A - 1) * cs + rootA), 2 * A * ((A - 1) - (A + 1) * cs), A * ((A + 1) - (A - 1) * cs - rootA),
            (A + 1) + (A - 1) * cs + rootA, -2 * ((A - 1) + (A + 1) * cs), (A + 1) + (A - 1) * cs - rootA);
        break;
    case 4:   // peaking
        set(1 + alpha * A, -2 * cs, 1 - alpha * A, 1 + alpha / A, -2 * cs, 1 - alpha / A);
        break;
    case 5:   // band-pass, 0 dB peak
        set(alpha, 0, -alpha, 1 + alpha, -2 * cs, 1 - alpha);
        break;
    case 6:   // notch
        set(1, -2 * cs, 1, 1 + alpha, -2 * cs, 1 - alpha);
        break;
    case 7:   // high shelf
        set(A * ((A + 1) + (A - 1) * cs + rootA), -2 * A * ((A - 1) + (A + 1) * cs), A * ((A + 1) + (A - 1) * cs - rootA),
            (A + 1) - (A - 1) * cs + rootA, 2 * ((A - 1) - (A + 1) * cs), (A + 1) - (A - 1) * cs - rootA);
        break;
    case 8:   // low-pass
        set((1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha, -2 * cs, 1 - alpha);
        break;
    case 10:  // all-pass
        a0 = 1.0 + alpha; a1 = b1 = -2.0 * cs / a0; a2 = b0 = (1.0 - alpha) / a0; b2 = 1.0;
        break;
    default:
        a0 = a1 = a2 = b0 = b1 = b2 = 1.0;
        break;
    }
}

namespace {

// The dispersion all-pass bank: frequency (Hz) and q of members 1..32.
struct BankMember { double hz, q; };
constexpr BankMember kDispersionBank[32] = {
    {100, 0.3}, {406, 0.6}, {1600, 1.2}, {5204, 2.4},
    {105, 0.3}, {400, 0.6}, {1603, 1.2}, {5200, 2.4},
    // 9..20: sixth-octave steps down from about 7.1 kHz (left channel)
    {7127.189745122714, 0.5}, {6381.352228912162, 0.5}, {5656.85424949238, 0.5},
    {5064.88262057739, 0.5}, {4489.8481932374925, 0.5}, {4020, 0.5},
    {3563.594872561357, 0.5}, {3190.676114456081, 0.5}, {2828.42712474619, 0.5},
    {2532.441310288695, 0.5}, {2244.9240966187463, 0.5}, {2010, 0.5},
    // 21..32: the same for the right channel, bases in opposite phase
    {7162.825693848327, 0.5}, {6349.604207872799, 0.5}, {5685.1385207398425, 0.5},
    {5039.684199579493, 0.5}, {4512.29743420368, 0.5}, {4000, 0.5},
    {3581.4128469241637, 0.5}, {3174.8021039363994, 0.5}, {2842.5692603699213, 0.5},
    {2519.8420997897465, 0.5}, {2256.14871710184, 0.5}, {2000, 0.5},
};

constexpr int kSingleLineFloats = kLen16k + kGuard;

}  // namespace

float* Engine::allocate(std::size_t floats) {
    float* p = new (std::nothrow) float[floats]();
    if (p) allocated += floats * sizeof(float);
    else valid = false;
    return p;
}

Engine::Engine() {
    wideVectors = wideVectorsAvailable();
    noiseGen.seedStep();
    dcBlockL.init(44100.0, 1, 5.0, 0.5, 0.0);
    dcBlockR.init(44100.0, 1, 5.0, 0.5, 0.0);
    for (int m = 0; m < 32; ++m)
        dispersion[m].init(44100.0, 10, kDispersionBank[m].hz, kDispersionBank[m].q, 24.0);

    for (auto& l : lines64k) l = allocate(kLen64k);
    for (int i = 0; i < 64; ++i) lines16k[i] = storage16k[i] = allocate(kSingleLineFloats);
    for (int b = 0; b < 4; ++b) {
        block64[b] = allocate(kLen64k);
        for (int j = 0; j < 4; ++j)
            lines16k[64 + 4 * b + j] = block64[b] ? block64[b] + kLen16k * j : nullptr;
    }
    silentInput = allocate(kMaxPiece);
    scratch = allocate(2 * kScratchHalf);
    if (!allocateWorkBuffers(kInitialFrames)) valid = false;
    store(setupPending, true);
}

Engine::~Engine() {
    freeWorkBuffers();
    for (auto* l : lines64k) delete[] l;
    for (auto* l : storage16k) delete[] l;
    for (auto* b : block64) delete[] b;
    delete[] silentInput;
    delete[] scratch;
}

// Allocates the six buffers (with their histories) for `frames` samples. On failure
// the old buffers stay.
bool Engine::allocateWorkBuffers(int frames) {
    float* fresh[6] = {};
    const std::size_t floats = static_cast<std::size_t>(kHistory) + static_cast<std::size_t>(frames);
    for (auto& f : fresh) {
        f = new (std::nothrow) float[floats]();
        if (!f) {
            for (auto* g : fresh) delete[] g;
            return false;
        }
    }
    freeWorkBuffers();
    for (int i = 0; i < 6; ++i) workStore[i] = fresh[i];
    allocated += 6 * floats * sizeof(float);
    workStoreFrames = frames;
    maxFrames = frames;
    workInL = workStore[0] + kHistory;
    workInR = workStore[1] + kHistory;
    workOutL = workStore[2] + kHistory;
    workOutR = workStore[3] + kHistory;
    dryL = workStore[4] + kHistory;
    dryR = workStore[5] + kHistory;
    return true;
}

void Engine::freeWorkBuffers() {
    if (workStore[0])
        allocated -= 6 * (static_cast<std::size_t>(kHistory) + workStoreFrames) * sizeof(float);
    for (auto& b : workStore) { delete[] b; b = nullptr; }
    workInL = workInR = workOutL = workOutR = dryL = dryR = nullptr;
    workStoreFrames = 0;
    maxFrames = 0;
}

void Engine::clearPool() {
    for (auto* l : lines64k) std::memset(l, 0, sizeof(float) * kLen64k);
    for (auto* l : storage16k) std::memset(l, 0, sizeof(float) * kSingleLineFloats);
    for (auto* b : block64) std::memset(b, 0, sizeof(float) * kLen64k);
}

void Engine::clearWorkBuffers() {
    const std::size_t floats = static_cast<std::size_t>(kHistory) + workStoreFrames;
    for (auto* b : workStore) std::memset(b, 0, sizeof(float) * floats);
}

void Engine::clearHistories() {
    for (float* b : {dryL, dryR, workOutL, workOutR}) std::memset(b - kHistory, 0, sizeof(float) * kHistory);
}

void Engine::clearCoreStates(ClearReason why) {
    frontEnd.clear();
    ambience.clear(why); room.clear(why); chamber.clear(why); club.clear(why); hall.clear(why);
    arena.clear(why); cathedral.clear(why); spring.clear(why); plate.clear(why);
}

void Engine::suspend() {
    if (!valid) return;
    dcBlockL.clear();
    dcBlockR.clear();
    for (auto& b : dispersion) b.clear();
    wetFade = 0.0f;
    noise = 0.0f;
    coreRate = 44100.0;
    store(meterHoldBlocks, 100);
    store(peakL, 0.0f);
    store(peakR, 0.0f);
    clearCoreStates(ClearReason::Suspend);
    store(setupPending, true);
    clearPool();
    clearWorkBuffers();
    dropClear();
    stagePhase = 0;
    pendingOut = 0;
}

void Engine::resume(float rate, int blockSize, int hostMaxBlock) {
    if (!valid) return;
    store(hostRate, rate);
    finishClear();   // before the work buffers may move
    clearHistories();
    stagePhase = 0;
    pendingOut = 0;

    int frames = blockSize;
    if (frames < 32 || frames > 65536) frames = 65536;
    if (frames > maxFrames) allocateWorkBuffers(frames);   // on failure the old ones stay
    clearWorkBuffers();

    float r = rate;
    if (!(r >= 20000.0f && r <= 200000.0f)) r = 44100.0f;
    if (r > 100000.0f) {
        rateDivider = 3;
        coreRate = r / 4.0;
    } else if (r > 50000.0f) {
        rateDivider = 1;
        coreRate = r / 2.0;
    } else {
        rateDivider = 0;
        coreRate = r;
    }
    silenceHold = silenceCount = static_cast<int>(r);

    int hostBlock = hostMaxBlock > 0 ? hostMaxBlock : blockSize;
    if (hostBlock < 1 || hostBlock > 4096) hostBlock = 256;
    store(meterHoldBlocks, static_cast<int>(r * 2.0f / static_cast<float>(hostBlock)));

    for (auto& b : dispersion) b.setSampleRate(coreRate);
    dcBlockL.setSampleRate(r);
    dcBlockR.setSampleRate(r);
    clearCoreStates(ClearReason::Resume);
    // The pre-delay tap counts core samples: place it again for the new core rate.
    predelayDirty.store(false, std::memory_order_relaxed);
    applyPredelay(relaxed(write64k));
    store(setupPending, true);
}

void Engine::resetEngine() {
    beginReset(maxFrames);
    finishClear();
}

// What must be clear at once for the rest of the block of m frames in which the
// algorithm switches: the histories and the first m samples of the core work buffers
// (all that block still reads), the core states. The delay pool and the rest of the work
// buffers are read again only when the new core starts, after the changeover's silent
// stretch of kChangeoverGap host samples (the write indices stand still until then):
// clearStep clears them over that stretch. (The dispersion bank is designed by resume
// and keeps its coefficients; designing it again here would give the same values.)
void Engine::beginReset(int m) {
    clearHistories();
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(std::min(m, maxFrames));
    for (float* b : {workInL, workInR, workOutL, workOutR}) std::memset(b, 0, bytes);
    clearCoreStates(ClearReason::Reset);
    store(setupPending, true);
    clearTotal = 0;
    for (int k = 0; k < kClearRegions; ++k) {
        std::size_t floats = 0;
        region(k, floats);
        clearTotal += floats;
    }
    clearRegion = 0;
    clearOffset = 0;
    clearLeft = clearTotal;
}

// Region k of the changeover's clearing: the long lines, the single lines with their
// guards, the divided blocks, then workInL, workInR, workOutL, workOutR (without their
// histories).
float* Engine::region(int k, std::size_t& floats) const {
    if (k < kNum64k) {
        floats = kLen64k;
        return lines64k[k];
    }
    k -= kNum64k;
    if (k < 64) {
        floats = kSingleLineFloats;
        return storage16k[k];
    }
    k -= 64;
    if (k < 4) {
        floats = kLen64k;
        return block64[k];
    }
    k -= 4;
    floats = static_cast<std::size_t>(maxFrames);
    return workStore[k] + kHistory;
}

namespace {

// Zeros n floats with 16-byte stores (not a library call, so that clearing costs what it
// clears, in time and in counted instructions alike).
__attribute__((optimize("no-tree-loop-distribute-patterns"))) void zeroFloats(float* p, std::size_t n) {
    const v4f zero{0.0f, 0.0f, 0.0f, 0.0f};
    const std::size_t sixteens = n / 16;
    for (std::size_t q = 0; q < sixteens; ++q) {
        float* at = p + 16 * q;
        store4(at, zero);
        store4(at + 4, zero);
        store4(at + 8, zero);
        store4(at + 12, zero);
    }
    for (std::size_t i = 16 * sixteens; i < n; ++i) p[i] = 0.0f;
}

// Zeros the `reach` samples behind index w of a ring of len samples (len a power of two).
void zeroBehind(float* ring, int len, int w, int reach) {
    if (reach >= len) {
        zeroFloats(ring, static_cast<std::size_t>(len));
    } else if (w >= reach) {
        zeroFloats(ring + (w - reach), static_cast<std::size_t>(reach));
    } else {
        zeroFloats(ring, static_cast<std::size_t>(w));
        zeroFloats(ring + len - (reach - w), static_cast<std::size_t>(reach - w));
    }
}

}  // namespace

// Clears the next n floats of the pending regions.
void Engine::clearFloats(std::size_t n) {
    n = std::min(n, clearLeft);
    clearLeft -= n;
    while (n > 0 && clearRegion < kClearRegions) {
        std::size_t floats = 0;
        float* p = region(clearRegion, floats) + clearOffset;
        const std::size_t run = std::min(n, floats - clearOffset);
        zeroFloats(p, run);
        n -= run;
        clearOffset += run;
        if (clearOffset == floats) {
            ++clearRegion;
            clearOffset = 0;
        }
    }
}

// A change arriving in the silent stretch of a change to the Plate runs the Plate at once,
// before the pool is all clear, and the Plate's dispersion filters carry what it computes
// then across the next switch. All it can read before writing it itself is the pre-delay
// lines, as far back as the longest pre-delay reaches (regions 0 and 1, which the
// clearing takes first), and each of its rings as far back as its taps reach: clear
// those now (a bounded amount), the rest is cleared again from the next switch on.
void Engine::clearPlateReads() {
    constexpr int kPredelayRegions = 2;
    if (clearRegion < kPredelayRegions) {
        const int reach = std::min(kLen64k, static_cast<int>(std::ceil(kMaxPredelaySeconds * coreRate)) + 1);
        for (int k = clearRegion; k < kPredelayRegions; ++k) zeroBehind(lines64k[k], kLen64k, relaxed(write64k), reach);
    }
    placePlateTaps();
    float* const area = block64[PlateState::kArea];
    for (int i = 0; i < PlateState::kRings; ++i) {
        const int len = kPlateRings.mask[i] + 1;
        zeroBehind(area + kPlateRings.offset[i], len, write16k & kPlateRings.mask[i], plateReach(i));
    }
    dropClear();
}

// After a block in the changeover's silent stretch, with `count` host samples of it
// left: at most clearTotal * count / kChangeoverGap floats may remain, so each block
// clears its share of the stretch and all is clear when the count reaches 0.
void Engine::clearStep(int count) {
    const std::size_t allowed =
        count > 0 && count <= kChangeoverGap
            ? static_cast<std::size_t>((static_cast<double>(clearTotal) * count) / kChangeoverGap)
            : 0;
    if (clearLeft > allowed) clearFloats(clearLeft - allowed);
}

// The pre-delay tap: trunc(w - seconds * coreRate + 65536) & 0xffff. A time beyond the
// longest pre-delay is held at it, one that is not a number gives 0.
void Engine::applyPredelay(int w64) {
    const float seconds = std::min(relaxed(params.predelaySeconds), kMaxPredelaySeconds);
    double d = static_cast<double>(seconds) * coreRate;
    if (!(d >= 0.0)) d = 0.0;
    if (d > kLen64k - 1) d = kLen64k - 1;
    store(predelayTap, tap64k(w64, d));
}

void Engine::updatePredelay() {
    if (!valid) return;
    applyPredelay(relaxed(write64k));
    // The audio thread places the tap again at its next block, from its own write
    // index, so a tap stored while it was running a block is never lost.
    predelayDirty.store(true, std::memory_order_release);
}

void Engine::runCore(int n) {
    switch (algorithm) {
    case Algorithm::Ambience: prepareAmbience(); processAmbience(n); break;
    case Algorithm::Room: prepareRoom(); processRoom(n); break;
    case Algorithm::Chamber: prepareChamber(); processChamber(n); break;
    case Algorithm::Club: prepareClub(); processClub(n); break;
    case Algorithm::Hall: prepareHall(); processHall(n); break;
    case Algorithm::Arena: prepareArena(); processArena(n); break;
    case Algorithm::Cathedral: prepareCathedral(); processCathedral(n); break;
    case Algorithm::Spring: prepareSpring(); processSpring(n); break;
    case Algorithm::Plate: preparePlate(); processPlate(n); break;
    }
}

void Engine::frontEndRun(int from, int m, int lead, float* nz, float* uL, float* uR) {
    const int w0 = relaxed(write64k), r0 = relaxed(predelayTap);
    const bool on = relaxed(params.power) != 0;
    DenormalNoise gen = noiseGen;
    float* const preL = lines64k[0];
    float* const preR = lines64k[1];
    const float* inL = workInL + from;
    const float* inR = workInR + from;
    // Both channels side by side in lanes 0 and 1 (lanes 2 and 3 idle).
    FrontEndState& f = frontEnd;
    v4f hs{f.hsL, f.hsR, 0.0f, 0.0f}, hp{f.hpL, f.hpR, 0.0f, 0.0f}, y1{f.y1L, f.y1R, 0.0f, 0.0f};
    const v4f p = splat4(f.p), a = splat4(f.a), a1 = splat4(f.a + 1.0f);
    const v4f hg = splat4(relaxed(params.highGain)), lg = splat4(relaxed(params.lowGain));
    for (int i = 0; i < m; ++i) {
        const float n = gen.next();
        const int w = (w0 + lead + i) & kMask64k;
        // With Power off the lines receive the noise alone.
        preL[w] = on ? n + (n + inL[i]) : n;
        preR[w] = on ? n + (n + inR[i]) : n;
        const int r = (r0 + lead + i) & kMask64k;
        const v4f x{preL[r], preR[r], 0.0f, 0.0f};
        const v4f nv = splat4(n);
        hs = x + (hs - x) * p;
        const v4f y = hs + (x - hs) * hg + nv;
        hp = a * hp + a1 * (y - y1) * 0.5f;
        y1 = y;
        const v4f u = nv + (hp + (y - hp) * lg);
        uL[i] = u[0];
        uR[i] = u[1];
        nz[i] = n;
    }
    if (m > 0) noise = nz[m - 1];
    f.hsL = hs[0]; f.hsR = hs[1];
    f.hpL = hp[0]; f.hpR = hp[1];
    f.y1L = y1[0]; f.y1R = y1[1];
    noiseGen = gen;
    write64k.store((w0 + m) & kMask64k, std::memory_order_relaxed);
    predelayTap.store((r0 + m) & kMask64k, std::memory_order_relaxed);
}

}  // namespace moltaro
