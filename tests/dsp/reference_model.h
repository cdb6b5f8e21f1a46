#pragma once
// A plain sample-by-sample model of the engine: stages with 64-sample ring histories,
// the core front end, and the Hall and Plate networks with one running read index per
// tap, all advanced every sample. Written for clarity, not speed. The engine (block
// stages, stretch-wise cores, taps as offsets from the write index) must produce
// exactly its samples.
//
// Besides the processing rules it models the engine's handling of the loose ends: long
// host blocks in pieces of 8192, the changeover switching at the first count in
// (5000, 15000 - piece], non-finite input as silence, the core running on every
// decimated sample (a quarter-rate sample may be taken in the next block), the stages'
// phases and the dry copy left alone by the switch, two outputs averaged into one.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <deque>
#include <utility>
#include <vector>

#include "dsp/Blocks.h"

namespace reference {

using moltaro::Biquad;
using moltaro::DenormalNoise;

struct Params {
    int power = 1;
    int requested = 4;
    float predelaySeconds = 0.0f;
    float decay = 0.5f, highDamp = 0.1f, diffusion = 1.0f;
    float lowFreq = 500.0f, lowGain = 1.0f, highFreq = 1000.0f, highGain = 1.0f;
    float wet = 0.5f, outGain = 1.0f;
};

class Model {
public:
    Params p;
    int algorithm = 4;
    float hostRate = 44100.0f;
    double coreRate = 44100.0;
    int rateDivider = 0;
    int silenceCount = 1024, silenceHold = 1024;
    int typeChangeCount = 0;
    float wetFade = 0.0f;
    bool setupPending = true;
    float peakL = 0.0f, peakR = 0.0f;

    Model() {
        gen.seedStep();
        dcL.init(44100, 1, 5, 0.5, 0);
        dcR.init(44100, 1, 5, 0.5, 0);
        const double hz[32] = {100, 406, 1600, 5204, 105, 400, 1603, 5200,
                               7127.189745122714, 6381.352228912162, 5656.85424949238, 5064.88262057739,
                               4489.8481932374925, 4020, 3563.594872561357, 3190.676114456081,
                               2828.42712474619, 2532.441310288695, 2244.9240966187463, 2010,
                               7162.825693848327, 6349.604207872799, 5685.1385207398425, 5039.684199579493,
                               4512.29743420368, 4000, 3581.4128469241637, 3174.8021039363994,
                               2842.5692603699213, 2519.8420997897465, 2256.14871710184, 2000};
        const double q[8] = {0.3, 0.6, 1.2, 2.4, 0.3, 0.6, 1.2, 2.4};
        for (int m = 0; m < 32; ++m) bank[m].init(44100, 10, hz[m], m < 8 ? q[m] : 0.5, 24);
        for (auto& l : line) l.assign(16384, 0.0f);
        for (auto& l : longLine) l.assign(65536, 0.0f);
        suspend();
    }

    void suspend() {
        dcL.clear(); dcR.clear();
        for (auto& b : bank) b.clear();
        wetFade = 0; noise = 0; coreRate = 44100; peakL = peakR = 0;
        clearStates();
        setupPending = true;
        for (auto& l : line) std::fill(l.begin(), l.end(), 0.0f);
        for (auto& l : longLine) std::fill(l.begin(), l.end(), 0.0f);
        clearRings();
        decimPhase = interpPhase = 0;
        queue.clear();
    }

    void resume(float rate, int blockSize, int hostMaxBlock) {
        (void)blockSize; (void)hostMaxBlock;
        hostRate = rate;
        clearRings();
        decimPhase = interpPhase = 0;
        queue.clear();
        float r = rate;
        if (r < 20000 || r > 200000 || r != r) r = 44100;
        if (r > 100000) { rateDivider = 3; coreRate = r / 4.0; }
        else if (r > 50000) { rateDivider = 1; coreRate = r / 2.0; }
        else { rateDivider = 0; coreRate = r; }
        silenceHold = silenceCount = static_cast<int>(r);
        for (auto& b : bank) b.setSampleRate(coreRate);
        dcL.setSampleRate(r);
        dcR.setSampleRate(r);
        clearStates();
        updatePredelay();
        setupPending = true;
    }

    void updatePredelay() {
        double d = p.predelaySeconds * coreRate;
        d = std::min(std::max(d, 0.0), 65535.0);
        preTap = static_cast<int>(w64 - d + 65536) & 0xffff;
    }

    void requestTypeChange() { typeChangeCount = 20000; }

    // inR null: mono input; outR null: the two channels averaged into outL.
    void process(const float* inL, const float* inR, float* outL, float* outR, int frames) {
        for (int done = 0; done < frames; done += 8192) {
            const int m = std::min(8192, frames - done);
            piece(inL + done, inR ? inR + done : nullptr, outL + done, outR ? outR + done : nullptr, m);
        }
    }

    // Recirculating state, for the denormal checks.
    std::vector<float> recirculating() const {
        std::vector<float> all;
        for (const auto& l : line) all.insert(all.end(), l.begin(), l.end());
        return all;
    }

private:
    DenormalNoise gen;
    float noise = 0;
    Biquad dcL, dcR, bank[32];
    std::vector<float> line[64];      // 16384 samples each
    std::vector<float> longLine[4];   // pre-delay L, R; DL, DR
    int w16 = 16383, w64 = 65535, preTap = 0;
    float hsL = 0, hsR = 0, hpL = 0, hpR = 0, y1L = 0, y1R = 0, shelfP = 0, shelfA = 0;

    float decimHist[2][64] = {}, interpHist[2][64] = {};
    int decimIndex = 63, interpIndex = 63, decimPhase = 0, interpPhase = 0;
    std::deque<std::pair<float, float>> queue;   // core output not yet taken

    // Hall.
    int hCombTap[24] = {}, hEchoTap[24] = {}, hLeftTap[24] = {}, hRightTap[24] = {}, hApTap[8] = {};
    float hComb[24] = {}, hEcho[24] = {}, hG = 0, hDamp = 0, hC = 0;
    // Plate.
    int pCombTap[24] = {}, pLoopTap[24] = {}, pDiffTap[6] = {}, pEarlyTap[8] = {}, pReadTap[20] = {};
    float pState[24] = {}, pGa = 0, pK = 0, pFb = 0;

    void clearStates() {
        hsL = hsR = hpL = hpR = y1L = y1R = 0;
        std::fill(std::begin(hComb), std::end(hComb), 0.0f);
        std::fill(std::begin(hEcho), std::end(hEcho), 0.0f);
        std::fill(std::begin(pState), std::end(pState), 0.0f);
    }
    void clearRings() {
        for (auto& h : decimHist) std::fill(std::begin(h), std::end(h), 0.0f);
        for (auto& h : interpHist) std::fill(std::begin(h), std::end(h), 0.0f);
        decimIndex = interpIndex = 63;
    }
    void resetForSwitch() {
        clearRings();   // the phases keep running
        for (auto& q : queue) q = {0.0f, 0.0f};
        for (auto& l : line) std::fill(l.begin(), l.end(), 0.0f);
        for (auto& l : longLine) std::fill(l.begin(), l.end(), 0.0f);
        for (auto& b : bank) b.design();
        clearStates();
        setupPending = true;
    }

    static float clean(float x) {
        if (std::fabs(x) <= 1e6f) return x;
        if (std::fabs(x) <= FLT_MAX) return x > 0 ? 1e6f : -1e6f;
        return 0.0f;
    }

    void piece(const float* inL, const float* inR, float* outL, float* outR, int m) {
        static const float c[31] = {0.0018f, 0.007f, -0.0025f, -0.016f, -0.0012f, 0.029f, 0.01f, -0.032f,
                                    -0.0242f, 0.0372f, 0.0478f, -0.0408f, -0.0962f, 0.0428f, 0.314f, 0.455f,
                                    0.314f, 0.0428f, -0.0962f, -0.0408f, 0.0478f, 0.0372f, -0.0242f, -0.032f,
                                    0.01f, 0.029f, -0.0012f, -0.016f, -0.0025f, 0.007f, 0.0018f};
        // Input stage.
        std::vector<float> dry[2] = {std::vector<float>(m), std::vector<float>(m)};
        std::vector<float> work[2];
        for (int i = 0; i < m; ++i) {
            const float L = clean(inL[i]);
            const float R = inR ? clean(inR[i]) : L;
            if (std::fabs(L) + std::fabs(R) > 1e-6f)
                silenceCount = silenceHold + static_cast<int>(std::min(1.0f, std::max(0.0f, p.predelaySeconds)) *
                                                              coreRate * (rateDivider + 1));
            dry[0][i] = L;
            dry[1][i] = R;
            const float x[2] = {L, R};
            if (rateDivider == 0) {
                work[0].push_back(L);
                work[1].push_back(R);
                continue;
            }
            for (int ch = 0; ch < 2; ++ch) decimHist[ch][decimIndex] = x[ch];
            bool emit;
            if (rateDivider == 1) {
                emit = decimPhase == 0;
                decimPhase ^= 1;
            } else {
                emit = decimPhase == 2;
                decimPhase = (decimPhase + 1) & 3;
            }
            if (emit) {
                for (int ch = 0; ch < 2; ++ch) {
                    auto h = [&](int k) { return decimHist[ch][(decimIndex + k) & 63]; };
                    float y = 0;
                    if (rateDivider == 1) {
                        for (int k = 0; k <= 30; ++k) y += c[k] * h(k);
                    } else {
                        y = 0.25f * (0.183443f * (h(9) + h(3)) + 0.516773f * (h(8) + h(4)) +
                                     0.855737f * (h(7) + h(5)) + h(6));
                    }
                    work[ch].push_back(y);
                }
            }
            decimIndex = (decimIndex - 1) & 63;
        }

        // Core.
        const int n = static_cast<int>(work[0].size());
        const bool on = hostRate <= 200000 && silenceCount > 0 && (typeChangeCount == 0 || typeChangeCount > 5000);
        for (int i = 0; i < n; ++i) {
            float l = 0, r = 0;
            if (on) {
                if (i == 0) setup();
                if (algorithm == 4) hallSample(work[0][i], work[1][i], l, r);
                else plateSample(work[0][i], work[1][i], l, r);
            }
            queue.emplace_back(l, r);
        }

        // Output stage.
        static const float d[16] = {-0.004f, 0.0106f, -0.0268f, 0.0524f, -0.0812f, 0.1224f, -0.2097f, 0.6351f,
                                    0.6351f, -0.2097f, 0.1224f, -0.0812f, 0.0524f, -0.0268f, 0.0106f, -0.004f};
        const float wetGain = std::sqrt(p.wet), dryGain = std::sqrt(1.0f - p.wet);
        for (int i = 0; i < m; ++i) {
            float w[2];
            if (rateDivider == 0) {
                w[0] = queue.front().first;
                w[1] = queue.front().second;
                queue.pop_front();
            } else {
                bool take;
                int ph;
                if (rateDivider == 1) {
                    take = interpPhase == 0;
                    interpPhase ^= 1;
                } else {
                    interpPhase = (interpPhase + 1) & 3;
                    take = interpPhase == 0;
                }
                ph = interpPhase;
                std::pair<float, float> s{0.0f, 0.0f};
                if (take) {
                    s = queue.front();
                    queue.pop_front();
                }
                interpHist[0][interpIndex] = s.first;
                interpHist[1][interpIndex] = s.second;
                for (int ch = 0; ch < 2; ++ch) {
                    auto h = [&](int k) { return interpHist[ch][(interpIndex + k) & 63]; };
                    if (rateDivider == 1) {
                        float y = h(15);
                        for (int k = 0; k <= 30; k += 2) y += d[k / 2] * h(k);
                        w[ch] = y;
                    } else if (ph == 0) {
                        w[ch] = -0.015f * h(0) + 0.2351f * h(4) + 0.8732f * h(8) - 0.0744f * h(12);
                    } else if (ph == 1) {
                        w[ch] = 0.5621f * (h(5) + h(9)) - 0.0531f * (h(1) + h(13));
                    } else if (ph == 2) {
                        w[ch] = -0.0744f * h(2) + 0.8732f * h(6) + 0.2351f * h(10) - 0.015f * h(14);
                    } else {
                        w[ch] = h(7);
                    }
                }
                interpIndex = (interpIndex - 1) & 63;
            }

            if (typeChangeCount != 0) {
                --typeChangeCount;
                wetFade = std::max(0.0f, wetFade - 0.0002f);
                if (typeChangeCount > 5000 && typeChangeCount <= 15000 - m) {
                    wetFade = 0;
                    algorithm = p.requested;
                    resetForSwitch();
                    typeChangeCount = 5000;
                }
            }
            if (typeChangeCount == 0) wetFade = std::min(1.0f, wetFade + 0.0002f);

            const float wl = static_cast<float>(dcL.process(wetFade * w[0]));
            const float wr = static_cast<float>(dcR.process(wetFade * w[1]));
            const float oL = p.outGain * (dry[0][i] * dryGain + wetGain * wl);
            const float oR = p.outGain * (dry[1][i] * dryGain + wetGain * wr);
            peakL = std::max(peakL, std::fabs(oL));
            peakR = std::max(peakR, std::fabs(oR));
            if (std::fabs(oL) + std::fabs(oR) < 1e-6f) silenceCount = std::max(0, silenceCount - 1);
            else silenceCount = silenceHold;
            if (outR) {
                outL[i] = oL;
                outR[i] = oR;
            } else {
                outL[i] = (oL + oR) * 0.5f;
            }
        }
    }

    void setup() {
        if (!setupPending) return;
        setupPending = false;
        shelfP = static_cast<float>(std::pow(0.005, p.highFreq / coreRate));
        shelfA = static_cast<float>(std::pow(0.005, p.lowFreq / coreRate));
        w16 &= 0x3fff;
        auto tap = [this](double D) { return static_cast<int>(w16 - D + 16384) & 0x3fff; };
        if (algorithm == 4) {
            static const double loop[24] = {155.5635, 160.1219, 164.8138, 169.6432, 174.6141, 179.7307, 184.9972, 190.4180,
                                            195.9977, 201.7409, 207.6523, 213.7370, 157.8250, 162.4497, 167.2098, 172.1094,
                                            177.1526, 182.3436, 187.6866, 193.1863, 198.8471, 204.6737, 210.6711, 216.8443};
            static const double echo[24] = {157.8262, 162.4509, 167.2111, 172.1107, 177.1539, 182.3449, 187.6881, 193.1877,
                                            198.8486, 204.6753, 210.6727, 216.8459, 160.1206, 164.8125, 169.6419, 174.6128,
                                            179.7293, 184.9958, 190.4166, 195.9962, 201.7394, 207.6508, 213.7354, 219.9983};
            static const double left[24] = {149.60, 192.50, 160.60, 203.50, 324.50, 236.50, 255.20, 305.80,
                                            369.60, 367.40, 389.40, 409.20, 169.60, 222.50, 210.60, 273.50,
                                            424.50, 366.50, 405.20, 475.80, 579.60, 597.40, 649.40, 699.20};
            static const double right[24] = {149.60, 192.81, 160.29, 204.12, 323.57, 238.05, 253.34, 308.28,
                                             366.50, 371.12, 385.37, 413.85, 169.60, 222.81, 210.29, 274.12,
                                             423.57, 368.05, 403.34, 478.28, 576.50, 601.12, 645.37, 703.85};
            static const double ap[8] = {715.3600100622778, 278.9699400090025, 555.8876416564859, 210.2111846487051,
                                         744.5941747562817, 243.8889423761977, 538.3471428400835, 233.59851640390832};
            const float s = static_cast<float>(std::pow(4.0, 0.515) * 0.0625);
            hG = static_cast<float>(std::pow(std::pow(1.0198, std::sqrt(static_cast<double>(p.decay))) / 1.0205,
                                             1.0 / (0.25 * s)));
            hDamp = (1.0f - p.highDamp) * 0.8f + 0.2f;
            hC = p.diffusion * 0.9f * 0.7f;
            for (int k = 0; k < 24; ++k) {
                hCombTap[k] = tap(44100.0 / (s * loop[k]));
                hEchoTap[k] = tap(44100.0 / (s * echo[k]));
                hLeftTap[k] = tap(44100.0 / (s * left[k]));
                hRightTap[k] = tap(44100.0 / (s * right[k]));
            }
            for (int i = 0; i < 8; ++i) hApTap[i] = tap(ap[i]);
        } else {
            static const double cq[12] = {1.01, 1.019302236643492, 1.0694630943592953, 1.0805077326652577,
                                          1.132462048309373, 1.145352696872273, 1.199207115002721, 1.2140535433046553,
                                          1.2699210498948732, 1.2868395546510096, 1.3448398541700344, 1.3639536474580891};
            static const double xq[12] = {1.5969502183850317, 1.611658345948689, 1.6909696258334737, 1.708432732323266,
                                          1.7905797181786272, 1.8109616231663972, 1.864490158242355, 1.9512099757219716,
                                          2.007921483130066, 2.034671987946957, 2.1263785136730005, 2.1566000744309464};
            static const double diff[6] = {3.364663430419156, 4.983749592425366, 8.12072903131239876,
                                           3.314066987856462, 5.00904781370671337, 8.146027252593747};
            static const double early[8] = {0.393, 0.435, 0.663, 0.771, 0.39, 0.438, 0.669, 0.765};
            static const double read[20] = {21.4, 30.25, 38.65, 40.945, 55, 28, 40.615, 41.5, 43, 43.75,
                                            21.4, 30.235, 38.665, 40.915, 55.03, 27.925, 40.69, 41.395, 43.105, 43.6};
            const float c = static_cast<float>(std::pow(4.0, 0.515) * 0.5 * 0.8 * 1.02);
            pGa = p.diffusion * 0.6f * 0.7f;
            pK = (1.0f - p.highDamp) * 0.8f + 0.2f;
            pFb = static_cast<float>(std::pow(std::pow(1.65, std::sqrt(static_cast<double>(p.decay))) / 1.7, c * 0.5));
            const float r = static_cast<float>(2.0 * c * 44100.0 * 0.001);
            for (int m = 0; m < 12; ++m) {
                pCombTap[m] = tap(12.0 * r * std::pow(2.0, m / 24.0));
                pCombTap[12 + m] = tap(12.0 * r * cq[m]);
                pLoopTap[m] = tap(0.2 * r * 1.5811388300841898 * std::pow(2.0, m / 24.0));
                pLoopTap[12 + m] = tap(0.2 * r * xq[m]);
            }
            for (int i = 0; i < 6; ++i) pDiffTap[i] = tap(0.2 * r * diff[i]);
            for (int i = 0; i < 8; ++i) pEarlyTap[i] = tap(r * early[i]);
            for (int i = 0; i < 20; ++i) pReadTap[i] = tap(0.2 * r * read[i]);
        }
    }

    void advance(int* taps, int count) {
        for (int i = 0; i < count; ++i) taps[i] = (taps[i] + 1) & 0x3fff;
    }
    void advanceShared() {
        w16 = (w16 + 1) & 0x3fff;
        w64 = (w64 + 1) & 0xffff;
        preTap = (preTap + 1) & 0xffff;
    }

    float frontEnd(float inL, float inR, float& uL, float& uR) {
        const float n = gen.next();
        noise = n;
        longLine[0][w64] = p.power ? n + (n + inL) : n;
        longLine[1][w64] = p.power ? n + (n + inR) : n;
        const float xL = longLine[0][preTap], xR = longLine[1][preTap];
        hsL = xL + (hsL - xL) * shelfP;
        hsR = xR + (hsR - xR) * shelfP;
        const float yL = hsL + (xL - hsL) * p.highGain + n;
        const float yR = hsR + (xR - hsR) * p.highGain + n;
        hpL = shelfA * hpL + (shelfA + 1) * (yL - y1L) * 0.5f;
        hpR = shelfA * hpR + (shelfA + 1) * (yR - y1R) * 0.5f;
        y1L = yL;
        y1R = yR;
        uL = n + (hpL + (yL - hpL) * p.lowGain);
        uR = n + (hpR + (yR - hpR) * p.lowGain);
        return n;
    }

    void hallSample(float inL, float inR, float& outL, float& outR) {
        advanceShared();
        advance(hCombTap, 24); advance(hEchoTap, 24); advance(hLeftTap, 24); advance(hRightTap, 24);
        advance(hApTap, 8);
        float u[2];
        const float n = frontEnd(inL, inR, u[0], u[1]);
        const int w = w16;
        for (int k = 0; k < 24; ++k) hComb[k] = n + (hComb[k] + (line[k][hCombTap[k]] - hComb[k]) * hDamp);
        for (int k = 0; k < 24; ++k) hEcho[k] = n + (hEcho[k] + (line[k][hEchoTap[k]] - hEcho[k]) * hDamp);
        for (int k = 0; k < 24; ++k) {
            const int feed = k < 3 ? 0 : (k == 3 ? 1 : k % 2);
            line[k][w] = u[feed] + hG * hComb[k];
            line[24 + k][w] = u[1 - feed] + hG * hEcho[k];
        }
        float sumL = 0, sumR = 0;
        for (int k = 0; k < 24; ++k) sumL += line[k][hLeftTap[k]];
        for (int k = 0; k < 24; ++k) sumR += line[24 + k][hRightTap[k]];
        float x[2] = {0.08625f * sumL, 0.08625f * sumR};
        for (int side = 0; side < 2; ++side) {
            for (int st = 0; st < 4; ++st) {
                auto& l = line[48 + 4 * side + st];
                const float t = l[hApTap[4 * side + st]];
                float v;
                if (st % 2 == 0) { v = t - hC * x[side]; l[w] = x[side] + hC * v; }
                else { v = t + hC * x[side]; l[w] = x[side] - hC * v; }
                x[side] = v;
            }
        }
        outL = x[0];
        outR = x[1];
    }

    void plateSample(float inL, float inR, float& outL, float& outR) {
        float uL, uR;
        const float n = frontEnd(inL, inR, uL, uR);
        const int w = w16;
        auto& DL = longLine[2];
        auto& DR = longLine[3];
        const float eL = static_cast<float>(bank[2].process(bank[0].process(uL) + n) + n);
        const float eR = static_cast<float>(bank[6].process(bank[4].process(uR) + n) + n);
        DL[w] = eL;
        DR[w] = eR;
        auto E = [this](int i) -> std::vector<float>& { return line[48 + i - 1]; };
        auto Ed = [&](int i) { return E(i)[pEarlyTap[i - 1]]; };
        auto TL = [&](int t) { return DL[pReadTap[t <= 10 ? t - 1 : t - 3]]; };
        auto TR = [&](int t) { return DR[pReadTap[t <= 10 ? t - 1 : t - 3]]; };
        const float ga = pGa;
        float d, v, y1, y2, y3, y4;
        d = Ed(1); v = 0.5f * TR(6) + 0.5f * TL(1) - 0.7f * ga * d; E(1)[w] = v; y1 = 0.7f * ga * v + d;
        d = Ed(2); v = 0.79f * ga * d + 0.4f * TL(2); E(2)[w] = v; y2 = d - 0.79f * ga * v;
        d = Ed(3); v = 0.32f * TL(4) + 0.35f * TL(3) + 0.2f * TL(5) - 0.84f * ga * d; E(3)[w] = v; y3 = 0.84f * ga * v + d;
        d = Ed(4); v = 0.31f * TR(7) + 0.29f * TR(8) + 0.28f * TR(9) + 0.27f * TR(10) + 0.92f * ga * d; E(4)[w] = v;
        y4 = d - 0.92f * ga * v;
        const float earlyL = y1 + y2 + y3 + y4;
        d = Ed(5); v = 0.5f * TL(18) + 0.5f * TR(13) - 0.7f * ga * d; E(5)[w] = v; y1 = 0.7f * ga * v + d;
        d = Ed(6); v = 0.79f * ga * d + 0.4f * TR(14); E(6)[w] = v; y2 = d - 0.79f * ga * v;
        d = Ed(7); v = 0.32f * TR(16) + 0.35f * TR(15) + 0.2f * TR(17) - 0.84f * ga * d; E(7)[w] = v; y3 = 0.84f * ga * v + d;
        d = Ed(8); v = 0.31f * TL(19) + 0.29f * TL(20) + 0.28f * TL(21) + 0.27f * TL(22) + 0.92f * ga * d; E(8)[w] = v;
        y4 = d - 0.92f * ga * v;
        const float earlyR = y1 + y2 + y3 + y4;

        float in[2] = {eL, eR};
        for (int side = 0; side < 2; ++side) {
            for (int s = 0; s < 3; ++s) {
                auto& l = line[56 + 3 * side + s];
                const float t = l[pDiffTap[3 * side + s]];
                const float vv = t - 0.5f * in[side];
                l[w] = in[side] + 0.5f * vv;
                in[side] = vv;
            }
        }

        float Y[25];
        for (int j = 1; j <= 24; ++j) {
            auto& C = line[j - 1];
            auto& X = line[24 + j - 1];
            const float x = -C[pCombTap[j - 1]];
            const float dd = X[pLoopTap[j - 1]];
            float vv, y;
            if (j % 2 == 1) { vv = x + ga * dd; y = dd - ga * vv; }
            else { vv = x - ga * dd; y = dd + ga * vv; }
            X[w] = vv;
            float& s = pState[j - 1];
            s = s + (y - s) * pK + n;
            const bool left = (j <= 11 && j % 2 == 1) || (j >= 14 && j % 2 == 0);
            C[w] = (left ? in[0] : in[1]) + s * pFb;
            Y[j] = y;
        }
        const float tL = static_cast<float>(bank[11].process(Y[24] + Y[10] + Y[23]) + bank[10].process(Y[9] + Y[19] + Y[20]) +
                                            bank[9].process(Y[6] + Y[5] + Y[16]) + bank[8].process(Y[15] + Y[1] + Y[2]));
        const float tR = static_cast<float>(bank[23].process(Y[12] + Y[11] + Y[22]) + bank[22].process(Y[21] + Y[7] + Y[8]) +
                                            bank[21].process(Y[18] + Y[4] + Y[17]) + bank[20].process(Y[3] + Y[13] + Y[14]));
        outL = (tL + 3 * earlyL) * 0.07268f;
        outR = (tR + 3 * earlyR) * 0.07268f;

        advanceShared();
        advance(pCombTap, 24); advance(pLoopTap, 24); advance(pDiffTap, 6); advance(pEarlyTap, 8);
        advance(pReadTap, 20);
    }
};

}  // namespace reference
