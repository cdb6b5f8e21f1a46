// Engine construction, suspend/resume, and the per-block driver.
// (Input and output stages are placeholders until the engine is built: dry signal only.)
#include "Engine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace moltaro {

void Biquad::init(double rate, int filterType, double hz, double quality, double gain) {
    sampleRate = rate; type = filterType; frequency = hz; q = quality; gainDb = gain;
    offset = 1e-14;
    clear();
    design();
}

void Biquad::design() {
    const double w = 2.0 * M_PI * frequency / sampleRate;
    const double cs = std::cos(w), sn = std::sin(w);
    const double alpha = sn / (2.0 * q);
    switch (type) {
    case 1:
        a0 = 1.0 + alpha; a1 = -2.0 * cs / a0; a2 = (1.0 - alpha) / a0;
        b0 = b2 = (1.0 + cs) / 2.0 / a0; b1 = -(1.0 + cs) / a0;
        break;
    case 10:
        a0 = 1.0 + alpha; a1 = b1 = -2.0 * cs / a0; a2 = b0 = (1.0 - alpha) / a0; b2 = 1.0;
        break;
    default:
        a0 = a1 = a2 = b0 = b1 = b2 = 1.0;
        break;
    }
}

Engine::Engine() {
    noiseGen.seedStep();
    dcBlockL.init(44100.0, 1, 5.0, 0.5, 0.0);
    dcBlockR.init(44100.0, 1, 5.0, 0.5, 0.0);
    for (int i = 0; i < kNum64k; ++i) lines64k[i] = new float[65536]();
    for (int i = 0; i < 64; ++i) lines16k[i] = new float[16384]();
    for (int b = 0; b < 4; ++b) {
        block64[b] = new float[65536]();
        for (int j = 0; j < 4; ++j) lines16k[64 + 4 * b + j] = block64[b] + 16384 * j;
    }
    allocateWorkBuffers(kInitialFrames);
}

Engine::~Engine() {
    freeWorkBuffers();
    for (auto* l : lines64k) delete[] l;
    for (int i = 0; i < 64; ++i) delete[] lines16k[i];
    for (auto* b : block64) delete[] b;
}

void Engine::allocateWorkBuffers(int frames) {
    freeWorkBuffers();
    float** bufs[] = {&workInL, &workInR, &workOutL, &workOutR, &dryL, &dryR};
    for (auto* b : bufs) *b = new float[static_cast<std::size_t>(frames)]();
    maxFrames = frames;
}

void Engine::freeWorkBuffers() {
    float** bufs[] = {&workInL, &workInR, &workOutL, &workOutR, &dryL, &dryR};
    for (auto* b : bufs) { delete[] *b; *b = nullptr; }
    maxFrames = 0;
}

std::size_t Engine::allocatedBytes() const {
    return sizeof(float) * (std::size_t(kNum64k) * 65536 + 64 * 16384 + 4 * 65536 +
                            6 * std::size_t(maxFrames));
}

void Engine::clearCoreStates(ClearReason why) {
    frontEnd.clear();
    ambience.clear(why); room.clear(why); chamber.clear(why); club.clear(why); hall.clear(why);
    arena.clear(why); cathedral.clear(why); spring.clear(why); plate.clear(why);
}

void Engine::suspend() {
    clearCoreStates(ClearReason::Suspend);
    store(setupPending, true);
}

void Engine::resume(float rate, int blockSize, int hostMaxBlock) {
    (void)rate; (void)blockSize; (void)hostMaxBlock;
    clearCoreStates(ClearReason::Resume);
    store(setupPending, true);
}

void Engine::updatePredelay() {}

void Engine::resetEngine() {
    clearCoreStates(ClearReason::Reset);
    store(setupPending, true);
}

void Engine::runCore(int n) {
    switch (algorithm) {
    case 0: prepareAmbience(); processAmbience(n); break;
    case 1: prepareRoom(); processRoom(n); break;
    case 2: prepareChamber(); processChamber(n); break;
    case 3: prepareClub(); processClub(n); break;
    case 4: prepareHall(); processHall(n); break;
    case 5: prepareArena(); processArena(n); break;
    case 6: prepareCathedral(); processCathedral(n); break;
    case 7: prepareSpring(); processSpring(n); break;
    default: preparePlate(); processPlate(n); break;
    }
}

void Engine::process(const float* const* inputs, float* const* outputs, int frames,
                     bool input1Connected, bool output1Connected) {
    // Placeholder until the stages exist: the dry path at the mix and output gains.
    const float dryGain = std::sqrt(1.0f - relaxed(params.wet));
    const float out = relaxed(params.outGain);
    const bool rIn = relaxed(stereoIn) && input1Connected;
    const bool rOut = relaxed(stereoOut) && output1Connected;
    for (int i = 0; i < frames; ++i) {
        const float l = inputs[0][i];
        const float r = rIn ? inputs[1][i] : l;
        const float oL = out * l * dryGain, oR = out * r * dryGain;
        if (rOut) { outputs[0][i] = oL; outputs[1][i] = oR; }
        else outputs[0][i] = relaxed(stereoOut) ? oR : (oL + oR) * 0.5f;
    }
    blockCount.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace moltaro
