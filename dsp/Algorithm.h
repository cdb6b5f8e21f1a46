#pragma once
// The nine reverb algorithms, in the order of the Type parameter and of their names in
// AlgorithmNames.h. The engine selects its core by this enumeration; the benchmarks and
// the artwork name the algorithms through it, so that a number never stands for an
// algorithm by a default branch.

#include "AlgorithmNames.h"

namespace moltaro {

enum class Algorithm : int { Ambience, Room, Chamber, Club, Hall, Arena, Cathedral, Spring, Plate };

constexpr Algorithm kAllAlgorithms[] = {
    Algorithm::Ambience, Algorithm::Room,      Algorithm::Chamber, Algorithm::Club,  Algorithm::Hall,
    Algorithm::Arena,    Algorithm::Cathedral, Algorithm::Spring,  Algorithm::Plate};
static_assert(sizeof kAllAlgorithms / sizeof kAllAlgorithms[0] == kNumAlgorithms, "one name per algorithm");

constexpr int indexOf(Algorithm a) { return static_cast<int>(a); }

// The algorithm for a number from the parameter model, held within 0..8.
constexpr Algorithm algorithmAt(int index) {
    return index <= 0 ? Algorithm::Ambience
                      : index >= kNumAlgorithms ? Algorithm::Plate : static_cast<Algorithm>(index);
}

// The name the user sees (at most 9 characters).
constexpr const char* nameOf(Algorithm a) { return kAlgorithmNames[indexOf(a)]; }

}  // namespace moltaro
