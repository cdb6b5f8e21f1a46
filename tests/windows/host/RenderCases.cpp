#include "RenderCases.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "presetsystem/FactoryPresets.h"

namespace modulecheck {

namespace {

// What the host answers while a case runs.
float hostRate = 44100.0f;
VstIntPtr hostBlock = 512;
VstIntPtr hostVersion = 2400;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion: return hostVersion;
        case audioMasterGetSampleRate: return static_cast<VstIntPtr>(hostRate);
        case audioMasterGetBlockSize: return hostBlock;
        case audioMasterPinConnected: return 0;  // connected
        default: return 0;
    }
}

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

enum class Input { impulse, noise };

struct Automation {
    int frame = -1;  // when the parameters change; -1: never
    int index[3] = {-1, -1, -1};
    float value[3] = {0, 0, 0};
};

struct Case {
    const char* name;
    const char* program;   // factory program applied before playback
    Input input;
    float rate = 44100.0f;
    int frames = 32768;
    bool unevenBlocks = false;
    // Values set on top of the program, index -1 ends the list.
    int tweakIndex[4] = {-1, -1, -1, -1};
    float tweakValue[4] = {0, 0, 0, 0};
    Automation automation;
    bool factorySweep = false;
    bool randomSettings = false;
    float settings[11] = {};  // parameters 0..10 when randomSettings

    Case(const char* name, const char* program, Input input, float rate = 44100.0f)
        : name(name), program(program), input(input), rate(rate) {}
};

const char* const randomNames[24] = {
    "random settings 1",  "random settings 2",  "random settings 3",  "random settings 4",  "random settings 5",
    "random settings 6",  "random settings 7",  "random settings 8",  "random settings 9",  "random settings 10",
    "random settings 11", "random settings 12", "random settings 13", "random settings 14", "random settings 15",
    "random settings 16", "random settings 17", "random settings 18", "random settings 19", "random settings 20",
    "random settings 21", "random settings 22", "random settings 23", "random settings 24"};

std::vector<Case> cases() {
    std::vector<Case> list;
    const char* basics[] = {"Basic Ambience", "Basic Room",  "Basic Chamber", "Basic Club", "Basic Hall",
                            "Basic Arena",    "Basic Cathedral", "Basic Spring", "Basic Plate"};
    for (const char* p : basics) {
        list.emplace_back(p, p, Input::impulse);
        list.emplace_back(p, p, Input::noise);
    }
    list.emplace_back("Lush Strings", "Lush Strings", Input::noise);
    list.emplace_back("Phat Drums", "Phat Drums", Input::impulse);
    list.emplace_back("Guitar Amp Spring", "Guitar Amp Spring", Input::noise);
    // The core at half and at a quarter of the host rate.
    Case hall96{"Big Hall at 96 kHz", "Big Hall", Input::impulse, 96000.0f};
    list.push_back(hall96);
    Case plate192{"Medium Plate at 192 kHz", "Medium Plate", Input::noise, 192000.0f};
    list.push_back(plate192);
    // Pre-delay, both shelves moved, more wet, lower output; blocks of changing size.
    Case custom{"Custom Cathedral, uneven blocks", "Great Cathedral", Input::noise};
    custom.unevenBlocks = true;
    const int idx[4] = {2, 6, 8, 9};
    const float val[4] = {0.37f, 0.8f, 0.1f, 0.7f};
    for (int i = 0; i < 4; ++i) {
        custom.tweakIndex[i] = idx[i];
        custom.tweakValue[i] = val[i];
    }
    list.push_back(custom);
    // Algorithm change, decay and damping automated during playback.
    Case automated{"Room to Arena, automated", "Big Room", Input::noise};
    automated.automation.frame = 9000;
    automated.automation.index[0] = 1;
    automated.automation.value[0] = 5.0f / 9.0f + 0.01f;
    automated.automation.index[1] = 3;
    automated.automation.value[1] = 0.9f;
    automated.automation.index[2] = 4;
    automated.automation.value[2] = 0.45f;
    list.push_back(automated);
    // Settings no program has: every parameter drawn at random (seeded), so that the
    // library functions of the setup routines (pow, sin, cos, log) meet other arguments.
    std::uint32_t seed = 20240611u;
    for (int n = 0; n < 24; ++n) {
        Case random(randomNames[n], "Default", Input::noise);
        random.frames = 6000;
        random.randomSettings = true;
        for (int i = 0; i < 11; ++i) {
            seed = seed * 1103515245u + 12345u;
            random.settings[i] = static_cast<float>((seed >> 8) & 0xffff) / 65535.0f;
        }
        random.settings[0] = 1.0f;                               // Power on
        random.settings[10] = 0.2f + 0.8f * random.settings[10];  // audible output
        list.push_back(random);
    }
    // Every factory program briefly: each one's coefficients, taps and shelves.
    for (const auto& p : kFactoryPresets) {
        Case brief(p.name, p.name, Input::noise);
        brief.frames = 6000;
        brief.factorySweep = true;
        list.push_back(brief);
    }
    return list;
}

const FactoryPreset* findProgram(const char* name) {
    for (const auto& p : kFactoryPresets)
        if (std::strcmp(p.name, name) == 0) return &p;
    return nullptr;
}

void fillInput(Input input, int frames, std::vector<float>& l, std::vector<float>& r) {
    l.assign(static_cast<std::size_t>(frames), 0.0f);
    r.assign(static_cast<std::size_t>(frames), 0.0f);
    if (input == Input::impulse) {
        l[0] = 1.0f;
        if (frames > 37) r[37] = -0.5f;  // a second, later impulse tells the channels apart
        return;
    }
    std::uint32_t x = 12345u;
    auto next = [&] {
        x = x * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<std::int32_t>(x) >> 8) / 16777216.0f;  // -0.5 .. 0.5
    };
    for (int i = 0; i < frames; ++i) {
        l[static_cast<std::size_t>(i)] = next();
        r[static_cast<std::size_t>(i)] = next();
    }
}

bool renderCase(EntryPoint entry, const Case& c, Render& out, std::vector<std::string>& problems) {
    hostRate = c.rate;
    hostBlock = 512;
    hostVersion = 2400;
    AEffect* e = entry(hostCallback);
    if (!e) {
        problems.push_back(std::string(c.name) + ": the entry point gave no effect");
        return false;
    }
    const FactoryPreset* program = findProgram(c.program);
    if (!program) {
        problems.push_back(std::string(c.name) + ": no factory program \"" + c.program + "\"");
        dispatch(e, effClose);
        return false;
    }
    dispatch(e, effOpen);
    dispatch(e, effSetSampleRate, 0, 0, nullptr, c.rate);
    dispatch(e, effSetBlockSize, 0, hostBlock);
    // A host switches programs it keeps itself by setting every parameter.
    for (int i = 0; i < 16; ++i) e->setParameter(e, i, static_cast<float>(program->values[i]));
    for (int i = 0; i < 4 && c.tweakIndex[i] >= 0; ++i) e->setParameter(e, c.tweakIndex[i], c.tweakValue[i]);
    if (c.randomSettings)
        for (int i = 0; i < 11; ++i) e->setParameter(e, i, c.settings[i]);
    dispatch(e, effMainsChanged, 0, 1);

    std::vector<float> inL, inR;
    fillInput(c.input, c.frames, inL, inR);
    out.name = std::string(c.factorySweep ? "factory program " : "") + c.name +
               (c.input == Input::impulse ? " / impulse" : " / noise");
    out.left.assign(inL.size(), 0.0f);
    out.right.assign(inR.size(), 0.0f);

    static const int kUneven[] = {1, 7, 512, 64, 3, 511, 128, 300, 2, 509};
    int done = 0;
    int step = 0;
    while (done < c.frames) {
        int n = c.unevenBlocks ? kUneven[step++ % 10] : 512;
        if (c.automation.frame >= 0 && done < c.automation.frame && done + n > c.automation.frame)
            n = c.automation.frame - done;
        if (n > c.frames - done) n = c.frames - done;
        if (done == c.automation.frame)
            for (int i = 0; i < 3 && c.automation.index[i] >= 0; ++i)
                e->setParameter(e, c.automation.index[i], c.automation.value[i]);
        float* ins[2] = {inL.data() + done, inR.data() + done};
        float* outs[2] = {out.left.data() + done, out.right.data() + done};
        e->processReplacing(e, ins, outs, n);
        done += n;
    }
    dispatch(e, effMainsChanged, 0, 0);
    // A comparison of silence, or of garbage, would prove nothing.
    float peak = 0.0f;
    bool finite = true;
    for (const auto* channel : {&out.left, &out.right})
        for (float x : *channel) {
            finite = finite && std::isfinite(x);
            peak = std::fmax(peak, std::fabs(x));
        }
    if (!finite) problems.push_back(out.name + ": the output holds values that are not finite");
    if (peak < 1e-3f || peak > 8.0f)
        problems.push_back(out.name + ": implausible output peak " + std::to_string(peak));
    if (dispatch(e, effClose) != 1) problems.push_back(std::string(c.name) + ": effClose did not answer 1");
    return true;
}

void putU32(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

bool getU32(std::FILE* f, std::uint32_t& v) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    v = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    return true;
}

void putSamples(std::FILE* f, const std::vector<float>& s) {
    for (float x : s) {
        std::uint32_t bits;
        std::memcpy(&bits, &x, 4);
        putU32(f, bits);
    }
}

bool getSamples(std::FILE* f, std::size_t n, std::vector<float>& s) {
    s.resize(n);
    for (auto& x : s) {
        std::uint32_t bits;
        if (!getU32(f, bits)) return false;
        std::memcpy(&x, &bits, 4);
    }
    return true;
}

}  // namespace

std::vector<Render> renderAll(EntryPoint entry, std::vector<std::string>& problems) {
    std::vector<Render> renders;
    for (const Case& c : cases()) {
        Render r;
        if (renderCase(entry, c, r, problems)) renders.push_back(std::move(r));
    }
    return renders;
}

void checkRecord(EntryPoint entry, const char* entryName, std::vector<std::string>& problems) {
    const std::string who = entryName;
    hostVersion = 0;
    if (AEffect* refused = entry(hostCallback)) {
        problems.push_back(who + ": gave an effect to a host that answered 0 to the version query");
        dispatch(refused, effClose);
    }
    hostVersion = 2400;
    AEffect* e = entry(hostCallback);
    if (!e) {
        problems.push_back(who + ": gave no effect");
        return;
    }
    auto expect = [&](bool ok, const std::string& what) {
        if (!ok) problems.push_back(who + ": " + what);
    };
    expect(e->magic == kEffectMagic, "magic is not VstP");
    expect(e->uniqueID == vstFourCC('Q', 'K', 'T', 'X'), "unique ID is not QKTX");
    expect(e->numPrograms == 1 && e->numParams == 16, "not 1 program and 16 parameters");
    expect(e->numInputs == 2 && e->numOutputs == 2, "not 2 inputs and 2 outputs");
    expect(e->flags == (effFlagsHasEditor | effFlagsCanReplacing), "flags are not 17");
    expect(e->version == 1 && e->object != nullptr, "version or object pointer wrong");
    expect(dispatch(e, effGetVstVersion) == 2400, "VST version is not 2400");
    expect(dispatch(e, effGetPlugCategory) == 6, "category is not room effect");
    char text[256] = {};
    dispatch(e, effGetEffectName, 0, 0, text);
    expect(std::strcmp(text, "ZUN Moltaro") == 0, std::string("effect name is \"") + text + "\"");
    std::memset(text, 0, sizeof text);
    dispatch(e, effGetProductString, 0, 0, text);
    expect(std::strcmp(text, "ZUN Moltaro - general purpose reverb plug-in") == 0,
           std::string("product string is \"") + text + "\"");
    std::memset(text, 0, sizeof text);
    e->setParameter(e, 3, 0.25f);
    dispatch(e, effGetParamName, 3, 0, text);
    expect(text[0] != 0, "parameter 3 has no name");
    expect(e->getParameter(e, 3) == 0.25f, "parameter 3 does not read back as set");
    expect(dispatch(e, effClose) == 1, "effClose did not answer 1");
}

bool writeRenders(const std::string& path, const std::vector<Render>& renders) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite("MOLTREF1", 1, 8, f);
    putU32(f, static_cast<std::uint32_t>(renders.size()));
    for (const auto& r : renders) {
        putU32(f, static_cast<std::uint32_t>(r.name.size()));
        std::fwrite(r.name.data(), 1, r.name.size(), f);
        putU32(f, static_cast<std::uint32_t>(r.left.size()));
        putSamples(f, r.left);
        putSamples(f, r.right);
    }
    bool ok = std::ferror(f) == 0;
    return std::fclose(f) == 0 && ok;
}

bool readRenders(const std::string& path, std::vector<Render>& renders, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    char magic[8];
    std::uint32_t count = 0;
    bool ok = std::fread(magic, 1, 8, f) == 8 && std::memcmp(magic, "MOLTREF1", 8) == 0 && getU32(f, count) &&
              count < 1000;
    for (std::uint32_t i = 0; ok && i < count; ++i) {
        Render r;
        std::uint32_t nameSize = 0, frames = 0;
        ok = getU32(f, nameSize) && nameSize < 1000;
        if (ok) {
            r.name.resize(nameSize);
            ok = std::fread(r.name.data(), 1, nameSize, f) == nameSize;
        }
        ok = ok && getU32(f, frames) && frames <= 10000000 && getSamples(f, frames, r.left) &&
             getSamples(f, frames, r.right);
        if (ok) renders.push_back(std::move(r));
    }
    std::fclose(f);
    if (!ok) error = path + " is not a complete render file";
    return ok;
}

Difference compare(const Render& a, const Render& b) {
    Difference d;
    d.sameLength = a.left.size() == b.left.size() && a.right.size() == b.right.size();
    const std::vector<float>* channels[2][2] = {{&a.left, &b.left}, {&a.right, &b.right}};
    bool first = true;
    for (auto& ch : channels) {
        const auto& x = *ch[0];
        const auto& y = *ch[1];
        for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
            if (std::memcmp(&x[i], &y[i], 4) == 0) continue;
            ++d.differing;
            double diff = std::fabs(static_cast<double>(x[i]) - static_cast<double>(y[i]));
            if (std::isnan(diff)) diff = HUGE_VAL;
            if (diff > d.maxAbs) d.maxAbs = diff;
            if (first || i < d.firstIndex) d.firstIndex = i;
            first = false;
        }
    }
    return d;
}

}  // namespace modulecheck
