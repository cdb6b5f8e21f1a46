#include "presetsystem/FileOperations.h"

#include <filesystem>

#include "presetsystem/CPresetSystemEffect.h"

namespace moltaro {

namespace {

namespace fs = std::filesystem;
using Mode = platform::FileDialogRequest::Mode;

ProgramRecord recordOf(const CProgram& program) {
    ProgramRecord r;
    r.setName(program.name());
    for (int i = 0; i < kFileValueCount; ++i) r.values[i] = program.getParameter(i);
    return r;
}

void putRecord(CProgram& program, const ProgramRecord& r) {
    program.setName(r.name);
    for (int i = 0; i < kFileValueCount; ++i) program.setParameter(i, r.values[i]);
}

std::string displayName(const std::string& path) { return fs::path(path).filename().string(); }

}  // namespace

CPresetFileOperations::CPresetFileOperations(CPresetSystemEffect* effect, View* view)
    : effect(effect), view(view) {
    std::error_code ec;
    folder = fs::current_path(ec).string();
}

platform::FileDialogRequest CPresetFileOperations::bankDialog(Mode mode) const {
    platform::FileDialogRequest r;
    r.mode = mode;
    r.title = mode == Mode::open ? "Select bank to load..." : "Save bank as...";
    r.filters = {{"All Files", "*.*"}, {"ZUN Banks", "*.zub"}};
    r.selectedFilter = 1;
    r.defaultExtension = "zub";
    r.initialFolder = folder;
    r.initialName = bankName;
    return r;
}

platform::FileDialogRequest CPresetFileOperations::presetDialog(Mode mode) const {
    platform::FileDialogRequest r;
    r.mode = mode;
    r.title = mode == Mode::open ? "Select preset to load..." : "Save preset as...";
    r.filters = {{"All Files", "*.*"}, {"ZUN Presets", "*.zun"}};
    r.selectedFilter = 1;
    r.defaultExtension = "zun";
    r.initialFolder = folder;
    r.initialName = presetName;
    return r;
}

std::string CPresetFileOperations::choose(const platform::FileDialogRequest& request, std::string& rememberedName) {
    auto chosen = platform::dialogs().chooseFile(request);
    if (!chosen || chosen->empty()) return {};
    fs::path path(*chosen);
    std::string name = path.filename().string();
    std::string parent = path.parent_path().string();
    if (!name.empty()) rememberedName = name;
    if (!parent.empty()) folder = parent;
    if (name.empty() || parent.empty()) return {};
    // The file is opened by its full path: the host's working directory is not ours to change.
    return *chosen;
}

void CPresetFileOperations::showError(const std::string& text) const {
    platform::dialogs().showMessage(kErrorCaption, text, platform::MessageKind::error);
}

void CPresetFileOperations::showLoadError(FileError error, const std::string& path, const std::string& detail) const {
    if (error == FileError::cannotOpen || error == FileError::cannotRead) {
        std::string text = std::string(error == FileError::cannotOpen ? "Could not open" : "Could not read") +
                           " \"" + displayName(path) + "\"";
        if (!detail.empty()) text += ": " + detail;
        showError(text + ".");
        return;
    }
    showError(fileErrorMessage(error));
}

void CPresetFileOperations::loadBank() {
    if (!effect) return;
    std::string path = choose(bankDialog(Mode::open), bankName);
    if (!path.empty()) loadBankFrom(path);
}

void CPresetFileOperations::saveBank() {
    if (!effect) return;
    std::string path = choose(bankDialog(Mode::save), bankName);
    if (!path.empty()) saveBankTo(path);
}

void CPresetFileOperations::loadPreset() {
    if (!effect) return;
    std::string path = choose(presetDialog(Mode::open), presetName);
    if (!path.empty()) loadPresetFrom(path);
}

void CPresetFileOperations::savePreset() {
    if (!effect) return;
    std::string path = choose(presetDialog(Mode::save), presetName);
    if (!path.empty()) savePresetTo(path);
}

FileError CPresetFileOperations::loadBankFrom(const std::string& path) {
    if (!effect) return FileError::none;
    BankRecords bank;
    std::string detail;
    FileError error = readBankFile(path, bank, &detail);
    if (error != FileError::none) {
        showLoadError(error, path, detail);
        return error;
    }
    for (int i = 0; i < kBankProgramCount; ++i) {
        CProgram* program = effect->getProgramRecord(i);
        if (!program) continue;
        putRecord(*program, bank[i]);
        if (view) view->renameMenuEntry(i, program->name());
    }
    if (view) {
        view->selectFirstMenuEntry();
        if (const CProgram* first = effect->getProgramRecord(0)) view->showProgramName(first->name());
    }
    effect->loadProgram(0);
    return FileError::none;
}

FileError CPresetFileOperations::loadPresetFrom(const std::string& path) {
    if (!effect) return FileError::none;
    ProgramRecord record;
    std::string detail;
    FileError error = readPresetFile(path, record, &detail);
    if (error != FileError::none) {
        showLoadError(error, path, detail);
        return error;
    }
    VstInt32 current = effect->getCurrentProgram();
    CProgram* program = effect->getProgramRecord(current);
    if (!program) return FileError::none;
    putRecord(*program, record);
    if (view) view->showProgramName(program->name());
    effect->loadProgram(current);
    return FileError::none;
}

bool CPresetFileOperations::saveBankTo(const std::string& path) {
    if (!effect) return false;
    BankRecords bank;
    for (int i = 0; i < kBankProgramCount; ++i)
        if (const CProgram* program = effect->getProgramRecord(i)) bank[i] = recordOf(*program);
    std::string why;
    if (writeBankFile(path, bank, &why)) return true;
    showError("Could not save \"" + displayName(path) + "\" (" + why +
              "). The bank was not saved; an existing file of that name is unchanged.");
    return false;
}

bool CPresetFileOperations::savePresetTo(const std::string& path) {
    if (!effect) return false;
    const CProgram* program = effect->getProgramRecord(effect->getCurrentProgram());
    if (!program) return false;
    std::string why;
    if (writePresetFile(path, recordOf(*program), &why)) return true;
    showError("Could not save \"" + displayName(path) + "\" (" + why +
              "). The preset was not saved; an existing file of that name is unchanged.");
    return false;
}

}  // namespace moltaro
