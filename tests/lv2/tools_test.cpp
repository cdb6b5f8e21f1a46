// The bundle through Debian's LV2 tools: the validator, lv2ls, lv2info and lv2apply.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Lv2Host.h"
#include "formats/lv2/Lv2Ports.h"
#include "shell/ParameterLaws.h"
#include "presetsystem/FactoryPresets.h"
#include "support/SanitizerBuild.h"

using namespace moltaro;
using namespace moltaro::lv2;

namespace {

const std::string kBundle = lv2host::kBuildDir + "/Moltaro.lv2";
const std::string kLv2Path = "LV2_PATH=" + lv2host::kBuildDir + "/tests/lv2/path:/usr/lib/lv2 ";

// Runs a shell command; its standard output and error, and whether it exited with 0.
struct Result {
    std::string out;
    bool ok;
};
Result run(const std::string& command) {
    Result r{"", false};
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) r.out.append(buffer, n);
    r.ok = pclose(p) == 0;
    return r;
}

bool have(const char* tool) { return run(std::string("command -v ") + tool).ok; }


TEST(Lv2Tools, ValidatorFindsNothing) {
    if (!have("lv2_validate")) GTEST_SKIP() << "lv2_validate not installed";
    const Result r = run("lv2_validate " + kBundle + "/manifest.ttl " + kBundle + "/moltaro.ttl " + kBundle +
                         "/presets.ttl");
    EXPECT_TRUE(r.ok) << r.out;
    EXPECT_NE(r.out.find("Found 0 errors"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("error:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warning:"), std::string::npos) << r.out;
}

TEST(Lv2Tools, ListedAndDescribed) {
    if (!have("lv2ls") || !have("lv2info")) GTEST_SKIP() << "lilv-utils not installed";
    const Result ls = run(kLv2Path + "lv2ls");
    EXPECT_NE(ls.out.find(std::string(kPluginUri) + "\n"), std::string::npos) << ls.out;

    const Result info = run(kLv2Path + "lv2info " + kPluginUri);
    ASSERT_TRUE(info.ok) << info.out;
    for (const char* line : {"Name:              ZUN Moltaro", "Class:             Reverb Plugin",
                             "Author:            ZUN-soundlab", "Symbol:      peak", "= \"Cathedral\""})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
    for (int c = 0; c < kNumPortParameters; ++c) {
        const std::size_t at = info.out.find(std::string("Symbol:      ") + kParameterSymbols[c] + "\n");
        ASSERT_NE(at, std::string::npos) << kParameterSymbols[c];
        char range[64];
        std::snprintf(range, sizeof range, "Maximum:     %f", static_cast<double>(parameterLaw(c)->maximum));
        EXPECT_NE(info.out.find(range, at), std::string::npos) << kParameterSymbols[c];
    }
    for (const FactoryPreset& p : kFactoryPresets)
        EXPECT_NE(info.out.find(std::string("  ") + p.name + "\n"), std::string::npos) << p.name;

    // The units lv2info leaves out, read as a host reads them.
    lv2host::World& w = lv2host::World::get();
    LilvNode* unitKey = w.uriNode("http://lv2plug.in/ns/extensions/units#unit");
    for (int c = 0; c < kNumPortParameters; ++c) {
        const LilvPort* port = lilv_plugin_get_port_by_index(w.plugin, kFirstParameterPort + c);
        LilvNodes* units = lilv_port_get_value(w.plugin, port, unitKey);
        const char* expected = lv2UnitOf(parameterLaw(c)->unit);
        const std::string got = units ? lilv_node_as_uri(lilv_nodes_get_first(units)) : "";
        EXPECT_EQ(got, expected ? std::string("http://lv2plug.in/ns/extensions/units#") + expected : "")
            << kParameterSymbols[c];
        lilv_nodes_free(units);
    }
    lilv_node_free(unitKey);
}

// lv2apply renders a file through the plug-in: a burst, then silence the reverb fills.
TEST(Lv2Tools, Lv2applyRendersAFile) {
    if (!have("lv2apply")) GTEST_SKIP() << "lv2apply not installed";
    if (testsupport::kSanitizer)
        GTEST_SKIP() << "a plug-in built with " << testsupport::kSanitizer << " cannot load into lv2apply";
    const std::string dir = lv2host::kBuildDir + "/tests/lv2";
    const std::string in = dir + "/lv2apply-in.wav", out = dir + "/lv2apply-out.wav";
    const int frames = 44100;
    std::vector<float> samples(2 * frames, 0.0f);
    for (int i = 0; i < 2000; ++i) samples[2 * i] = samples[2 * i + 1] = 0.5f * std::sin(0.07f * static_cast<float>(i));
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, samples.data(), frames);
    sf_close(f);

    std::remove(out.c_str());
    const Result r = run(kLv2Path + "lv2apply -i " + in + " -o " + out + " -c decay 90 -c mix 100 " + kPluginUri);
    ASSERT_TRUE(r.ok) << r.out;
    SF_INFO got{};
    f = sf_open(out.c_str(), SFM_READ, &got);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(got.frames, frames);
    EXPECT_EQ(got.channels, 2);
    std::vector<float> rendered(2 * static_cast<std::size_t>(got.frames));
    sf_readf_float(f, rendered.data(), got.frames);
    sf_close(f);
    double tail = 0.0;
    for (std::size_t i = 2 * 10000; i < rendered.size(); ++i) tail += static_cast<double>(rendered[i]) * rendered[i];
    EXPECT_GT(tail, 1e-3) << "no reverb after the burst";

    // The same samples as the lilv host (and so the VST module) renders in its blocks.
    lv2host::Instance plugin(44100.0);
    plugin.port("decay") = 90.0f;
    plugin.port("mix") = 100.0f;
    plugin.activate();
    std::vector<float> x[2], y[2];
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < frames; ++i) x[c].push_back(samples[2 * i + c]);
        y[c].resize(frames);
    }
    for (int at = 0; at < frames; at += 512)
        plugin.run(&x[0][at], &x[1][at], &y[0][at], &y[1][at], static_cast<std::uint32_t>(std::min(512, frames - at)));
    for (int i = 0; i < frames; ++i)
        ASSERT_TRUE(rendered[2 * i] == y[0][i] && rendered[2 * i + 1] == y[1][i]) << "frame " << i;
}

}  // namespace
