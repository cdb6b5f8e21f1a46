// Room algorithm: setup and core routine.
#include "Engine.h"

#include <cmath>

#include "BlockwiseNetwork.h"

namespace moltaro {

namespace {

// Comb lengths in units of h: the A bank's base lengths alternate between 20.03 and
// 19.97 * 1.41421, the B bank's between 20 and 20 * 1.41421, each raised by a
// quarter-tone step 2^(m/24), m = 12 for comb 1 up to 23 for comb 12.
constexpr double kCombBaseA[2] = {20.03, 19.97 * 1.41421};
constexpr double kCombBaseB[2] = {20.0, 20.0 * 1.41421};

// All-pass lengths in units of h (scaled by 0.75 in the setup): P1..P4 left, P5..P8 right.
constexpr double kAllpassFactor[RoomState::kAllpasses] = {
    12.735, 4.7713, 9.3075, 3.5953, 12.235, 5.2713, 9.5075, 3.3953};

// Output taps: the comb each tap reads (0..11 = A1..A12, 12..23 = B1..B12) and its
// length in units of h, left channel then right.
constexpr int kOutComb[2][RoomState::kOutTaps] = {
    {0, 13, 2, 15, 4, 17, 6, 19, 8, 21, 10, 23},
    {1, 12, 3, 14, 5, 16, 7, 18, 9, 20, 11, 22}};
constexpr double kOutFactor[2][RoomState::kOutTaps] = {
    {2 * 2.36, 2.1 * 2.75, 2.2 * 3.46, 2.3 * 2.85, 2.4 * 3.95, 2.5 * 4.15, 2.6 * 5.32,
     2.7 * 4.78, 2.8 * 7.36, 2.9 * 7.34, 3.0 * 10.54, 3.1 * 10.72},
    {2 * 2.36, 2.1 * 2.74, 2.2 * 3.47, 2.3 * 2.83, 2.4 * 3.97, 2.5 * 4.14, 2.6 * 5.33,
     2.7 * 4.75, 2.8 * 7.39, 2.9 * 7.31, 3.0 * 10.57, 3.1 * 10.72}};

// Input channel of each comb (0 left, 1 right): the A bank takes the left channel in
// pairs 1-2, 5-6, 9-10, the B bank in pairs 3-4, 7-8, 11-12.
constexpr int kCombFeed[RoomState::kCombs] = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1,
                                              1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0};

constexpr float kOutScale = 0.14875f;

// Four output taps added to sum in order: sum = sum + t0 + t1 + t2 + t3, or, for the
// first group, sum = t0 + t1 + t2 + t3.
void addFourTaps(float* sum, float* const line[4], const int delay[4], bool first, int m, int p0, int size) {
    const int mask = size - 1;
    for (int i = 0; i < m;) {
        const int p = (p0 + i) & mask;
        int r[4], len = m - i;
        for (int t = 0; t < 4; ++t) {
            r[t] = (p - delay[t]) & mask;
            len = runWithin(len, r[t], size);
        }
        const float* t0 = line[0] + r[0];
        const float* t1 = line[1] + r[1];
        const float* t2 = line[2] + r[2];
        const float* t3 = line[3] + r[3];
        float* out = sum + i;
        if (first)
            for (int j = 0; j < len; ++j) out[j] = t0[j] + t1[j] + t2[j] + t3[j];
        else
            for (int j = 0; j < len; ++j) out[j] = out[j] + t0[j] + t1[j] + t2[j] + t3[j];
        i += len;
    }
}

}  // namespace

void Engine::prepareRoom() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    RoomState& r = room;

    const float decay = relaxed(params.decay);
    const float highDamp = relaxed(params.highDamp);
    const float diffusion = relaxed(params.diffusion);

    const float c = static_cast<float>(0.5 * std::pow(4.0, 0.445));
    r.g = static_cast<float>(
        std::pow(std::pow(1.0195, std::sqrt(static_cast<double>(decay))) / 1.0205, 32.0 * c));
    r.ga = 0.7f * diffusion;
    r.k = (1.0f - highDamp) * 0.8f + 0.2f;
    prepareFrontEnd();

    write16k &= kMask16k;
    const int w = write16k;
    const double h = static_cast<float>(c * 44100.0 * 0.001);

    for (int a = 0; a < RoomState::kAllpasses; ++a)
        r.allpassDelay[a] = delayOfTap16k(w, h * (kAllpassFactor[a] * 0.75));
    for (int i = 0; i < 12; ++i) {
        const double step = std::pow(2.0, (12 + i) / 24.0);
        r.combDelay[i] = delayOfTap16k(w, h * (kCombBaseA[i & 1] * step));
        r.combDelay[12 + i] = delayOfTap16k(w, h * (kCombBaseB[i & 1] * step));
    }
    for (int ch = 0; ch < 2; ++ch)
        for (int t = 0; t < RoomState::kOutTaps; ++t)
            r.outDelay[ch][t] = delayOfTap16k(w, h * kOutFactor[ch][t]);
    const int combRing = ringForTaps(r.combDelay, RoomState::kCombs);
    const int outRing = ringForTaps(&r.outDelay[0][0], 2 * RoomState::kOutTaps);
    r.combRing = combRing > outRing ? combRing : outRing;
    r.allpassRing = ringForTaps(r.allpassDelay, RoomState::kAllpasses);
}

// Each comb feeds back only into itself, so the combs run over a whole stretch, eight
// side by side (dampedCombs8); the output taps then read the comb lines, finding at
// sample i what the combs wrote up to i (no tap reaches back anywhere near a ring's
// length). The samples are those of a loop sample by sample.
void Engine::processRoom(int n) {
    RoomState& r = room;
    const int combRing = r.combRing, allpassRing = r.allpassRing;
    float* comb[RoomState::kCombs];
    for (int c = 0; c < RoomState::kCombs; ++c) comb[c] = r.combLine(lines16k, c);
    float* allpass[RoomState::kAllpasses];
    for (int a = 0; a < RoomState::kAllpasses; ++a) allpass[a] = r.allpassLine(lines16k, a);
    float nz[kStretch], u[2][kStretch], sum[2][kStretch];

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int p0 = (write16k + 1) & kMask16k;

        frontEndRun(done, m, 1, nz, u[0], u[1]);

        for (int first = 0; first < RoomState::kCombs; first += 8)
            dampedCombStretch8(comb + first, r.combDelay + first, combRing,
                               [&](int k) { return u[kCombFeed[first + k]]; }, nz, r.s + first, r.k, r.g, m, p0);

        for (int ch = 0; ch < 2; ++ch) {
            for (int t = 0; t < RoomState::kOutTaps; t += 4) {
                float* const line[4] = {comb[kOutComb[ch][t]], comb[kOutComb[ch][t + 1]],
                                        comb[kOutComb[ch][t + 2]], comb[kOutComb[ch][t + 3]]};
                addFourTaps(sum[ch], line, r.outDelay[ch] + t, t == 0, m, p0, combRing);
            }
            for (int i = 0; i < m; ++i) sum[ch][i] = kOutScale * sum[ch][i];
            allpassCascadeStretch(allpass + 4 * ch, r.allpassDelay + 4 * ch, r.ga, sum[ch], m, p0, allpassRing);
        }

        for (int i = 0; i < m; ++i) {
            workOutL[done + i] = sum[0][i];
            workOutR[done + i] = sum[1][i];
        }
        write16k = (write16k + m) & kMask16k;
        done += m;
    }
}

}  // namespace moltaro
