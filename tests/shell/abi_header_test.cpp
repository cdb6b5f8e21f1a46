// The interface header on its own: strict compiles for 64- and 32-bit targets (its
// static_asserts pin every record's layout), and the packed four-character constants.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "shell/vst2abi.h"

namespace {

struct Result {
    int status;
    std::string output;
};

Result run(const std::string& command) {
    Result r{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) r.output += buffer;
    r.status = pclose(pipe);
    return r;
}

// Compiles a one-line translation unit that includes only the header.
Result compileHeader(const std::string& flags) {
    return run(std::string("echo '#include \"shell/vst2abi.h\"' | \"") + MOLTARO_CXX_COMPILER +
               "\" -std=c++17 -ffreestanding -fsyntax-only -Wall -Wextra -pedantic -Werror " +
               flags + " -I\"" MOLTARO_SOURCE_DIR "\" -x c++ -");
}

}  // namespace

TEST(AbiHeader, CompilesStrictlyOnItsOwnFor64Bit) {
    const Result r = compileHeader("-m64");
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST(AbiHeader, CompilesStrictlyOnItsOwnFor32Bit) {
    const Result probe = run(std::string("echo 'static_assert(sizeof(void*) == 4, \"\");' | \"") +
                             MOLTARO_CXX_COMPILER + "\" -m32 -fsyntax-only -x c++ -");
    if (probe.status != 0) GTEST_SKIP() << "the compiler cannot target 32-bit x86 here";
    const Result r = compileHeader("-m32");
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST(AbiHeader, FourCharacterConstantsArePackedBigEndian) {
    EXPECT_EQ(kEffectMagic, 0x56737450);
    EXPECT_EQ(kEffectIdentify, 0x4E764566);
    EXPECT_EQ(vstFourCC('Q', 'K', 'T', 'X'), 0x514B5458);
    EXPECT_EQ(vstFourCC('\xff', 0, 0, 1), static_cast<VstInt32>(0xff000001u));
}
