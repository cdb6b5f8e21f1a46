#pragma once
// Preset files (*.zun, one program) and bank files (*.zub, 53 programs): flat
// little-endian binaries without length fields.
//
//   preset, 93 bytes:   "XTKQ", kind '!', name (24 bytes), 16 floats (64 bytes)
//   bank, 4669 bytes:   "XTKQ", kind '7', then 53 times: name (24), 16 floats (64)
//
// A name is its characters followed by a zero when shorter than 24; a name of 24
// characters has no terminator in the file. Values are 32-bit IEEE floats.
//
// Reading and writing work on plain records, know nothing of the effect or of
// dialogs, and can be used by any program. A file is checked whole before its
// contents are handed out: a caller's data never changes on a refused file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace moltaro {

constexpr std::size_t kPresetFileSize = 93;
constexpr std::size_t kBankFileSize = 4669;
constexpr std::size_t kFileNameLength = 24;
constexpr int kFileValueCount = 16;
constexpr int kBankProgramCount = 53;
constexpr char kFileMagic[4] = {'X', 'T', 'K', 'Q'};
constexpr char kPresetKind = '!';
constexpr char kBankKind = '7';

// One program as stored in a file: a name of at most 24 characters (zero-filled)
// and the 16 normalised values.
struct ProgramRecord {
    char name[kFileNameLength + 1] = {};
    float values[kFileValueCount] = {};

    void setName(const char* text);
};

using BankRecords = std::array<ProgramRecord, kBankProgramCount>;

enum class FileError {
    none,
    invalidFormat,  // wrong magic, too short, or a value that is not a number
    notPreset,      // right magic, kind byte not '!'
    notBank,        // right magic, kind byte not '7'
    cannotOpen,
    cannotRead,
};

// The words shown to the user: "Invalid file format!", "Not a preset file!",
// "Not a bank file!", or a description for the others.
const char* fileErrorMessage(FileError error);

std::vector<std::uint8_t> encodePreset(const ProgramRecord& program);
std::vector<std::uint8_t> encodeBank(const BankRecords& bank);

// Decoding checks in this order: magic, kind byte, length, values (every value
// must be finite). Values outside 0..1 are clamped. Bytes past the end of the
// layout are ignored. On any error `out` is left untouched.
FileError decodePreset(const std::uint8_t* data, std::size_t size, ProgramRecord& out);
FileError decodeBank(const std::uint8_t* data, std::size_t size, BankRecords& out);

// Files are opened for reading only, so write-protected files load. `detail`
// receives the system's reason when the file cannot be opened or read.
FileError readPresetFile(const std::string& path, ProgramRecord& out, std::string* detail = nullptr);
FileError readBankFile(const std::string& path, BankRecords& out, std::string* detail = nullptr);

// Writes through a temporary file beside the target and replaces the target only
// when the whole file is written, so a failed save leaves any old file intact.
bool writePresetFile(const std::string& path, const ProgramRecord& program, std::string* error = nullptr);
bool writeBankFile(const std::string& path, const BankRecords& bank, std::string* error = nullptr);

}  // namespace moltaro
