#pragma once
// Room: running taps and filter states (filled in with the algorithm).

#include "Blocks.h"

namespace moltaro {

struct RoomState {
    void clear(ClearReason) {}
};

}  // namespace moltaro
