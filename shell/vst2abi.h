#pragma once
// The VST 2.4 binary interface between a host and this plug-in: basic types, the
// effect record, opcodes, constants and the records passed through pointers.
// Only the shell layer includes this header; everything else talks to the effect classes.
//
// Deliberately free of C++ library headers so that it can be checked for any target
// (including 32-bit) with nothing but the compiler.

#include <stddef.h>
#include <stdint.h>

typedef int32_t VstInt32;
typedef int16_t VstInt16;
typedef intptr_t VstIntPtr;

struct AEffect;

// All interface functions use the platform's default C calling convention.
typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                   VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                         VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float value);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// Four characters packed big-endian into an int32 ('VstP' = 0x56737450).
constexpr VstInt32 vstFourCC(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = vstFourCC('V', 's', 't', 'P');
constexpr VstInt32 kEffectIdentify = vstFourCC('N', 'v', 'E', 'f');

// The effect record. Field order and layout are fixed by the interface.
struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;          // deprecated accumulating process
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;              // deprecated
    VstInt32 offQualities;               // deprecated
    float ioRatio;                       // deprecated
    void* object;                        // back pointer to the plug-in's effect object
    void* user;                          // the host's own
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12
};

// Dispatcher opcodes (host to plug-in). Gaps are deprecated opcodes.
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effGetParameterProperties = 56,
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79
};

// Host callback opcodes (plug-in to host).
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46
};

// Text limits in bytes, terminator not counted.
enum VstStringLimits : VstInt32 {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxFileNameLen = 100
};

enum VstPlugCategory : VstInt32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
    kPlugCategAnalysis,
    kPlugCategMastering,
    kPlugCategSpacializer,
    kPlugCategRoomFx,
    kPlugSurroundFx,
    kPlugCategRestoration,
    kPlugCategOfflineProcess,
    kPlugCategShell,
    kPlugCategGenerator
};

struct ERect {
    VstInt16 top, left, bottom, right;
};

enum VstPinPropertiesFlags : VstInt32 {
    kVstPinIsActive = 1,
    kVstPinIsStereo = 1 << 1,
    kVstPinUseSpeaker = 1 << 2
};

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    VstInt32 flags;
    VstInt32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum VstParameterFlags : VstInt32 {
    kVstParameterIsSwitch = 1,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    VstInt32 flags;
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    VstInt16 displayIndex;
    VstInt16 category;
    VstInt16 numParametersInCategory;
    VstInt16 reserved;
    char categoryLabel[24];
    char future[16];
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstMaxLabelLen];
    VstInt32 type;
    char future[28];
};

struct VstSpeakerArrangement {
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};

// Key modifier bits of effEditKeyDown / effEditKeyUp (opt).
enum VstModifierKey : VstInt32 {
    MODIFIER_SHIFT = 1,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3
};

// Layout checks: a host built by anyone else lays these records out exactly so.
static_assert(sizeof(VstInt32) == 4 && sizeof(VstInt16) == 2, "fixed-size integers");
static_assert(sizeof(VstIntPtr) == sizeof(void*), "VstIntPtr is pointer-sized");
static_assert(sizeof(float) == 4, "32-bit float");
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "32- or 64-bit target");

namespace vst2abi_layout {
constexpr bool k64 = sizeof(void*) == 8;
}

static_assert(offsetof(AEffect, magic) == 0, "AEffect.magic");
static_assert(offsetof(AEffect, dispatcher) == (vst2abi_layout::k64 ? 8 : 4), "AEffect.dispatcher");
static_assert(offsetof(AEffect, setParameter) == (vst2abi_layout::k64 ? 24 : 12), "AEffect.setParameter");
static_assert(offsetof(AEffect, numPrograms) == (vst2abi_layout::k64 ? 40 : 20), "AEffect.numPrograms");
static_assert(offsetof(AEffect, flags) == (vst2abi_layout::k64 ? 56 : 36), "AEffect.flags");
static_assert(offsetof(AEffect, resvd1) == (vst2abi_layout::k64 ? 64 : 40), "AEffect.resvd1");
static_assert(offsetof(AEffect, initialDelay) == (vst2abi_layout::k64 ? 80 : 48), "AEffect.initialDelay");
static_assert(offsetof(AEffect, ioRatio) == (vst2abi_layout::k64 ? 92 : 60), "AEffect.ioRatio");
static_assert(offsetof(AEffect, object) == (vst2abi_layout::k64 ? 96 : 64), "AEffect.object");
static_assert(offsetof(AEffect, user) == (vst2abi_layout::k64 ? 104 : 68), "AEffect.user");
static_assert(offsetof(AEffect, uniqueID) == (vst2abi_layout::k64 ? 112 : 72), "AEffect.uniqueID");
static_assert(offsetof(AEffect, version) == (vst2abi_layout::k64 ? 116 : 76), "AEffect.version");
static_assert(offsetof(AEffect, processReplacing) == (vst2abi_layout::k64 ? 120 : 80),
              "AEffect.processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == (vst2abi_layout::k64 ? 128 : 84),
              "AEffect.processDoubleReplacing");
static_assert(offsetof(AEffect, future) == (vst2abi_layout::k64 ? 136 : 88), "AEffect.future");
static_assert(sizeof(AEffect) == (vst2abi_layout::k64 ? 192 : 144), "sizeof(AEffect)");

static_assert(sizeof(ERect) == 8, "sizeof(ERect)");
static_assert(offsetof(VstPinProperties, flags) == 64, "VstPinProperties.flags");
static_assert(offsetof(VstPinProperties, shortLabel) == 72, "VstPinProperties.shortLabel");
static_assert(sizeof(VstPinProperties) == 128, "sizeof(VstPinProperties)");
static_assert(offsetof(VstParameterProperties, label) == 12, "VstParameterProperties.label");
static_assert(offsetof(VstParameterProperties, flags) == 76, "VstParameterProperties.flags");
static_assert(offsetof(VstParameterProperties, shortLabel) == 96, "VstParameterProperties.shortLabel");
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112,
              "VstParameterProperties.categoryLabel");
static_assert(sizeof(VstParameterProperties) == 152, "sizeof(VstParameterProperties)");
static_assert(offsetof(VstSpeakerProperties, type) == 80, "VstSpeakerProperties.type");
static_assert(sizeof(VstSpeakerProperties) == 112, "sizeof(VstSpeakerProperties)");
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8, "VstSpeakerArrangement.speakers");
static_assert(sizeof(VstSpeakerArrangement) == 904, "sizeof(VstSpeakerArrangement)");
