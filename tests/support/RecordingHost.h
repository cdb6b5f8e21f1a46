#pragma once
// An in-process VST host for tests. It drives an effect only through its AEffect record,
// exactly as a host application would, and records every call the effect makes to the
// host callback.
//
//   RecordingHost host;                       // answers version 2400, 44100 Hz, 512 frames
//   AEffect* e = host.load(moltaroPluginMain); // or a VSTPluginMain found with dlsym
//   host.startAudio();                         // open, rate, block size, resume
//   host.process(frames);                      // stereo buffers owned by the host
//   host.count(audioMasterUpdateDisplay);      // what the effect asked of the host
//   host.close();                              // effClose (the destructor does it too)
//
// Answers: audioMasterVersion -> version (2400), audioMasterGetSampleRate -> sampleRate,
// audioMasterGetBlockSize -> hostBlockSize, audioMasterPinConnected -> 0 (connected) unless
// input1Connected / output1Connected is false for pin 1; everything else 0.
// Calls are recorded under a mutex, so the effect may call from several threads.

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "shell/vst2abi.h"

namespace testhost {

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
    bool hadEffect;  // the effect passed its record (false for the entry's first query)

    bool operator==(const HostCall& o) const {
        return opcode == o.opcode && index == o.index && value == o.value && opt == o.opt;
    }
};

using EntryPoint = AEffect* (*)(audioMasterCallback);

class RecordingHost {
public:
    // What the host answers; change before load() or at any time after.
    VstIntPtr version = 2400;
    float sampleRate = 44100.0f;
    VstIntPtr hostBlockSize = 512;
    bool input1Connected = true;
    bool output1Connected = true;

    RecordingHost() = default;
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;
    ~RecordingHost() { close(); }

    // Calls the entry point with this host's callback. The record (or null) is returned
    // and kept; its user field points back to this host.
    AEffect* load(EntryPoint entry) {
        constructing() = this;
        effect_ = entry(&RecordingHost::callback);
        constructing() = nullptr;
        if (effect_) effect_->user = this;
        return effect_;
    }

    AEffect* effect() const { return effect_; }

    // effClose; the record is gone afterwards.
    VstIntPtr close() {
        if (!effect_) return 0;
        AEffect* e = effect_;
        effect_ = nullptr;
        return e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    // A text opcode into a 256-byte buffer prefilled with '#', so that a text the effect
    // leaves unterminated or does not write shows up. lastTextBytes() tells how many
    // bytes the effect touched.
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) {
        char buffer[256];
        std::memset(buffer, '#', sizeof buffer);
        lastAnswer_ = dispatch(opcode, index, value, buffer);
        lastTextBytes_ = 0;
        for (std::size_t i = 0; i < sizeof buffer; ++i)
            if (buffer[i] != '#') lastTextBytes_ = i + 1;
        buffer[sizeof buffer - 1] = 0;
        return std::string(buffer, strnlen(buffer, sizeof buffer));
    }
    VstIntPtr lastAnswer() const { return lastAnswer_; }
    std::size_t lastTextBytes() const { return lastTextBytes_; }

    void setParameter(VstInt32 index, float value) { effect_->setParameter(effect_, index, value); }
    float getParameter(VstInt32 index) { return effect_->getParameter(effect_, index); }

    // The usual order before audio: open, sample rate, block size, switch on.
    void startAudio(float rate = 44100.0f, VstInt32 blockSize = 512) {
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effSetBlockSize, 0, blockSize);
        dispatch(effMainsChanged, 0, 1);
    }
    void stopAudio() { dispatch(effMainsChanged, 0, 0); }

    // Host-owned stereo buffers, resized on demand. Fill in[c] before process().
    std::vector<float> in[2], out[2];
    // processReplacing over the host buffers (resized to at least frames, keeping contents).
    void process(VstInt32 frames) {
        for (int c = 0; c < 2; ++c) {
            if (in[c].size() < static_cast<std::size_t>(frames)) in[c].resize(frames, 0.0f);
            if (out[c].size() < static_cast<std::size_t>(frames)) out[c].resize(frames, 0.0f);
        }
        float* ins[2] = {in[0].data(), in[1].data()};
        float* outs[2] = {out[0].data(), out[1].data()};
        effect_->processReplacing(effect_, ins, outs, frames);
    }

    // The log of host callback calls.
    std::vector<HostCall> calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    void clearCalls() {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.clear();
    }
    std::size_t count(VstInt32 opcode) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<std::size_t>(std::count_if(
            calls_.begin(), calls_.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
    }
    // The calls with one of the given opcodes, in order.
    std::vector<HostCall> callsOf(std::initializer_list<VstInt32> opcodes) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<HostCall> picked;
        for (const HostCall& c : calls_)
            if (std::find(opcodes.begin(), opcodes.end(), c.opcode) != opcodes.end())
                picked.push_back(c);
        return picked;
    }

private:
    // The host being constructed into: during the entry point the effect has no user field yet.
    static RecordingHost*& constructing() {
        static RecordingHost* host = nullptr;
        return host;
    }

    static VstIntPtr callback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt) {
        (void)ptr;
        RecordingHost* host = e && e->user ? static_cast<RecordingHost*>(e->user) : constructing();
        if (!host) return 0;
        return host->answer(HostCall{opcode, index, value, opt, e != nullptr});
    }

    VstIntPtr answer(const HostCall& call) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
        }
        switch (call.opcode) {
        case audioMasterVersion:
            return version;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(sampleRate);
        case audioMasterGetBlockSize:
            return hostBlockSize;
        case audioMasterPinConnected:
            if (call.index == 1) {
                const bool connected = call.value == 0 ? input1Connected : output1Connected;
                return connected ? 0 : 1;
            }
            return 0;
        default:
            return 0;
        }
    }

    AEffect* effect_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
    VstIntPtr lastAnswer_ = 0;
    std::size_t lastTextBytes_ = 0;
};

}  // namespace testhost
