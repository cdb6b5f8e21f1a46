#include "presetsystem/CProgram.h"

#include <cmath>
#include <cstring>

namespace {
constexpr float kDefaultValues[CProgram::kNumValues] = {
    1.0f, 0.01f, 0.0f, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
}

CProgram::CProgram() {
    setName("init");
    for (int i = 0; i < kNumValues; ++i) values[i].store(kDefaultValues[i], std::memory_order_relaxed);
}

CProgram::CProgram(const CProgram& other) { *this = other; }

CProgram& CProgram::operator=(const CProgram& other) {
    if (this == &other) return *this;
    std::memcpy(nameBytes, other.nameBytes, kNameBytes);
    for (int i = 0; i < kNumValues; ++i)
        values[i].store(other.values[i].load(std::memory_order_relaxed), std::memory_order_relaxed);
    return *this;
}

void CProgram::setName(const char* text) {
    // Copied through a local buffer: text may be this program's own name
    // (loadProgram(0) names program 0 after itself).
    char copy[kNameBytes] = {};
    for (std::size_t i = 0; text && i < kMaxNameLength && text[i]; ++i) copy[i] = text[i];
    std::memcpy(nameBytes, copy, kNameBytes);
}

void CProgram::getName(char* text) const {
    if (text) std::memcpy(text, nameBytes, std::strlen(nameBytes) + 1);
}

void CProgram::setParameter(int index, float value) {
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(kNumValues)) return;
    // A NaN has no place in 0..1 and would survive clamping; keep the old value.
    if (std::isnan(value)) return;
    if (value < 0.0f) value = 0.0f;
    else if (value > 1.0f) value = 1.0f;
    values[index].store(value, std::memory_order_relaxed);
}

float CProgram::getParameter(int index) const {
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(kNumValues)) return -1.0f;
    return values[index].load(std::memory_order_relaxed);
}
