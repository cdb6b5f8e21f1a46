#pragma once
// The preset bar's four file operations: load and save the bank (*.zub) and the
// current program (*.zun), each through an open or save dialog, with messages in a
// box captioned "Error...". Remembers, for its own lifetime, one folder shared by
// all four dialogs (initially the working directory) and the last bank and preset
// file names, which the dialogs offer again.
//
// A file is read and checked whole before anything changes; a refused file leaves
// the bank exactly as it was. Saving replaces the target only once the whole file
// has been written.
//
// [ui thread] all of it; the dialogs are modal.

#include <string>

#include "platform/Dialogs.h"
#include "presetsystem/PresetFiles.h"

class CPresetSystemEffect;

namespace moltaro {

class CPresetFileOperations {
public:
    // What the preset bar shows of the bank, kept in step by the loads.
    class View {
    public:
        virtual ~View() = default;
        // Name field, the selected program's menu entry and entry 0.
        virtual void showProgramName(const char* name) = 0;
        // The menu entry of program index (0..52).
        virtual void renameMenuEntry(int index, const char* name) = 0;
        virtual void selectFirstMenuEntry() = 0;
    };

    static constexpr const char* kErrorCaption = "Error...";

    // Effect and view are not owned and may be null (then the operations do nothing,
    // or show nothing, respectively).
    explicit CPresetFileOperations(CPresetSystemEffect* effect, View* view = nullptr);

    // The four operations, each starting with its dialog.
    void loadBank();
    void saveBank();
    void loadPreset();
    void savePreset();

    // The same without a dialog, on a full path; messages are shown as above.
    // Loads answer the outcome; saves answer true when the file was written.
    FileError loadBankFrom(const std::string& path);
    FileError loadPresetFrom(const std::string& path);
    bool saveBankTo(const std::string& path);
    bool savePresetTo(const std::string& path);

    const std::string& directory() const { return folder; }
    const std::string& lastBankName() const { return bankName; }
    const std::string& lastPresetName() const { return presetName; }

    // The dialog each operation shows.
    platform::FileDialogRequest bankDialog(platform::FileDialogRequest::Mode mode) const;
    platform::FileDialogRequest presetDialog(platform::FileDialogRequest::Mode mode) const;

private:
    // Shows the dialog and remembers folder and name; empty when nothing is to be done.
    std::string choose(const platform::FileDialogRequest& request, std::string& rememberedName);
    void showError(const std::string& text) const;
    void showLoadError(FileError error, const std::string& path, const std::string& detail) const;

    CPresetSystemEffect* effect;
    View* view;
    std::string folder;
    std::string bankName;
    std::string presetName;
};

}  // namespace moltaro
