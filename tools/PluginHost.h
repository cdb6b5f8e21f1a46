#pragma once
// The renderer's host for the Moltaro effect, linked in statically. The only code of
// the renderer that touches the plug-in: audio and parameters go through the effect's
// VST record exactly as a host drives a loaded module; programs are chosen through the
// effect's own preset system, since the host-visible interface shows a single program.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Renderer.h"
#include "presetsystem/PresetFiles.h"

struct AEffect;
class CPresetSystemEffect;

namespace render {

struct ProgramInfo {
    int number = 0;
    std::string name;
    std::string algorithm;
};

class PluginHost : public BlockProcessor {
public:
    // Creates the effect through its entry point and opens it. Null with a one-line
    // error when the effect cannot be created.
    static std::unique_ptr<PluginHost> create(std::string& error);
    ~PluginHost() override;   // switches the effect off if needed, then closes it
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Parameters, through the effect record.
    int parameterCount() const;
    std::vector<std::string> parameterNames();
    std::string parameterDisplay(int index);
    float parameter(int index);
    void setParameter(int index, float value);

    // Programs of the bank, through the effect's preset system.
    int programCount() const;
    std::vector<std::string> programNames() const;
    bool loadProgram(int number);
    // Every program with the algorithm it selects, as the effect names it. Loads each
    // program in turn, so use a host of its own for this.
    std::vector<ProgramInfo> listPrograms();
    std::string currentProgramName();
    // As the effect's own file loads do: a bank replaces all programs and program 0 is
    // applied; a preset replaces the selected program, which is then applied.
    void replaceBank(const moltaro::BankRecords& bank);
    void replaceCurrentProgram(const moltaro::ProgramRecord& program);
    moltaro::BankRecords bank() const;

    // Audio: sample rate and block size, then switched on (resume), as a host does it.
    void start(int sampleRate, int blockSize);
    void stop();   // switched off (suspend)
    void process(float* const* inputs, float* const* outputs, int frames) override;

    // What the effect asked of its host so far, by callback opcode (0..63).
    int hostCalls(int opcode) const;

private:
    friend struct HostCallback;   // the effect's way back to its host, in PluginHost.cpp
    PluginHost() = default;
    intptr_t dispatch(int opcode, int index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

    AEffect* effect_ = nullptr;
    CPresetSystemEffect* presets_ = nullptr;   // the same object, seen as its preset system
    int sampleRate_ = 44100;
    int blockSize_ = 512;
    bool running_ = false;
    int calls_[64] = {};
};

}  // namespace render
