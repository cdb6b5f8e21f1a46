#include "presetsystem/Memories.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "presetsystem/CPresetSystemEffect.h"

namespace moltaro {

namespace {

int statusCode(platform::StoreStatus s) {
    switch (s) {
        case platform::StoreStatus::ok: return 0;
        case platform::StoreStatus::notFound: return 2;
        case platform::StoreStatus::failed: return 1;
    }
    return 1;
}

}  // namespace

platform::StoreKey memoryKey(Memory memory) {
    return {"ZUN-soundlab", "ZUNmo15", memory == Memory::a ? "MemoA" : "MemoB"};
}

std::string memoryValueName(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "param%3d", index);
    return text;
}

platform::StoredValues encodeMemory(const float (&values)[kMemoryValueCount], const std::string& name) {
    platform::StoredValues stored;
    for (int i = 0; i < kMemoryValueCount; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &values[i], 4);
        stored[memoryValueName(i)] = platform::StoredValue::binaryValue(
            {std::uint8_t(bits), std::uint8_t(bits >> 8), std::uint8_t(bits >> 16), std::uint8_t(bits >> 24)});
    }
    stored["name"] = platform::StoredValue::stringValue(name);
    return stored;
}

bool RecalledMemory::empty() const {
    for (const auto& v : values)
        if (v) return false;
    return !name;
}

RecalledMemory decodeMemory(const platform::StoredValues& stored) {
    RecalledMemory m;
    for (int i = 0; i < kMemoryValueCount; ++i) {
        auto it = stored.find(memoryValueName(i));
        if (it == stored.end() || it->second.type != platform::StoredValue::Type::binary ||
            it->second.bytes.size() != 4)
            continue;
        const auto& b = it->second.bytes;
        std::uint32_t bits = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                             std::uint32_t(b[3]) << 24;
        float v;
        std::memcpy(&v, &bits, 4);
        if (!std::isfinite(v)) continue;
        m.values[i] = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    }
    auto it = stored.find("name");
    if (it != stored.end() && it->second.type == platform::StoredValue::Type::string) {
        std::string name = it->second.text();
        name = name.substr(0, name.find('\0'));
        if (name.size() > kMemoryNameLimit) name.resize(kMemoryNameLimit);
        m.name = name;
    }
    return m;
}

int storeMemory(CPresetSystemEffect& effect, Memory memory) {
    float values[kMemoryValueCount];
    for (int i = 0; i < kMemoryValueCount; ++i) values[i] = effect.getParameter(i);
    char name[CProgram::kNameBytes] = {};
    if (const CProgram* current = effect.getProgramRecord(effect.getCurrentProgram())) current->getName(name);
    return statusCode(platform::keyValueStore().write(memoryKey(memory), encodeMemory(values, name)));
}

int recallMemory(CPresetSystemEffect& effect, Memory memory) {
    platform::StoredValues stored;
    platform::StoreStatus status = platform::keyValueStore().read(memoryKey(memory), stored);
    if (status != platform::StoreStatus::ok) return statusCode(status);
    RecalledMemory m = decodeMemory(stored);
    if (m.empty()) return statusCode(platform::StoreStatus::failed);
    for (int i = 0; i < kMemoryValueCount; ++i)
        if (m.values[i]) effect.setParameterAutomated(i, *m.values[i]);
    if (m.name) effect.renameCurrent(m.name->c_str());
    effect.updateDisplay();
    return 0;
}

}  // namespace moltaro

int CPresetSystemEffect::storeMemoA() { return moltaro::storeMemory(*this, moltaro::Memory::a); }
int CPresetSystemEffect::storeMemoB() { return moltaro::storeMemory(*this, moltaro::Memory::b); }
int CPresetSystemEffect::recallMemoA() { return moltaro::recallMemory(*this, moltaro::Memory::a); }
int CPresetSystemEffect::recallMemoB() { return moltaro::recallMemory(*this, moltaro::Memory::b); }
