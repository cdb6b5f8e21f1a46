// moltaro-render with preset (*.zun) and bank (*.zub) files. The files are built here
// byte by byte from their layout: "XTKQ", a kind byte ('!' preset, '7' bank), then per
// program a 24-byte name and 16 little-endian floats.
#ifdef MOLTARO_HAVE_RENDER

#include <cstring>

#include "RenderCommand.h"

using namespace toolstest;

namespace {

constexpr size_t kRecord = 24 + 64;

struct Program {
    std::string name;
    float values[16] = {1.0f, 0.01f, 0.0f, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
};

void putRecord(std::string& bytes, const Program& p) {
    std::string name = p.name.substr(0, 24);
    name.resize(24, '\0');
    bytes += name;
    for (float v : p.values) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        for (int b = 0; b < 4; ++b) bytes += static_cast<char>((bits >> (8 * b)) & 0xff);
    }
}

std::string presetBytes(const Program& p) {
    std::string bytes = "XTKQ!";
    putRecord(bytes, p);
    return bytes;
}

std::string bankBytes(const std::vector<Program>& programs) {
    std::string bytes = "XTKQ7";
    for (const Program& p : programs) putRecord(bytes, p);
    return bytes;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

Program recordAt(const std::string& bank, int i) {
    Program p;
    const std::string raw = bank.substr(5 + kRecord * i, 24);
    p.name = raw.substr(0, raw.find('\0'));
    std::memcpy(p.values, bank.data() + 5 + kRecord * i + 24, 64);   // the test runs little-endian
    return p;
}

std::vector<Program> namedBank() {
    std::vector<Program> bank(53);
    for (int i = 0; i < 53; ++i) bank[i].name = "Program " + std::to_string(i);
    return bank;
}

}  // namespace

TEST(RenderFiles, SaveBankWritesTheBankWithTheChanges) {
    ScratchDir dir;
    const RunResult r = render(dir, {"--save-bank", dir.file("my.zub"), "-p", "Basic Hall", "--set", "Decay=0.9",
                                     "--set", "Mix=0.25"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"my.zub"});   // nothing rendered without -o
    const std::string bank = slurp(dir.file("my.zub"));
    ASSERT_EQ(bank.size(), 4669u);
    EXPECT_EQ(bank.substr(0, 5), "XTKQ7");
    const Program hall = recordAt(bank, 22), current = recordAt(bank, 0), maxAmb = recordAt(bank, 5);
    EXPECT_EQ(hall.name, "Basic Hall");
    EXPECT_FLOAT_EQ(hall.values[3], 0.9f);       // Decay went into the chosen program
    EXPECT_EQ(current.name, "Basic Hall");       // and into the working copy, program 0
    EXPECT_FLOAT_EQ(current.values[3], 0.9f);
    EXPECT_EQ(maxAmb.name, "Max Ambience");
    EXPECT_FLOAT_EQ(maxAmb.values[3], 1.0f);     // other programs keep their Decay
    EXPECT_FLOAT_EQ(maxAmb.values[9], 0.25f);    // Mix belongs to the whole bank
    EXPECT_EQ(recordAt(bank, 52).name, "Phat Drums");
}

TEST(RenderFiles, BankFileReplacesTheProgramsToChooseFrom) {
    ScratchDir dir;
    std::vector<Program> programs = namedBank();
    programs[7].name = "Wide Open Space";
    programs[7].values[1] = 0.6767f;   // Cathedral
    programs[0].values[1] = 0.8989f;   // Plate
    writeBytes(dir.file("b.zub"), bankBytes(programs));

    const RunResult list = render(dir, {"--list-presets", "--bank-file", dir.file("b.zub")});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("0\tProgram 0\tPlate\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("7\tWide Open Space\tCathedral\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("52\tProgram 52\tAmbience\n"), std::string::npos) << list.out;

    const RunResult params = render(dir, {"--list-params", "--bank-file", dir.file("b.zub"), "-p", "wide open space"});
    ASSERT_EQ(params.status, 0) << params.err;
    EXPECT_NE(params.out.find("# program \"Wide Open Space\""), std::string::npos) << params.out;
    EXPECT_NE(params.out.find("\tType\t"), std::string::npos);
    EXPECT_NE(params.out.find("Cathedral"), std::string::npos) << params.out;

    // Without --preset the bank's program 0 is used.
    const RunResult first = render(dir, {"--list-params", "--bank-file", dir.file("b.zub")});
    EXPECT_NE(first.out.find("Plate"), std::string::npos) << first.out;
}

TEST(RenderFiles, PresetFileIsWhatGetsRendered) {
    ScratchDir dir;
    Program dry;
    dry.name = "Dry Through";
    dry.values[9] = 0.0f;   // Mix 0: the effect passes the input unchanged
    writeBytes(dir.file("dry.zun"), presetBytes(dry));
    const Audio in = bursts(2, 44100, 0.8);
    ASSERT_TRUE(writeAudio(dir.file("in.wav"), in, SF_FORMAT_WAV | SF_FORMAT_FLOAT));

    const RunResult r = render(dir, {dir.file("in.wav"), "--preset-file", dir.file("dry.zun"), "--tail", "0", "-o",
                                     dir.file("out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Dry Through"), std::string::npos) << r.err;
    Audio out;
    ASSERT_TRUE(readAudio(dir.file("out.wav"), out));
    ASSERT_EQ(out.frames(), in.frames());
    EXPECT_EQ(out.samples, in.samples);
}

TEST(RenderFiles, BadFilesAndCombinationsAreRefused) {
    ScratchDir dir;
    const std::string out = dir.file("out.wav");
    writeBytes(dir.file("bank.zub"), bankBytes(namedBank()));
    Program p;
    p.name = "x";
    writeBytes(dir.file("preset.zun"), presetBytes(p));
    writeBytes(dir.file("short.zub"), bankBytes(namedBank()).substr(0, 3000));
    writeBytes(dir.file("magic.zub"), "XTKP7" + bankBytes(namedBank()).substr(5));

    expectCleanFailure(dir, {"--bank-file", dir.file("preset.zun"), "-o", out}, "Not a bank file!");
    expectCleanFailure(dir, {"--preset-file", dir.file("bank.zub"), "-o", out}, "Not a preset file!");
    expectCleanFailure(dir, {"--bank-file", dir.file("short.zub"), "-o", out}, "Invalid file format!");
    expectCleanFailure(dir, {"--bank-file", dir.file("magic.zub"), "-o", out}, "Invalid file format!");
    expectCleanFailure(dir, {"--bank-file", dir.file("none.zub"), "-o", out}, "none.zub");
    expectCleanFailure(dir, {"--preset-file", dir.file("preset.zun"), "-p", "3", "-o", out}, "--preset-file");
    expectCleanFailure(dir, {"--save-bank", dir.file("no/dir/b.zub")}, "b.zub");
    // A bank file offered for listing is checked the same way.
    expectCleanFailure(dir, {"--list-presets", "--bank-file", dir.file("preset.zun")}, "Not a bank file!");
}

#endif  // MOLTARO_HAVE_RENDER
