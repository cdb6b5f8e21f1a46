#include <gtest/gtest.h>

#include "tools/Options.h"

using render::Options;
using render::parseOptions;
using render::SampleFormat;

namespace {

bool parse(std::vector<std::string> args, Options& o, std::string& error) {
    return parseOptions(args, o, error);
}

std::string failure(std::vector<std::string> args) {
    Options o;
    std::string error;
    EXPECT_FALSE(parse(args, o, error)) << "accepted: " << testing::PrintToString(args);
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
}

}  // namespace

TEST(RenderOptions, FullRenderCommandIsUnderstood) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"in.flac", "-o", "out.wav", "--preset", "Basic Hall", "--set", "Decay=0.8",
                       "--set=Mix=0.3", "--format", "pcm24", "--tail", "7.5", "-q"},
                      o, error))
        << error;
    EXPECT_EQ(o.input, "in.flac");
    EXPECT_EQ(o.output, "out.wav");
    EXPECT_EQ(o.preset, "Basic Hall");
    ASSERT_EQ(o.settings.size(), 2u);
    EXPECT_EQ(o.settings[0].name, "Decay");
    EXPECT_FLOAT_EQ(o.settings[0].value, 0.8f);
    EXPECT_EQ(o.settings[1].name, "Mix");
    EXPECT_FLOAT_EQ(o.settings[1].value, 0.3f);
    EXPECT_EQ(o.format, SampleFormat::Pcm24);
    EXPECT_DOUBLE_EQ(o.tailSeconds, 7.5);
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(o.rendering());
}

TEST(RenderOptions, DefaultsAndShortForms) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"-oout.wav", "-p22", "-f", "pcm16", "-r", "48000"}, o, error)) << error;
    EXPECT_TRUE(o.input.empty());   // demo sound
    EXPECT_EQ(o.output, "out.wav");
    EXPECT_EQ(o.preset, "22");
    EXPECT_EQ(o.format, SampleFormat::Pcm16);
    EXPECT_EQ(o.demoRate, 48000);

    Options d;
    ASSERT_TRUE(parse({"-o", "x.wav"}, d, error)) << error;
    EXPECT_EQ(d.format, SampleFormat::Float);
    EXPECT_DOUBLE_EQ(d.tailSeconds, 20.0);
    EXPECT_FALSE(d.quiet);
    EXPECT_TRUE(d.settings.empty());
}

TEST(RenderOptions, ListingsNeedNoOutputFile) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"--list-presets"}, o, error)) << error;
    EXPECT_TRUE(o.listPresets);
    EXPECT_FALSE(o.rendering());
    Options p;
    ASSERT_TRUE(parse({"--list-params", "--preset", "7", "--set", "Decay=1"}, p, error)) << error;
    EXPECT_TRUE(p.listParams);
    Options h;
    ASSERT_TRUE(parse({"--help"}, h, error));
    EXPECT_TRUE(h.help);
}

TEST(RenderOptions, FileNamesStartingWithDashAfterDoubleDash) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"-o", "out.wav", "--", "-odd name.wav"}, o, error)) << error;
    EXPECT_EQ(o.input, "-odd name.wav");
}

TEST(RenderOptions, BadOptionsAreRefusedWithOneLine) {
    EXPECT_NE(failure({"-o", "x.wav", "--bogus"}).find("--bogus"), std::string::npos);
    EXPECT_NE(failure({"-o", "x.wav", "-z"}).find("-z"), std::string::npos);
    EXPECT_NE(failure({"-o"}).find("needs a value"), std::string::npos);
    EXPECT_NE(failure({"-o", "x.wav", "--tail"}).find("needs a value"), std::string::npos);
    EXPECT_NE(failure({"in.wav"}).find("-o"), std::string::npos);   // no output
    EXPECT_NE(failure({"a.wav", "b.wav", "-o", "x.wav"}).find("more than one"), std::string::npos);
    EXPECT_NE(failure({"-o", "x.wav", "--quiet=yes"}).find("takes no value"), std::string::npos);
    EXPECT_NE(failure({"-o", ""}).find("file name"), std::string::npos);
    EXPECT_NE(failure({"-o", "x.wav", "--preset", ""}).find("--preset"), std::string::npos);
}

TEST(RenderOptions, FileOptionsAreStoredAndEmptyNamesRefusedEachByItsName) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"--preset-file", "a.zun", "--save-bank", "c.zub"}, o, error)) << error;
    EXPECT_EQ(o.presetFile, "a.zun");
    EXPECT_EQ(o.saveBank, "c.zub");
    EXPECT_TRUE(o.bankFile.empty());
    EXPECT_TRUE(o.output.empty());
    Options b;
    ASSERT_TRUE(parse({"--bank-file=b.zub", "-p", "3", "-o", "x.wav"}, b, error)) << error;
    EXPECT_EQ(b.bankFile, "b.zub");
    EXPECT_EQ(b.preset, "3");
    EXPECT_TRUE(b.presetFile.empty());
    for (const char* option : {"--output", "--preset", "--preset-file", "--bank-file", "--save-bank"}) {
        const std::string said = failure({"-o", "x.wav", option, ""});
        EXPECT_EQ(said.rfind(std::string(option) + " needs a ", 0), 0u) << said;
    }
}

TEST(RenderOptions, BadValuesAreRefused) {
    for (const char* v : {"mp3", "", "FLOAT", "pcm8"})
        EXPECT_NE(failure({"-o", "x.wav", "--format", v}).find("--format"), std::string::npos) << v;
    for (const char* v : {"-1", "abc", "", "3601", "nan", "inf", "5s", " 5"})
        EXPECT_NE(failure({"-o", "x.wav", "--tail", v}).find("--tail"), std::string::npos) << v;
    for (const char* v : {"8000", "250000", "44.1k", "-44100", "44100.5"})
        EXPECT_NE(failure({"-o", "x.wav", "--rate", v}).find("--rate"), std::string::npos) << v;
    // --rate only makes sense for the demo sound.
    EXPECT_NE(failure({"in.wav", "-o", "x.wav", "--rate", "48000"}).find("demo"), std::string::npos);
}

TEST(RenderOptions, ParameterSettingsMustBeNameEqualsNormalisedValue) {
    for (const char* v : {"Decay", "=0.5", "Decay=", "Decay=x", "Decay=1.5", "Decay=-0.1", "Decay=nan",
                          "Decay=0.5x", "Decay=inf"})
        EXPECT_NE(failure({"-o", "x.wav", "--set", v}).find("--set"), std::string::npos) << v;

    Options o;
    std::string error;
    ASSERT_TRUE(parse({"-o", "x.wav", "--set", "Decay=0", "--set", "Mix=1", "--set", "Type=1e-1"}, o, error))
        << error;
    ASSERT_EQ(o.settings.size(), 3u);
    EXPECT_EQ(o.settings[0].value, 0.0f);
    EXPECT_EQ(o.settings[1].value, 1.0f);
    EXPECT_FLOAT_EQ(o.settings[2].value, 0.1f);
}

TEST(RenderOptions, TailLimits) {
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"-o", "x.wav", "--tail", "0"}, o, error)) << error;
    EXPECT_EQ(o.tailSeconds, 0.0);
    ASSERT_TRUE(parse({"-o", "x.wav", "--tail=3600"}, o, error)) << error;
    EXPECT_EQ(o.tailSeconds, 3600.0);
}
