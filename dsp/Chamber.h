#pragma once
// Chamber: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct ChamberState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
