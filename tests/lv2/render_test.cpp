// The LV2 plug-in against the VST module: both built binaries loaded as hosts load them,
// driven with the same settings, must render the same samples.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Lv2Host.h"
#include "formats/lv2/Lv2Shared.h"
#include "presetsystem/FactoryPresets.h"
#include "shell/Moltaro.h"
#include "shell/ParameterLaws.h"
#include "support/RecordingHost.h"

using namespace moltaro;
using namespace moltaro::lv2;

namespace {

using Signal = std::vector<float>;

// The VST module, loaded once.
testhost::EntryPoint vstEntry() {
    static void* handle = dlopen((lv2host::kBuildDir + "/Moltaro.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<testhost::EntryPoint>(dlsym(handle, "VSTPluginMain")) : nullptr;
}

// What a setting is, seen from each side: the port value the LV2 host writes, and the
// normalised value the VST host sets.
struct Change {
    int control;  // 0..kNumPortParameters-1
    float port;
};

// What the VST editor stores for the same number typed into its field.
float normalised(const Change& c) { return normalisedValue(*parameterLaw(c.control), c.port); }

// A run: the input, the block lengths, and the changes made before given blocks.
struct Script {
    double rate = 44100.0;
    Signal inL, inR;
    std::vector<std::uint32_t> blocks;
    std::map<std::size_t, std::vector<Change>> changes;  // by block
    // Which audio ports the host connects.
    bool hasInL = true, hasInR = true, hasOutL = true, hasOutR = true;
    // Blocks before which the host switches the plug-in off and on again.
    std::vector<std::size_t> cycles;
};

bool cycleBefore(const Script& s, std::size_t b) {
    return std::find(s.cycles.begin(), s.cycles.end(), b) != s.cycles.end();
}

Script steady(double rate, std::size_t frames, std::uint32_t block) {
    Script s;
    s.rate = rate;
    s.inL.assign(frames, 0.0f);
    s.inR.assign(frames, 0.0f);
    for (std::size_t done = 0; done < frames; done += block)
        s.blocks.push_back(static_cast<std::uint32_t>(std::min<std::size_t>(block, frames - done)));
    return s;
}

void impulse(Script& s, std::size_t at) {
    s.inL[at] = 1.0f;
    s.inR[at] = 0.5f;
}

void noise(Script& s, unsigned seed) {
    std::minstd_rand r(seed);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    for (std::size_t i = 0; i < s.inL.size(); ++i) {
        s.inL[i] = u(r);
        s.inR[i] = u(r);
    }
}

struct Output {
    Signal l, r;
};

Output renderVst(const Script& s, const std::vector<float>& initial) {
    testhost::RecordingHost host;
    host.sampleRate = static_cast<float>(s.rate);
    // A missing second pin is unconnected; a missing first one leaves the second as the only one.
    host.input1Connected = s.hasInL && s.hasInR;
    host.output1Connected = s.hasOutL && s.hasOutR;
    const Signal& first = s.hasInL ? s.inL : s.inR;
    const Signal silence(s.inL.size(), 0.0f);
    Output out;
    AEffect* e = host.load(vstEntry());
    if (!e) return out;
    host.startAudio(static_cast<float>(s.rate), 512);
    // As an LV2 host's preset: taken over at the first block, after switching on.
    for (std::size_t i = 0; i < initial.size(); ++i) host.setParameter(static_cast<VstInt32>(i), initial[i]);
    std::size_t at = 0;
    for (std::size_t b = 0; b < s.blocks.size(); ++b) {
        if (cycleBefore(s, b)) {
            host.stopAudio();
            host.dispatch(effMainsChanged, 0, 1);
        }
        if (s.changes.count(b))
            for (const Change& c : s.changes.at(b)) host.setParameter(c.control, normalised(c));
        const std::uint32_t n = s.blocks[b];
        const Signal& in0 = s.hasInL || s.hasInR ? first : silence;
        host.in[0].assign(in0.begin() + at, in0.begin() + at + n);
        host.in[1].assign(s.inR.begin() + at, s.inR.begin() + at + n);
        host.process(static_cast<VstInt32>(n));
        out.l.insert(out.l.end(), host.out[0].begin(), host.out[0].begin() + n);
        if (host.output1Connected) out.r.insert(out.r.end(), host.out[1].begin(), host.out[1].begin() + n);
        else out.r.insert(out.r.end(), n, 0.0f);
        at += n;
    }
    return out;
}

Output renderLv2(const Script& s, const std::function<void(lv2host::Instance&)>& prepare) {
    lv2host::Instance plugin(s.rate);
    Output out;
    if (!plugin.ok()) return out;
    prepare(plugin);
    plugin.activate();
    out.l.resize(s.inL.size());
    out.r.resize(s.inR.size());
    std::size_t at = 0;
    for (std::size_t b = 0; b < s.blocks.size(); ++b) {
        if (cycleBefore(s, b)) {
            plugin.deactivate();
            plugin.activate();
        }
        if (s.changes.count(b))
            for (const Change& c : s.changes.at(b)) plugin.control[kFirstParameterPort + c.control] = c.port;
        plugin.run(s.hasInL ? s.inL.data() + at : nullptr, s.hasInR ? s.inR.data() + at : nullptr,
                   s.hasOutL ? out.l.data() + at : nullptr, s.hasOutR ? out.r.data() + at : nullptr, s.blocks[b]);
        at += s.blocks[b];
    }
    // With one output the plug-in writes the mix into whichever is connected; the VST
    // module into its first.
    if (s.hasOutL != s.hasOutR) {
        if (!s.hasOutL) out.l = out.r;
        out.r.assign(out.l.size(), 0.0f);
    }
    return out;
}

// Sample-for-sample equality, reporting the first difference.
void expectIdentical(const Output& vst, const Output& lv2, const std::string& what, bool audible = true) {
    ASSERT_EQ(vst.l.size(), lv2.l.size()) << what;
    ASSERT_FALSE(vst.l.empty()) << what << ": nothing rendered";
    double energy = 0.0;
    for (std::size_t i = 0; i < vst.l.size(); ++i) {
        if (std::memcmp(&vst.l[i], &lv2.l[i], sizeof(float)) != 0 || std::memcmp(&vst.r[i], &lv2.r[i], sizeof(float)) != 0) {
            ADD_FAILURE() << what << ": first difference at frame " << i << ": VST " << vst.l[i] << "/" << vst.r[i]
                          << ", LV2 " << lv2.l[i] << "/" << lv2.r[i];
            return;
        }
        energy += static_cast<double>(vst.l[i]) * vst.l[i];
    }
    if (audible) EXPECT_GT(energy, 0.0) << what << ": silent";
    else EXPECT_LT(energy, 1e-9) << what << ": sound from no input";  // only the engine's denormal guard
}

std::vector<float> programValues(int program) {
    std::vector<float> v;
    for (double d : kFactoryPresets[program].values) v.push_back(static_cast<float>(d));
    return v;
}

// The effect behind an LV2 instance, through the record the UI binary reads too.
Moltaro* effectOf(lv2host::Instance& plugin) {
    auto* shared = static_cast<SharedInstance*>(lilv_instance_get_handle(plugin.get()));
    return shared && shared->magic == kInstanceMagic ? shared->effect : nullptr;
}

class Lv2Render : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(lv2host::World::get().plugin, nullptr) << "bundle not found by URI";
        ASSERT_NE(vstEntry(), nullptr) << dlerror();
        presets = lv2host::World::get().presets();
    }
    std::map<std::string, const LilvNode*> presets;

    // Restores the factory program's preset into an instance.
    void applyPreset(lv2host::Instance& plugin, int program) {
        const auto it = presets.find(kFactoryPresets[program].name);
        ASSERT_NE(it, presets.end()) << kFactoryPresets[program].name;
        lv2host::World& w = lv2host::World::get();
        LilvState* state = lilv_state_new_from_world(w.world, &w.map, it->second);
        ASSERT_NE(state, nullptr);
        plugin.restore(state);
        lilv_state_free(state);
    }
};

// Every factory program, impulse and noise, at 44.1 and 96 kHz. The input starts after
// the algorithm changeover that loading a program sets off.
TEST_F(Lv2Render, FactoryProgramsRenderAsInTheVstModule) {
    ASSERT_EQ(presets.size(), static_cast<std::size_t>(kNumFactoryPresets));
    for (double rate : {44100.0, 96000.0}) {
        for (int signal = 0; signal < 2; ++signal) {
            for (int p = 0; p < kNumFactoryPresets; ++p) {
                Script s = steady(rate, 32768, 512);
                if (signal == 0) impulse(s, 22000);
                else noise(s, 7u + p);
                const Output vst = renderVst(s, programValues(p));
                const Output lv2 = renderLv2(s, [&](lv2host::Instance& i) { applyPreset(i, p); });
                expectIdentical(vst, lv2, std::string(kFactoryPresets[p].name) + (signal ? " noise " : " impulse ") +
                                              std::to_string(static_cast<int>(rate)));
                if (HasFailure()) return;
            }
        }
    }
}

// A preset's port values select exactly the values the factory table holds, and the
// preset brings the program's name.
TEST_F(Lv2Render, PresetsSelectTheFactoryValues) {
    testhost::RecordingHost host;
    ASSERT_NE(host.load(vstEntry()), nullptr);
    for (int p = 0; p < kNumFactoryPresets; ++p) {
        lv2host::Instance plugin(48000.0);
        applyPreset(plugin, p);
        plugin.run(nullptr, nullptr, nullptr, nullptr, 0);  // takes the controls over
        Moltaro* effect = effectOf(plugin);
        ASSERT_NE(effect, nullptr);
        const std::vector<float> values = programValues(p);
        for (int i = 0; i < 16; ++i) host.setParameter(i, values[i]);
        for (int c = 0; c < kNumPortParameters; ++c)
            EXPECT_EQ(effect->getParameter(c), host.getParameter(c)) << kFactoryPresets[p].name << " " << kParameterSymbols[c];
        char name[64] = {};
        effect->getProgramName(name);
        EXPECT_STREQ(name, kFactoryPresets[p].name);
    }
}

// Random settings in the ports' units, also changing every block (with blocks of every
// length, including none and more than the nominal length), and a change of Type
// while sound plays.
TEST_F(Lv2Render, SettingsAndAutomationRenderAsInTheVstModule) {
    std::minstd_rand r(2024);
    auto randomPort = [&](int control) {
        const ParameterLaw& law = *parameterLaw(control);
        const float u = std::uniform_real_distribution<float>(0.0f, 1.0f)(r);
        // Gains from silence's threshold up, so that a render is rarely silent.
        const float lo = std::max(law.minimum, static_cast<float>(kSilenceDb));
        float v = law.logarithmic() ? lo * std::pow(law.maximum / lo, u) : lo + (law.maximum - lo) * u;
        if (control == kParamType) v = std::floor(v + 0.5f);
        return v;
    };
    for (double rate : {44100.0, 96000.0}) {
        for (int round = 0; round < 6; ++round) {
            Script s = steady(rate, 40000, 512);
            noise(s, 100u + round);
            for (int c = 0; c < kNumPortParameters; ++c) s.changes[0].push_back({c, randomPort(c)});
            s.changes[0][kParamPower].port = 1.0f;
            if (round % 2) {
                // Automation: a few ports change before every block of a random length.
                s.blocks.clear();
                for (std::size_t done = 0; done < s.inL.size(); done += s.blocks.back()) {
                    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 3000)(r);
                    s.blocks.push_back(static_cast<std::uint32_t>(std::min(n, s.inL.size() - done)));
                    for (int k = 0; k < 3 && s.blocks.size() > 1; ++k) {
                        const int c = std::uniform_int_distribution<int>(kParamType, kNumPortParameters - 1)(r);
                        s.changes[s.blocks.size() - 1].push_back({c, randomPort(c)});
                    }
                }
            } else {
                // One Type change half-way through a steady setting.
                s.changes[40] = {{kParamType, std::fmod(s.changes[0][kParamType].port + 3.0f, 9.0f)}};
            }
            const Output vst = renderVst(s, {});
            const Output lv2 = renderLv2(s, [](lv2host::Instance&) {});
            expectIdentical(vst, lv2, "round " + std::to_string(round) + " at " + std::to_string(static_cast<int>(rate)));
        }
    }
}

// What hosts do besides: rates the engine cannot run at, audio ports left unconnected,
// switching off and on, blocks longer than any the engine takes at once. Each case gets
// the treatment the VST module gives its counterpart.
TEST_F(Lv2Render, HostBehaviourAsInTheVstModule) {
    struct Case {
        const char* what;
        double rate;
        bool inL, inR, outL, outR;
        std::uint32_t block;
        std::vector<std::size_t> cycles;
    };
    const Case cases[] = {
        {"rate 0", 0.0, true, true, true, true, 512, {}},
        {"rate NaN", std::nan(""), true, true, true, true, 512, {}},
        {"rate 8000", 8000.0, true, true, true, true, 512, {}},
        {"rate 192000", 192000.0, true, true, true, true, 512, {}},
        {"rate 384000", 384000.0, true, true, true, true, 512, {}},
        {"no right input", 44100.0, true, false, true, true, 512, {}},
        {"no left input", 44100.0, false, true, true, true, 512, {}},
        {"no inputs", 44100.0, false, false, true, true, 512, {}},
        {"no right output", 44100.0, true, true, true, false, 512, {}},
        {"no left output", 44100.0, true, true, false, true, 512, {}},
        {"off and on", 44100.0, true, true, true, true, 512, {3, 20, 21}},
        {"one long block", 44100.0, true, true, true, true, 150000, {}},
    };
    for (const Case& c : cases) {
        Script s = steady(c.rate, 150000, c.block);
        noise(s, 11);
        for (std::size_t i = 30000; i < s.inL.size(); ++i) s.inL[i] = s.inR[i] = 0.0f;  // a tail to hear
        s.hasInL = c.inL;
        s.hasInR = c.inR;
        s.hasOutL = c.outL;
        s.hasOutR = c.outR;
        s.cycles = c.cycles;
        s.changes[0] = {{kParamDecay, 90.0f}, {kParamType, 4.0f}};
        const Output vst = renderVst(s, {});
        const Output lv2 = renderLv2(s, [](lv2host::Instance&) {});
        expectIdentical(vst, lv2, c.what, c.inL || c.inR);
    }
}

// A saved project restored into a new instance renders what the first instance renders,
// and shows the same program name.
TEST_F(Lv2Render, SavedStateRestoresIdentically) {
    Script s = steady(48000.0, 30000, 256);
    noise(s, 5);
    std::string saved;
    const Output first = renderLv2(s, [&](lv2host::Instance& i) {
        applyPreset(i, 26);
        i.port("predelay") = 40.0f;
        i.port("mix") = 35.5f;
        effectOf(i)->setProgramName("My strings");
        saved = i.save();
    });
    ASSERT_NE(saved.find("My strings"), std::string::npos) << saved;
    char name[64] = {};
    const Output second = renderLv2(s, [&](lv2host::Instance& i) {
        i.restore(saved);
        effectOf(i)->getProgramName(name);
    });
    EXPECT_STREQ(name, "My strings");
    expectIdentical(first, second, "restored state");
}

}  // namespace
