// Plate algorithm: setup and core routine.
//
// The core runs a stretch of at most 24 samples at a time (the shortest tap, X1, is 24
// samples long): within a stretch no tap reads a sample written in the same stretch,
// so each stage can run over the whole stretch in turn and gives exactly the samples
// of a sample-by-sample loop.
#include <algorithm>
#include <cmath>

#include "Engine.h"

namespace moltaro {
namespace {

// Tank comb C13..C24 and loop all-pass X13..X24 factors (C1..C12 and X1..X12 are
// twelfth-octave steps 2^(m/24)).
constexpr double kCombUpper[12] = {
    1.01, 1.019302236643492, 1.0694630943592953, 1.0805077326652577, 1.132462048309373,
    1.145352696872273, 1.199207115002721, 1.2140535433046553, 1.2699210498948732,
    1.2868395546510096, 1.3448398541700344, 1.3639536474580891};
constexpr double kLoopUpper[12] = {
    1.5969502183850317, 1.611658345948689, 1.6909696258334737, 1.708432732323266,
    1.7905797181786272, 1.8109616231663972, 1.864490158242355, 1.9512099757219716,
    2.007921483130066, 2.034671987946957, 2.1263785136730005, 2.1566000744309464};
constexpr double kLoopBase = 1.5811388300841898;
// Input diffusers I1..I6, in units of 0.2 * r.
constexpr double kDiffuser[6] = {3.364663430419156, 4.983749592425366, 8.12072903131239876,
                                 3.314066987856462, 5.00904781370671337, 8.146027252593747};
// Early feedback taps E1..E8, in units of r.
constexpr double kEarly[8] = {0.393, 0.435, 0.663, 0.771, 0.39, 0.438, 0.669, 0.765};
// Early read taps T1..T10 and T13..T22 into DL/DR, in units of 0.2 * r. (The setup's
// jitter of these taps, below 1e-8 samples, moves none of them; a test checks the margin.)
constexpr double kRead[20] = {21.4, 30.25, 38.65, 40.945, 55, 28, 40.615, 41.5, 43, 43.75,
                              21.4, 30.235, 38.665, 40.915, 55.03, 27.925, 40.69, 41.395, 43.105, 43.6};
constexpr float kOutputScale = 0.07268f;

constexpr int kStretch = 24;

// Index into a side's ten read taps of tap Tn (n = 1..10; the right side's T13..T22
// stand at the same places).
constexpr int T(int n) { return n - 1; }

}  // namespace

void Engine::preparePlate() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    PlateState& st = plate;
    const float c = static_cast<float>(std::pow(4.0, 0.515) * 0.5 * 0.8 * 1.02);
    st.sizeFactor = c;
    st.allpassGain = relaxed(params.diffusion) * 0.6f * 0.7f;
    st.damp = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    const double decay = relaxed(params.decay);
    st.feedback = static_cast<float>(std::pow(std::pow(1.65, std::sqrt(decay)) / 1.7, c * 0.5));
    prepareFrontEnd();
    const float r = static_cast<float>(2.0 * c * 44100.0 * 0.001);
    st.unit = r;

    write16k &= kMask16k;
    const int w = write16k;
    for (int m = 0; m < 12; ++m) {
        const double step = std::pow(2.0, m / 24.0);
        st.combDelay[m] = tapDelay16k(w, 12.0 * r * step);
        st.combDelay[12 + m] = tapDelay16k(w, 12.0 * r * kCombUpper[m]);
        st.loopDelay[m] = tapDelay16k(w, 0.2 * r * kLoopBase * step);
        st.loopDelay[12 + m] = tapDelay16k(w, 0.2 * r * kLoopUpper[m]);
    }
    for (int i = 0; i < 6; ++i) st.diffuserDelay[i] = tapDelay16k(w, 0.2 * r * kDiffuser[i]);
    for (int i = 0; i < 8; ++i) st.earlyDelay[i] = tapDelay16k(w, r * kEarly[i]);
    for (int i = 0; i < PlateState::kReadTaps; ++i) st.readDelay[i] = tapDelay16k(w, 0.2 * r * kRead[i]);

    for (int i = 0; i < PlateState::kLinesUsed; ++i) refreshGuard(lines16k[i]);
    refreshGuard(lines64k[PlateState::kDispersedL]);
    refreshGuard(lines64k[PlateState::kDispersedR]);
}

void Engine::processPlate(int n) {
    PlateState& st = plate;
    const float ga = st.allpassGain, k = st.damp, fb = st.feedback;
    const float ga70 = 0.7f * ga, ga79 = 0.79f * ga, ga84 = 0.84f * ga, ga92 = 0.92f * ga;
    float* const dl = lines64k[PlateState::kDispersedL];
    float* const dr = lines64k[PlateState::kDispersedR];
    float nz[kStretch], u[2][kStretch], e[2][kStretch], early[2][kStretch], diffused[2][kStretch];
    float y[PlateState::kTank][kStretch];

    for (int done = 0; done < n;) {
        const int m = std::min(kStretch, n - done);
        const int p0 = write16k;   // the Plate advances its indices at the end of a sample
        auto at = [p0](float* line, int delay) { return line + ((p0 - delay) & kMask16k); };
        frontEndRun(done, m, 0, nz, u[0], u[1]);

        // Input dispersion into DL, DR.
        {
            Biquad b1 = dispersion[0], b3 = dispersion[2], b5 = dispersion[4], b7 = dispersion[6];
            for (int i = 0; i < m; ++i) {
                e[0][i] = static_cast<float>(b3.process(b1.process(u[0][i]) + nz[i]) + nz[i]);
                e[1][i] = static_cast<float>(b7.process(b5.process(u[1][i]) + nz[i]) + nz[i]);
                dl[p0 + i] = e[0][i];
                dr[p0 + i] = e[1][i];
            }
            dispersion[0] = b1; dispersion[2] = b3; dispersion[4] = b5; dispersion[6] = b7;
        }

        // Early network: per side, stages on E1..E4 (left) or E5..E8 (right); "own" is
        // the side's dispersed line, "other" the opposite one.
        for (int side = 0; side < 2; ++side) {
            float* own = side == 0 ? dl : dr;
            float* other = side == 0 ? dr : dl;
            const int* rd = st.readDelay + 10 * side;   // T1.. or T13..
            float* ln[4];
            const float* d[4];
            for (int s = 0; s < 4; ++s) {
                ln[s] = lines16k[PlateState::kFirstEarly + 4 * side + s] + p0;
                d[s] = at(lines16k[PlateState::kFirstEarly + 4 * side + s], st.earlyDelay[4 * side + s]);
            }
            const float* t1 = at(own, rd[T(1)]);
            const float* t2 = at(own, rd[T(2)]);
            const float* t3 = at(own, rd[T(3)]);
            const float* t4 = at(own, rd[T(4)]);
            const float* t5 = at(own, rd[T(5)]);
            const float* t6 = at(other, rd[T(6)]);
            const float* t7 = at(other, rd[T(7)]);
            const float* t8 = at(other, rd[T(8)]);
            const float* t9 = at(other, rd[T(9)]);
            const float* t10 = at(other, rd[T(10)]);
            float* out = early[side];
            for (int i = 0; i < m; ++i) {
                const float d1 = d[0][i], d2 = d[1][i], d3 = d[2][i], d4 = d[3][i];
                const float v1 = 0.5f * t6[i] + 0.5f * t1[i] - ga70 * d1;
                const float v2 = ga79 * d2 + 0.4f * t2[i];
                const float v3 = 0.32f * t4[i] + 0.35f * t3[i] + 0.2f * t5[i] - ga84 * d3;
                const float v4 = 0.31f * t7[i] + 0.29f * t8[i] + 0.28f * t9[i] + 0.27f * t10[i] + ga92 * d4;
                ln[0][i] = v1;
                ln[1][i] = v2;
                ln[2][i] = v3;
                ln[3][i] = v4;
                const float y1 = ga70 * v1 + d1;
                const float y2 = d2 - ga79 * v2;
                const float y3 = ga84 * v3 + d3;
                const float y4 = d4 - ga92 * v4;
                out[i] = y1 + y2 + y3 + y4;
            }
        }

        // Input diffusers: three all-passes (+0.5) per side.
        for (int side = 0; side < 2; ++side) {
            float* x = diffused[side];
            std::copy(e[side], e[side] + m, x);
            for (int s = 0; s < 3; ++s) {
                float* line = lines16k[PlateState::kFirstDiffuser + 3 * side + s];
                const float* rd = at(line, st.diffuserDelay[3 * side + s]);
                float* wr = line + p0;
                for (int i = 0; i < m; ++i) {
                    const float v = rd[i] - 0.5f * x[i];
                    wr[i] = x[i] + 0.5f * v;
                    x[i] = v;
                }
            }
        }

        // Tank: 24 combs, each with an all-pass (alternating sign) inside its loop.
        for (int j = 0; j < PlateState::kTank; ++j) {
            float* comb = lines16k[PlateState::kFirstComb + j];
            float* loop = lines16k[PlateState::kFirstLoop + j];
            const float* cTap = at(comb, st.combDelay[j]);
            const float* xTap = at(loop, st.loopDelay[j]);
            float* cWr = comb + p0;
            float* xWr = loop + p0;
            const float g = (j & 1) ? -ga : ga;   // C1 (j = 0) is odd in 1-based terms: +ga
            const float* in = diffused[plateTankFeed(j)];
            float* yj = y[j];
            float s = st.tankState[j];
            for (int i = 0; i < m; ++i) {
                const float x = -cTap[i];
                const float d = xTap[i];
                const float v = x + g * d;
                const float out = d - g * v;
                xWr[i] = v;
                s = s + (out - s) * k + nz[i];
                cWr[i] = in[i] + s * fb;
                yj[i] = out;
            }
            st.tankState[j] = s;
        }

        // Output dispersion and mix with the early network.
        {
            Biquad b9 = dispersion[8], b10 = dispersion[9], b11 = dispersion[10], b12 = dispersion[11];
            Biquad b21 = dispersion[20], b22 = dispersion[21], b23 = dispersion[22], b24 = dispersion[23];
            auto Y = [&y](int j, int i) { return y[j - 1][i]; };
            for (int i = 0; i < m; ++i) {
                const double l12 = b12.process(Y(24, i) + Y(10, i) + Y(23, i));
                const double l11 = b11.process(Y(9, i) + Y(19, i) + Y(20, i));
                const double l10 = b10.process(Y(6, i) + Y(5, i) + Y(16, i));
                const double l9 = b9.process(Y(15, i) + Y(1, i) + Y(2, i));
                const double r24 = b24.process(Y(12, i) + Y(11, i) + Y(22, i));
                const double r23 = b23.process(Y(21, i) + Y(7, i) + Y(8, i));
                const double r22 = b22.process(Y(18, i) + Y(4, i) + Y(17, i));
                const double r21 = b21.process(Y(3, i) + Y(13, i) + Y(14, i));
                const float tL = static_cast<float>(l12 + l11 + l10 + l9);
                const float tR = static_cast<float>(r24 + r23 + r22 + r21);
                workOutL[done + i] = (tL + 3.0f * early[0][i]) * kOutputScale;
                workOutR[done + i] = (tR + 3.0f * early[1][i]) * kOutputScale;
            }
            dispersion[8] = b9; dispersion[9] = b10; dispersion[10] = b11; dispersion[11] = b12;
            dispersion[20] = b21; dispersion[21] = b22; dispersion[22] = b23; dispersion[23] = b24;
        }

        write16k = (write16k + m) & kMask16k;
        if (touchesGuard(p0, m)) {
            for (int i = 0; i < PlateState::kLinesUsed; ++i) syncGuard(lines16k[i], p0, m);
            syncGuard(dl, p0, m);
            syncGuard(dr, p0, m);
        }
        done += m;
    }
}

}  // namespace moltaro
