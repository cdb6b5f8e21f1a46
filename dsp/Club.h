#pragma once
// Club: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct ClubState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
