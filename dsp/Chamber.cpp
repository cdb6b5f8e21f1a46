// Chamber algorithm: the Club's comb-tank network (ClubNetworkCore.h) with the
// Chamber's constants, its inverted comb write-back, its crosswise input spread and
// every comb written at write16k.
#include "Engine.h"

#include <cmath>

#include "ClubNetworkCore.h"

namespace moltaro {

namespace {

struct ChamberLayout {
    static constexpr int kCombDelay[24] = {
        1024, 1200, 1341, 1577, 1687, 1799, 1552, 1819, 2033, 2391, 2557, 2728,
        1025, 1198, 1343, 1575, 1689, 1833, 1554, 1817, 2036, 2388, 2560, 2725};
    static constexpr int kLoopDelay[24] = {
        159, 186, 209, 207, 236, 272, 256, 389, 436, 335, 382, 439,
        159, 186, 209, 207, 236, 274, 257, 301, 337, 335, 382, 440};
    static constexpr int kEarlyDelay[24] = {
        221, 434, 852, 1072, 1593, 1695, 2447, 2719, 2936, 3611, 3658, 3906,
        221, 427, 883, 1130, 1600, 1776, 2500, 2643, 2852, 3624, 3809, 3894};
    static constexpr int kOutDelay[6] = {674, 493, 253, 676, 495, 254};

    // Left input into A1, A3, ..., A11 and B2, B4, ..., B12; right into the others.
    static constexpr int kFeed[24] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,
                                      1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
    // SL = A1 + A2 + B3 + B4 + A5 + A6 + B7 + B8 + A9 + A10 + B11 + B12;
    // SR = B1 + B2 + A3 + A4 + B5 + B6 + A7 + A8 + B9 + B10 + A11 + A12.
    static constexpr int kSum[2][12] = {{0, 1, 14, 15, 4, 5, 18, 19, 8, 9, 22, 23},
                                        {12, 13, 2, 3, 16, 17, 6, 7, 20, 21, 10, 11}};
    // Taps 3, 6, 8, 10 and 12 of each channel read the other channel's input copy.
    static constexpr bool kCrossed[12] = {false, false, true, false, false, true,
                                          false, true, false, true, false, true};
    static constexpr bool kWritesBehind[24] = {};
    // The damped state is subtracted at the comb write.
    static constexpr int kStateSign = -1;
    static constexpr float kOutScale = 0.09177f;
};

}  // namespace

void Engine::prepareChamber() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    ChamberState& st = chamber;

    const float decay = relaxed(params.decay);
    const float c = static_cast<float>(std::pow(4.0, 0.5) * 0.5);
    st.ga = relaxed(params.diffusion) * 0.68f * 0.7f;
    for (int m = 0; m < 12; ++m)  // the amplitudes flattened with a power of 0.3
        st.gain[m] = static_cast<float>(2.0 * std::pow(clubnet::kEarlyAmplitude[m], static_cast<double>(0.3f)));
    st.k = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    st.fb = static_cast<float>(
        std::pow(std::pow(4.9, std::sqrt(static_cast<double>(decay))) / 5.0, c * 0.5));
    prepareFrontEnd();
    setClubNetworkTaps<ChamberLayout>(*this, st);
}

void Engine::processChamber(int n) { runClubNetwork<ChamberLayout>(*this, chamber, n); }

}  // namespace moltaro
