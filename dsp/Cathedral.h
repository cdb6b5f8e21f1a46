#pragma once
// Cathedral: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct CathedralState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
