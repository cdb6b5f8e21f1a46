// The built module as a host meets it: loaded with dlopen, created through each exported
// entry, driven through its record, and exporting nothing else.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <link.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "support/RecordingHost.h"

namespace {

const std::string kModulePath = std::string(MOLTARO_BUILD_DIR) + "/Moltaro.so";

// Paths of the shared objects loaded in this process.
std::set<std::string> loadedObjects() {
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            if (info->dlpi_name && *info->dlpi_name) static_cast<std::set<std::string>*>(out)->insert(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

// The system libraries the module brings in (cairo, pixman, Xlib, ...) are kept loaded
// after the module itself is closed, as in a host that uses them too. pixman allocates
// blocks when it loads and keeps them for good: unloaded with the module, they would
// become unreachable and the leak checker would blame the module for them. The module
// itself is still loaded and unloaded by every test.
void keepModuleDependenciesLoaded() {
    static bool done = false;
    if (done) return;
    done = true;
    const std::set<std::string> before = loadedObjects();
    void* h = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return;  // the test's own dlopen reports why
    for (const std::string& name : loadedObjects())
        if (!before.count(name) && name != kModulePath) dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    dlclose(h);
}

class Module : public ::testing::Test {
protected:
    void SetUp() override {
        keepModuleDependenciesLoaded();
        handle = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle) dlclose(handle);
    }
    testhost::EntryPoint entry(const char* name) {
        return reinterpret_cast<testhost::EntryPoint>(dlsym(handle, name));
    }
    void* handle = nullptr;
};

// Create, switch on, run a few blocks of sound, switch off, close.
void smoke(testhost::EntryPoint entryPoint) {
    testhost::RecordingHost host;
    AEffect* e = host.load(entryPoint);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->uniqueID, vstFourCC('Q', 'K', 'T', 'X'));
    EXPECT_EQ(e->flags, 17);
    EXPECT_EQ(host.text(effGetEffectName), "ZUN Moltaro");
    EXPECT_EQ(host.text(effGetProgramName), "Current");

    host.startAudio(48000.0f, 512);
    for (int c = 0; c < 2; ++c) {
        host.in[c].assign(512, 0.0f);
        for (int i = 0; i < 512; ++i) host.in[c][i] = 0.3f * std::sin(0.01f * i * (c + 1));
    }
    double energy = 0.0;
    for (int block = 0; block < 20; ++block) {
        host.process(512);
        for (int c = 0; c < 2; ++c)
            for (float v : host.out[c]) {
                ASSERT_TRUE(std::isfinite(v));
                energy += v * v;
            }
    }
    EXPECT_GT(energy, 0.0) << "the dry signal at least comes through";
    host.dispatch(effStopProcess);
    host.stopAudio();
    EXPECT_EQ(host.close(), 1);
}

}  // namespace

TEST_F(Module, LoadsThroughVSTPluginMain) {
    auto vstMain = entry("VSTPluginMain");
    ASSERT_NE(vstMain, nullptr);
    smoke(vstMain);
}

TEST_F(Module, LoadsThroughMain) {
    auto oldMain = entry("main");
    ASSERT_NE(oldMain, nullptr);
    smoke(oldMain);
}

TEST_F(Module, RefusesAHostWithoutVersion) {
    testhost::RecordingHost host;
    host.version = 0;
    EXPECT_EQ(host.load(entry("VSTPluginMain")), nullptr);
}

TEST_F(Module, TwoInstancesLiveSideBySide) {
    testhost::RecordingHost a, b;
    ASSERT_NE(a.load(entry("VSTPluginMain")), nullptr);
    ASSERT_NE(b.load(entry("main")), nullptr);
    a.setParameter(1, 1.0f);
    EXPECT_EQ(a.text(effGetParamDisplay, 1), "Plate");
    EXPECT_EQ(b.text(effGetParamDisplay, 1), "Ambience");
}

TEST(ModuleExports, OnlyTheTwoEntryPoints) {
    FILE* pipe = popen(("nm -D --defined-only '" + kModulePath + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char line[512];
    while (fgets(line, sizeof line, pipe)) output += line;
    ASSERT_EQ(pclose(pipe), 0) << output;

    std::set<std::string> symbols;
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::istringstream fields(text);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (!name.empty()) symbols.insert(name);
    }
    EXPECT_EQ(symbols, (std::set<std::string>{"VSTPluginMain", "main"})) << output;
}
