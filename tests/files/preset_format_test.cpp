// Preset and bank file layouts, checked byte by byte against layouts put together
// here from known float bit patterns, and every way a file can be refused.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sys/stat.h>

#include "FilesTestSupport.h"
#include "presetsystem/PresetFiles.h"

using namespace moltaro;
using filestest::TempDir;

namespace {

// Values whose IEEE bit patterns are known, so that the expected bytes do not
// come from the code under test.
struct KnownValue {
    float value;
    std::uint32_t bits;
};
const KnownValue kKnown[16] = {
    {1.0f, 0x3f800000}, {0.5f, 0x3f000000},  {0.25f, 0x3e800000},  {0.0f, 0x00000000},
    {0.75f, 0x3f400000}, {0.125f, 0x3e000000}, {0.375f, 0x3ec00000}, {0.0625f, 0x3d800000},
    {1.0f, 0x3f800000}, {0.5f, 0x3f000000},  {0.875f, 0x3f600000}, {0.0f, 0x00000000},
    {0.25f, 0x3e800000}, {0.0f, 0x00000000},  {0.5f, 0x3f000000},  {0.9375f, 0x3f700000},
};

ProgramRecord knownProgram(const char* name, int rotate = 0) {
    ProgramRecord r;
    r.setName(name);
    for (int i = 0; i < 16; ++i) r.values[i] = kKnown[(i + rotate) % 16].value;
    return r;
}

void appendRecord(std::vector<std::uint8_t>& out, const std::string& name, int rotate) {
    for (std::size_t i = 0; i < 24; ++i) out.push_back(i < name.size() ? std::uint8_t(name[i]) : 0);
    for (int i = 0; i < 16; ++i) {
        std::uint32_t bits = kKnown[(i + rotate) % 16].bits;
        out.push_back(bits & 0xff);
        out.push_back((bits >> 8) & 0xff);
        out.push_back((bits >> 16) & 0xff);
        out.push_back(bits >> 24);
    }
}

std::vector<std::uint8_t> expectedPreset(const std::string& name) {
    std::vector<std::uint8_t> out = {0x58, 0x54, 0x4b, 0x51, 0x21};
    appendRecord(out, name, 0);
    return out;
}

std::string bankName(int i) { return "Program " + std::to_string(i); }

BankRecords knownBank() {
    BankRecords bank;
    for (int i = 0; i < kBankProgramCount; ++i) bank[i] = knownProgram(bankName(i).c_str(), i);
    return bank;
}

std::vector<std::uint8_t> expectedBank() {
    std::vector<std::uint8_t> out = {0x58, 0x54, 0x4b, 0x51, 0x37};
    for (int i = 0; i < kBankProgramCount; ++i) appendRecord(out, bankName(i), i);
    return out;
}

bool sameRecord(const ProgramRecord& a, const ProgramRecord& b) {
    return std::memcmp(a.name, b.name, sizeof a.name) == 0 && std::memcmp(a.values, b.values, sizeof a.values) == 0;
}

ProgramRecord sentinelRecord() {
    ProgramRecord r = knownProgram("untouched", 5);
    return r;
}

void putFloatAt(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t bits) {
    for (int k = 0; k < 4; ++k) bytes[offset + k] = std::uint8_t(bits >> (8 * k));
}

}  // namespace

TEST(PresetFileLayout, WritesTheExactBytesOfTheLayout) {
    auto bytes = encodePreset(knownProgram("Big Hall"));
    ASSERT_EQ(bytes.size(), kPresetFileSize);
    EXPECT_EQ(bytes, expectedPreset("Big Hall"));
}

TEST(PresetFileLayout, BankWritesTheExactBytesOfTheLayout) {
    auto bytes = encodeBank(knownBank());
    ASSERT_EQ(bytes.size(), kBankFileSize);
    EXPECT_EQ(bytes, expectedBank());
}

TEST(PresetFileLayout, NameOfTwentyFourCharactersHasNoTerminatorAndSurvives) {
    const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWX";
    ASSERT_EQ(name.size(), 24u);
    auto bytes = encodePreset(knownProgram(name.c_str()));
    EXPECT_EQ(bytes, expectedPreset(name));
    EXPECT_EQ(bytes[28], 'X');

    ProgramRecord back;
    ASSERT_EQ(decodePreset(bytes.data(), bytes.size(), back), FileError::none);
    EXPECT_EQ(std::string(back.name), name);
}

TEST(PresetFileLayout, NameBytesAfterTheTerminatorAreIgnored) {
    auto bytes = expectedPreset("Room");
    bytes[5 + 5] = 'z';  // after "Room\0"
    ProgramRecord back;
    ASSERT_EQ(decodePreset(bytes.data(), bytes.size(), back), FileError::none);
    EXPECT_EQ(std::string(back.name), "Room");
    for (std::size_t i = 4; i < sizeof back.name; ++i) EXPECT_EQ(back.name[i], 0);
}

TEST(PresetFileLayout, ReadsTheLayoutBackExactly) {
    auto bytes = expectedBank();
    BankRecords back;
    ASSERT_EQ(decodeBank(bytes.data(), bytes.size(), back), FileError::none);
    BankRecords expected = knownBank();
    for (int i = 0; i < kBankProgramCount; ++i) EXPECT_TRUE(sameRecord(back[i], expected[i])) << "program " << i;
}

TEST(PresetFileLayout, ValuesOutsideZeroToOneAreClamped) {
    auto bytes = expectedPreset("Clamp");
    putFloatAt(bytes, 29 + 4 * 3, 0x40000000);   // 2.0
    putFloatAt(bytes, 29 + 4 * 4, 0xbf800000);   // -1.0
    putFloatAt(bytes, 29 + 4 * 5, 0x7f7fffff);   // largest finite float
    ProgramRecord back;
    ASSERT_EQ(decodePreset(bytes.data(), bytes.size(), back), FileError::none);
    EXPECT_EQ(back.values[3], 1.0f);
    EXPECT_EQ(back.values[4], 0.0f);
    EXPECT_EQ(back.values[5], 1.0f);
    EXPECT_EQ(back.values[6], kKnown[6].value);
}

TEST(PresetFileLayout, BytesBeyondTheLayoutAreIgnored) {
    auto bytes = expectedPreset("Longer");
    bytes.push_back(0xff);
    ProgramRecord back;
    EXPECT_EQ(decodePreset(bytes.data(), bytes.size(), back), FileError::none);
    EXPECT_STREQ(back.name, "Longer");
}

TEST(PresetFileRefusals, WrongMagicInAnyByteIsInvalidAndChangesNothing) {
    for (int which = 0; which < 4; ++which) {
        auto preset = expectedPreset("x");
        auto bank = expectedBank();
        preset[which] ^= 0x20;
        bank[which] ^= 0x20;
        ProgramRecord r = sentinelRecord();
        BankRecords b = knownBank();
        EXPECT_EQ(decodePreset(preset.data(), preset.size(), r), FileError::invalidFormat) << "byte " << which;
        EXPECT_EQ(decodeBank(bank.data(), bank.size(), b), FileError::invalidFormat) << "byte " << which;
        EXPECT_TRUE(sameRecord(r, sentinelRecord()));
        EXPECT_TRUE(sameRecord(b[0], knownBank()[0]));
    }
    EXPECT_STREQ(fileErrorMessage(FileError::invalidFormat), "Invalid file format!");
}

TEST(PresetFileRefusals, KindBytesAreTold) {
    auto preset = expectedPreset("p");
    auto bank = expectedBank();
    ProgramRecord r = sentinelRecord();
    BankRecords b = knownBank();
    EXPECT_EQ(decodeBank(preset.data(), preset.size(), b), FileError::notBank);
    EXPECT_EQ(decodePreset(bank.data(), bank.size(), r), FileError::notPreset);
    for (int kind : {0, 0x20, 0x22, 0x36, 0x38, 0xff}) {
        bank[4] = std::uint8_t(kind);
        preset[4] = std::uint8_t(kind);
        EXPECT_EQ(decodeBank(bank.data(), bank.size(), b), FileError::notBank) << kind;
        EXPECT_EQ(decodePreset(preset.data(), preset.size(), r), FileError::notPreset) << kind;
    }
    EXPECT_TRUE(sameRecord(r, sentinelRecord()));
    EXPECT_TRUE(sameRecord(b[52], knownBank()[52]));
    EXPECT_STREQ(fileErrorMessage(FileError::notBank), "Not a bank file!");
    EXPECT_STREQ(fileErrorMessage(FileError::notPreset), "Not a preset file!");
}

TEST(PresetFileRefusals, ShortFilesOfEveryLengthAreInvalidAndChangeNothing) {
    auto preset = expectedPreset("short");
    for (std::size_t n = 0; n < kPresetFileSize; ++n) {
        ProgramRecord r = sentinelRecord();
        EXPECT_EQ(decodePreset(preset.data(), n, r), FileError::invalidFormat) << n << " bytes";
        EXPECT_TRUE(sameRecord(r, sentinelRecord()));
    }
    auto bank = expectedBank();
    for (std::size_t n : {std::size_t(0), std::size_t(3), std::size_t(4), std::size_t(5), std::size_t(93),
                          kBankFileSize - 88, kBankFileSize - 1}) {
        BankRecords b = knownBank();
        b[0].setName("sentinel");
        EXPECT_EQ(decodeBank(bank.data(), n, b), FileError::invalidFormat) << n << " bytes";
        EXPECT_STREQ(b[0].name, "sentinel");
    }
}

TEST(PresetFileRefusals, NonFiniteValuesAreInvalidAndChangeNothing) {
    const std::uint32_t bad[] = {0x7fc00000, 0xffc00000, 0x7f800001, 0x7f800000, 0xff800000};
    for (std::uint32_t bits : bad) {
        auto preset = expectedPreset("nan");
        putFloatAt(preset, 29 + 4 * 15, bits);
        ProgramRecord r = sentinelRecord();
        EXPECT_EQ(decodePreset(preset.data(), preset.size(), r), FileError::invalidFormat) << std::hex << bits;
        EXPECT_TRUE(sameRecord(r, sentinelRecord()));

        // A bad value in the last program must still leave the first ones alone.
        auto bank = expectedBank();
        putFloatAt(bank, 29 + 88 * 52 + 4 * 7, bits);
        BankRecords b;
        for (auto& p : b) p = sentinelRecord();
        EXPECT_EQ(decodeBank(bank.data(), bank.size(), b), FileError::invalidFormat);
        for (const auto& p : b) EXPECT_TRUE(sameRecord(p, sentinelRecord()));
    }
}

TEST(PresetFileDisk, SaveAndLoadRoundTripsExactly) {
    TempDir dir;
    ProgramRecord p = knownProgram("Round trip");
    p.values[2] = 0.123456789f;
    p.values[7] = 1e-30f;
    ASSERT_TRUE(writePresetFile(dir.file("a.zun"), p));
    EXPECT_EQ(filestest::readBytes(dir.file("a.zun")).size(), kPresetFileSize);
    ProgramRecord back;
    ASSERT_EQ(readPresetFile(dir.file("a.zun"), back), FileError::none);
    EXPECT_TRUE(sameRecord(back, p));

    BankRecords bank = knownBank();
    bank[17].setName("ABCDEFGHIJKLMNOPQRSTUVWX");
    ASSERT_TRUE(writeBankFile(dir.file("b.zub"), bank));
    EXPECT_EQ(filestest::readBytes(dir.file("b.zub")).size(), kBankFileSize);
    BankRecords bankBack;
    ASSERT_EQ(readBankFile(dir.file("b.zub"), bankBack), FileError::none);
    for (int i = 0; i < kBankProgramCount; ++i) EXPECT_TRUE(sameRecord(bankBack[i], bank[i])) << i;
}

TEST(PresetFileDisk, WriteProtectedFileLoads) {
    TempDir dir;
    std::string path = dir.file("protected.zun");
    filestest::writeBytes(path, expectedPreset("Protected"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ProgramRecord back;
    EXPECT_EQ(readPresetFile(path, back), FileError::none);
    EXPECT_STREQ(back.name, "Protected");
}

TEST(PresetFileDisk, MissingFileAndFolderAreReportedAsSuch) {
    TempDir dir;
    ProgramRecord r = sentinelRecord();
    std::string detail;
    EXPECT_EQ(readPresetFile(dir.file("none.zun"), r, &detail), FileError::cannotOpen);
    EXPECT_FALSE(detail.empty());
    BankRecords b;
    EXPECT_NE(readBankFile(dir.path().string(), b), FileError::none);
    EXPECT_TRUE(sameRecord(r, sentinelRecord()));
}

TEST(PresetFileDisk, ShortFileOnDiskIsInvalid) {
    TempDir dir;
    auto bytes = expectedBank();
    bytes.resize(4000);
    filestest::writeBytes(dir.file("cut.zub"), bytes);
    BankRecords b;
    b[3].setName("keep");
    EXPECT_EQ(readBankFile(dir.file("cut.zub"), b), FileError::invalidFormat);
    EXPECT_STREQ(b[3].name, "keep");
}
