#pragma once
// Spring: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct SpringState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
