#pragma once
// The A/B memories: quick stores of the effect's 16 parameter values and the
// current program's name that outlive the host session and are shared by every
// instance, kept in the platform's key/value store.
//
// Key "ZUN-soundlab" / "ZUNmo15" / "MemoA" (or "MemoB"); values:
//   "param  0" .. "param 15"  binary, 4 bytes: the normalised value, little-endian float
//   "name"                    string: the program name
//
// [ui thread] all of it.

#include <optional>
#include <string>

#include "platform/KeyValueStore.h"

class CPresetSystemEffect;

namespace moltaro {

enum class Memory { a, b };

constexpr int kMemoryValueCount = 16;
// Longest name taken from a memory; the program keeps at most 24 characters of it.
constexpr std::size_t kMemoryNameLimit = 64;

platform::StoreKey memoryKey(Memory memory);
// "param%3d": the index right-aligned in three characters.
std::string memoryValueName(int index);

// The values a store writes, in their byte formats.
platform::StoredValues encodeMemory(const float (&values)[kMemoryValueCount], const std::string& name);

// What a stored memory holds. A value that is missing, not 4 bytes long or not a
// finite number is left empty, so that its parameter keeps its value; finite values
// outside 0..1 are clamped.
struct RecalledMemory {
    std::optional<float> values[kMemoryValueCount];
    std::optional<std::string> name;
    bool empty() const;
};
RecalledMemory decodeMemory(const platform::StoredValues& stored);

// Store: the effect's held values and the name of the current program. Recall:
// each present value through setParameterAutomated (so that the programs, the
// editor and the host follow), the name through renameCurrent, then a display
// refresh. Nothing changes when the memory was never stored or holds nothing
// usable. Both answer 0 on success, else a nonzero status that callers may ignore.
int storeMemory(CPresetSystemEffect& effect, Memory memory);
int recallMemory(CPresetSystemEffect& effect, Memory memory);

}  // namespace moltaro
