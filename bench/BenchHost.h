#pragma once
// A small VST 2.4 host for the benchmarks: loads a module (ours or a yardstick's) with
// dlopen, or takes an entry point linked in, and drives its instances through their
// records exactly as a host would: open, rate, block size, resume, processReplacing.
//
// It answers the host queries a plain effect makes (version 2400, the sample rate, the
// block size, pins connected) and 0 to everything else.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "shell/vst2abi.h"

namespace bench {

using EntryPoint = AEffect* (*)(audioMasterCallback);

struct HostSettings {
    float rate = 48000.0f;
    VstInt32 block = 512;
};

// CPU time of this thread in ns, so that time spent waiting for a processor on a shared
// machine is not counted.
inline double threadNanoseconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// The median of a set of timings (0 for none).
inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The rate and block size every instance is told; set before creating instances.
inline HostSettings& settings() {
    static HostSettings s;
    return s;
}

inline VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(settings().rate);
    case audioMasterGetBlockSize: return settings().block;
    default: return 0;   // pin queries: 0 means connected
    }
}

// A module file; its entry point stays valid while the object lives.
class Module {
public:
    explicit Module(const std::string& path) : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
            return;
        }
        entry = reinterpret_cast<EntryPoint>(dlsym(handle, "VSTPluginMain"));
        if (!entry) entry = reinterpret_cast<EntryPoint>(dlsym(handle, "main"));
        if (!entry) std::fprintf(stderr, "%s has no VSTPluginMain\n", path.c_str());
    }
    ~Module() {
        if (handle) dlclose(handle);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    EntryPoint entryPoint() const { return entry; }

private:
    void* handle;
    EntryPoint entry = nullptr;
};

// One effect instance, opened and resumed at the settings' rate and block size.
class Instance {
public:
    explicit Instance(EntryPoint entry) : effect(entry ? entry(&hostCallback) : nullptr) {
        if (!effect) return;
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, settings().rate);
        dispatch(effSetBlockSize, 0, settings().block);
        resume();
    }
    ~Instance() {
        if (!effect) return;
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool ok() const { return effect != nullptr; }
    VstIntPtr dispatch(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }
    void suspend() { dispatch(effMainsChanged, 0, 0); }
    void resume() { dispatch(effMainsChanged, 0, 1); }
    void setParameter(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    void process(const float* inL, const float* inR, float* outL, float* outR, VstInt32 frames) {
        float* ins[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
        float* outs[2] = {outL, outR};
        effect->processReplacing(effect, ins, outs, frames);
    }

private:
    AEffect* effect;
};

// Stereo white noise in -0.5..0.5, the same for every run.
inline void fillNoise(std::vector<float>& l, std::vector<float>& r, std::size_t frames) {
    l.resize(frames);
    r.resize(frames);
    unsigned seed = 1;
    for (std::size_t i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        l[i] = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        seed = seed * 1664525u + 1013904223u;
        r[i] = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
}

}  // namespace bench
