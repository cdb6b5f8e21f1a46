#pragma once
// The program bank between the plug-in base layer and the effect: 53 programs, the
// selected one, program 0 as the live mirror of the effect's state, and the loading of a
// program into the effect. Towards the host the effect shows a single program.

#include <atomic>
#include <memory>

#include "presetsystem/CProgram.h"
#include "shell/AudioEffectX.h"

class CPresetSystemEffect : public AudioEffectX {
public:
    static constexpr VstInt32 kNumBankPrograms = 53;

    // [ui thread] Builds the base layer (1 program, 16 parameters) and the bank, and
    // writes the factory table into it.
    explicit CPresetSystemEffect(audioMasterCallback host);
    ~CPresetSystemEffect() override;

    // The selected program, 0..52.
    virtual VstInt32 getCurrentProgram() const;
    // [ui thread] Names the current program and program 0 (first 24 characters) and
    // shows the name in the editor.
    virtual void renameCurrent(const char* text);
    // [ui thread] Names the current program and program 0, then asks the host to refresh.
    virtual void renameWithRefresh(const char* text);
    // [ui thread] Applies program n (0..52; others are ignored) to the effect, reporting
    // every parameter to the host; program 0 becomes a copy of it.
    virtual void loadProgram(VstInt32 n);
    // [ui thread] The A/B memories (Memories.cpp): store the effect's values and the
    // current program's name in the user's settings, or recall them as automated
    // changes. Answer 0 on success, else a status callers may ignore.
    virtual int storeMemoA();
    virtual int storeMemoB();
    virtual int recallMemoA();
    virtual int recallMemoB();
    // setParameter, then begin-edit, automate (value as held), automate (value as
    // passed), end-edit to the host.
    virtual void setParameterAndNotify(VstInt32 index, float value);
    // [ui thread] Writes the factory table into the bank; the effect itself is untouched.
    virtual void fillFactoryBank();

    // [any thread] The program layer's part of a parameter change: writes indices 0..15
    // into the current program and program 0, unless a program is being loaded.
    // The effect class calls it after its own handling.
    void setParameter(VstInt32 index, float value) override;
    VstInt32 getProgram() override { return 0; }
    void setProgram(VstInt32 program) override { (void)program; }
    void setProgramName(const char* name) override { renameCurrent(name); }
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // A bank record, or null outside 0..52.
    CProgram* getProgramRecord(VstInt32 index);
    const CProgram* getProgramRecord(VstInt32 index) const;
    bool isLoadingProgram() const { return loadingProgram.load(std::memory_order_relaxed); }

protected:
    // Writes value into all 53 programs (Power, Mix and Output belong to the whole bank).
    void setParameterInAllPrograms(VstInt32 index, float value);

    std::unique_ptr<CProgram[]> programs;   // the bank, kNumBankPrograms records
    std::atomic<VstInt32> currentProgram{0};
    std::atomic<bool> loadingProgram{false};
};
