#pragma once
// Ambience: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct AmbienceState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
