// Club algorithm: a small room from the comb-tank network (ClubNetworkCore.h), with
// the Club's constants and routing.
#include "Engine.h"

#include <cmath>

#include "ClubNetworkCore.h"

namespace moltaro {

namespace {

struct ClubLayout {
    // Delays in samples (fixed multiples of c * 44.1, the early taps with their seeded
    // jitter already applied).
    static constexpr int kCombDelay[24] = {
        1754, 2056, 2298, 2703, 2891, 3084, 2128, 2494, 2788, 3278, 3507, 3741,
        1760, 2044, 2304, 2697, 2903, 3078, 2062, 2480, 2795, 3271, 3521, 3807};
    static constexpr int kLoopDelay[24] = {
        155, 182, 204, 203, 231, 266, 251, 381, 427, 328, 374, 430,
        157, 181, 206, 201, 236, 262, 254, 292, 333, 325, 381, 423};
    static constexpr int kEarlyDelay[24] = {
        346, 684, 1339, 1676, 2504, 2630, 3842, 4286, 4626, 5689, 5700, 6098,
        346, 678, 1384, 1774, 2516, 2787, 3944, 4141, 4464, 5713, 5991, 6074};
    static constexpr int kOutDelay[6] = {648, 504, 221, 659, 482, 232};

    // Left input into A1..A7, A9, A11, B8, B10, B12; right into the others.
    static constexpr int kFeed[24] = {0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 1,
                                      1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 0};
    // SL = A1 + A2 + B3 + B4 + A5 + A6 + B7 + B8 + B9 + B10 + B11 + B12;
    // SR = B1 + B2 + A3 + A4 + B5 + B6 + A7 + A8 + A9 + A10 + A11 + A12.
    static constexpr int kSum[2][12] = {{0, 1, 14, 15, 4, 5, 18, 19, 20, 21, 22, 23},
                                        {12, 13, 2, 3, 16, 17, 6, 7, 8, 9, 10, 11}};
    // Each channel's early taps read its own input copy.
    static constexpr bool kCrossed[12] = {};
    // A1..A6 and B1..B6 are written 1339 samples behind write16k, at T3's position.
    static constexpr bool kWritesBehind[24] = {true, true, true, true, true, true,
                                               false, false, false, false, false, false,
                                               true, true, true, true, true, true,
                                               false, false, false, false, false, false};
    static constexpr int kStateSign = +1;
    static constexpr float kOutScale = 0.1103f;
};

}  // namespace

void Engine::prepareClub() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    ClubState& st = club;

    const float decay = relaxed(params.decay);
    const float c = static_cast<float>(std::pow(4.0, 0.485) * 0.5);
    st.ga = relaxed(params.diffusion) * 0.9f * 0.7f;
    for (int m = 0; m < 12; ++m) st.gain[m] = static_cast<float>(2.5 * std::pow(clubnet::kEarlyAmplitude[m], 0.5));
    st.k = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    st.fb = static_cast<float>(
        std::pow(std::pow(7.9, std::sqrt(static_cast<double>(decay))) * 0.125, c * 0.5));
    prepareFrontEnd();
    setClubNetworkTaps<ClubLayout>(*this, st);
}

void Engine::processClub(int n) { runClubNetwork<ClubLayout>(*this, club, n); }

}  // namespace moltaro
