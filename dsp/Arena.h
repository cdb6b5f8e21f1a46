#pragma once
// Arena: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct ArenaState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
