#pragma once
// One named program: a name of at most 24 characters and the normalised values of
// the 16 host-visible parameters, each kept within 0..1.
//
// Values may be written by host automation on any thread while the user interface
// reads them, so each is a relaxed atomic. Names change on the user-interface thread only.

#include <atomic>
#include <cstddef>

class CProgram {
public:
    static constexpr int kNumValues = 16;
    static constexpr std::size_t kMaxNameLength = 24;
    static constexpr std::size_t kNameBytes = kMaxNameLength + 1;

    // Named "init", holding the default value of every parameter.
    CProgram();
    CProgram(const CProgram& other);
    CProgram& operator=(const CProgram& other);
    virtual ~CProgram() = default;

    // Clears the whole name, then copies at most 24 characters of text (null: empty name).
    virtual void setName(const char* text);
    // Copies the name with its terminator (at most 25 bytes) into text.
    virtual void getName(char* text) const;
    // Ignored for indices outside 0..15 and for NaN; other values are clamped to 0..1.
    virtual void setParameter(int index, float value);
    // The stored value, or -1.0 for indices outside 0..15.
    virtual float getParameter(int index) const;

    const char* name() const { return nameBytes; }

private:
    char nameBytes[kNameBytes];
    std::atomic<float> values[kNumValues];
};
