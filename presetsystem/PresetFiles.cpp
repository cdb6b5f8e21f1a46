#include "presetsystem/PresetFiles.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/AtomicFile.h"

namespace moltaro {

namespace {

constexpr std::size_t kHeaderSize = 5;
constexpr std::size_t kRecordSize = kFileNameLength + 4 * kFileValueCount;  // 88

std::size_t nameLength(const char* name) {
    std::size_t n = 0;
    while (n < kFileNameLength && name[n] != 0) ++n;
    return n;
}

void putFloat(std::vector<std::uint8_t>& out, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

float getFloat(const std::uint8_t* p) {
    std::uint32_t bits = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                         std::uint32_t(p[3]) << 24;
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

void putHeader(std::vector<std::uint8_t>& out, char kind) {
    out.insert(out.end(), kFileMagic, kFileMagic + 4);
    out.push_back(static_cast<std::uint8_t>(kind));
}

void putRecord(std::vector<std::uint8_t>& out, const ProgramRecord& r) {
    std::size_t length = nameLength(r.name);
    out.insert(out.end(), r.name, r.name + length);
    out.insert(out.end(), kFileNameLength - length, 0);
    for (float v : r.values) putFloat(out, v);
}

FileError checkHeader(const std::uint8_t* data, std::size_t size, char kind, FileError wrongKind,
                      std::size_t fullSize) {
    for (std::size_t i = 0; i < 4; ++i)
        if (i >= size || data[i] != static_cast<std::uint8_t>(kFileMagic[i])) return FileError::invalidFormat;
    if (size < kHeaderSize) return FileError::invalidFormat;
    if (data[4] != static_cast<std::uint8_t>(kind)) return wrongKind;
    if (size < fullSize) return FileError::invalidFormat;
    return FileError::none;
}

// False when a value is not a finite number.
bool readRecord(const std::uint8_t* p, ProgramRecord& r) {
    ProgramRecord read;
    std::memcpy(read.name, p, kFileNameLength);
    read.name[kFileNameLength] = 0;
    // Bytes after a terminator carry no meaning.
    std::size_t length = nameLength(read.name);
    std::memset(read.name + length, 0, sizeof read.name - length);
    for (int i = 0; i < kFileValueCount; ++i) {
        float v = getFloat(p + kFileNameLength + 4 * i);
        if (!std::isfinite(v)) return false;
        read.values[i] = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    }
    r = read;
    return true;
}

// Reads at most `limit` bytes: anything a valid file holds beyond that is ignored.
FileError readStart(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                    std::string* detail) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (detail) *detail = std::strerror(errno);
        return FileError::cannotOpen;
    }
    bytes.resize(limit);
    std::size_t n = std::fread(bytes.data(), 1, limit, f);
    bool failed = std::ferror(f) != 0;
    int err = errno;
    std::fclose(f);
    bytes.resize(n);
    if (failed) {
        if (detail) *detail = std::strerror(err);
        return FileError::cannotRead;
    }
    return FileError::none;
}

}  // namespace

void ProgramRecord::setName(const char* text) {
    std::memset(name, 0, sizeof name);
    if (text) std::strncpy(name, text, kFileNameLength);
}

const char* fileErrorMessage(FileError error) {
    switch (error) {
        case FileError::none: return "";
        case FileError::invalidFormat: return "Invalid file format!";
        case FileError::notPreset: return "Not a preset file!";
        case FileError::notBank: return "Not a bank file!";
        case FileError::cannotOpen: return "The file could not be opened.";
        case FileError::cannotRead: return "The file could not be read.";
    }
    return "";
}

std::vector<std::uint8_t> encodePreset(const ProgramRecord& program) {
    std::vector<std::uint8_t> out;
    out.reserve(kPresetFileSize);
    putHeader(out, kPresetKind);
    putRecord(out, program);
    return out;
}

std::vector<std::uint8_t> encodeBank(const BankRecords& bank) {
    std::vector<std::uint8_t> out;
    out.reserve(kBankFileSize);
    putHeader(out, kBankKind);
    for (const auto& r : bank) putRecord(out, r);
    return out;
}

FileError decodePreset(const std::uint8_t* data, std::size_t size, ProgramRecord& out) {
    if (FileError e = checkHeader(data, size, kPresetKind, FileError::notPreset, kPresetFileSize);
        e != FileError::none)
        return e;
    ProgramRecord read;
    if (!readRecord(data + kHeaderSize, read)) return FileError::invalidFormat;
    out = read;
    return FileError::none;
}

FileError decodeBank(const std::uint8_t* data, std::size_t size, BankRecords& out) {
    if (FileError e = checkHeader(data, size, kBankKind, FileError::notBank, kBankFileSize); e != FileError::none)
        return e;
    BankRecords read;
    for (int i = 0; i < kBankProgramCount; ++i)
        if (!readRecord(data + kHeaderSize + kRecordSize * i, read[i])) return FileError::invalidFormat;
    out = read;
    return FileError::none;
}

FileError readPresetFile(const std::string& path, ProgramRecord& out, std::string* detail) {
    std::vector<std::uint8_t> bytes;
    if (FileError e = readStart(path, kPresetFileSize, bytes, detail); e != FileError::none) return e;
    return decodePreset(bytes.data(), bytes.size(), out);
}

FileError readBankFile(const std::string& path, BankRecords& out, std::string* detail) {
    std::vector<std::uint8_t> bytes;
    if (FileError e = readStart(path, kBankFileSize, bytes, detail); e != FileError::none) return e;
    return decodeBank(bytes.data(), bytes.size(), out);
}

bool writePresetFile(const std::string& path, const ProgramRecord& program, std::string* error) {
    return platform::writeFileAtomically(path, encodePreset(program), error);
}

bool writeBankFile(const std::string& path, const BankRecords& bank, std::string* error) {
    return platform::writeFileAtomically(path, encodeBank(bank), error);
}

}  // namespace moltaro
