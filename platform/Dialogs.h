#pragma once
// File dialogs and message boxes as the preset system needs them: one request
// describing an open or save dialog, one call to show a message. Each backend
// supplies its own implementation; tests install a scripted one.
//
// Threads: user-interface thread only. Every call is modal: it returns when the
// user has answered.

#include <optional>
#include <string>
#include <vector>

namespace moltaro::platform {

struct FileFilter {
    std::string name;     // what the user sees, e.g. "ZUN Banks"
    std::string pattern;  // e.g. "*.zub"; "*.*" means every file
};

struct FileDialogRequest {
    enum class Mode { open, save };
    Mode mode = Mode::open;
    std::string title;
    std::vector<FileFilter> filters;  // in the order the user sees them
    std::size_t selectedFilter = 0;   // index into filters of the one offered first
    std::string defaultExtension;     // without the dot; added to a typed name that has none
    std::string initialFolder;        // absolute; empty for the backend's choice
    std::string initialName;          // file name offered in the name field
};

enum class MessageKind { error, warning, information };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the dialog; the chosen absolute path, or nothing when the user cancels
    // or no dialog could be shown (the backend then tells the user why).
    virtual std::optional<std::string> chooseFile(const FileDialogRequest& request) = 0;
    virtual void showMessage(const std::string& caption, const std::string& text,
                             MessageKind kind = MessageKind::error) = 0;
};

// The backend's dialogs for this platform.
Dialogs& systemDialogs();

// What the preset system uses: the installed replacement, or the backend's.
Dialogs& dialogs();
// Replaces the dialogs for everyone until called again with nullptr (tests, or an
// editor that draws messages itself). The object must outlive its installation.
void installDialogs(Dialogs* replacement);

}  // namespace moltaro::platform
