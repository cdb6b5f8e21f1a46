// Arena algorithm: setup and core routine.
#include "Engine.h"

#include <cstring>

namespace moltaro {

void Engine::prepareArena() { setupPending.store(false, std::memory_order_relaxed); }

// Not built yet: the core produces silence.
void Engine::processArena(int n) {
    std::memset(workOutL, 0, sizeof(float) * static_cast<std::size_t>(n));
    std::memset(workOutR, 0, sizeof(float) * static_cast<std::size_t>(n));
}

}  // namespace moltaro
