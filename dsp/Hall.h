#pragma once
// Hall: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct HallState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
