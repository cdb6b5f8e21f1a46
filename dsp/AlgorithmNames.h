#pragma once
// The nine reverb algorithms by number, as users read them: in parameter texts, the
// editor's menu, plug-in ports, reports and benchmark labels.

namespace moltaro {

inline constexpr const char* kAlgorithmNames[] = {"Ambience", "Room",      "Chamber", "Club", "Hall",
                                                  "Arena",    "Cathedral", "Spring",  "Plate"};
inline constexpr int kNumAlgorithms = sizeof kAlgorithmNames / sizeof kAlgorithmNames[0];

}  // namespace moltaro
