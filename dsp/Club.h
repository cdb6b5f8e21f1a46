#pragma once
// Club: the comb-tank network with the Club's constants and routing (Club.cpp).

#include "ClubNetwork.h"

namespace moltaro {

struct ClubState : ClubNetworkState {};

}  // namespace moltaro
