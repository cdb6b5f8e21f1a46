#pragma once
// Plate: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct PlateState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
