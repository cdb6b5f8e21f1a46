#pragma once
// Chamber: the Club's comb-tank network with the Chamber's constants, signs and
// routing (Chamber.cpp).

#include "ClubNetwork.h"

namespace moltaro {

struct ChamberState : ClubNetworkState {};

}  // namespace moltaro
