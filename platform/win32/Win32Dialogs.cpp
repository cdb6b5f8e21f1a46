// Windows file dialogs (comdlg32) and message boxes (MessageBoxA).

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace moltaro::platform {

namespace {

// "Name\0pattern\0...\0\0", as the dialog takes its filter list.
std::string filterList(const std::vector<FileFilter>& filters) {
    std::string list;
    for (const auto& f : filters) {
        list += f.name;
        list += '\0';
        list += f.pattern;
        list += '\0';
    }
    list += '\0';
    return list;
}

std::string toBackslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class Win32Dialogs : public Dialogs {
public:
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override {
        const bool save = request.mode == FileDialogRequest::Mode::save;
        const std::string filters = filterList(request.filters);
        const std::string folder = toBackslashes(request.initialFolder);
        std::vector<char> file(4096, 0);

        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        // Owned by the window the user is working in (the host's, which holds the editor).
        ofn.hwndOwner = GetActiveWindow();
        ofn.lpstrFilter = request.filters.empty() ? nullptr : filters.c_str();
        ofn.nFilterIndex = request.filters.empty() ? 0 : static_cast<DWORD>(request.selectedFilter + 1);
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
        ofn.lpstrTitle = request.title.c_str();
        ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
        // The host's working directory is not ours to change.
        ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    (save ? OFN_OVERWRITEPROMPT : OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);

        for (int attempt = 0; attempt < 2; ++attempt) {
            std::fill(file.begin(), file.end(), 0);
            // The remembered name is offered on the first attempt only.
            if (attempt == 0) request.initialName.copy(file.data(), file.size() - 1);
            BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
            if (chosen) return std::string(file.data());
            DWORD error = CommDlgExtendedError();
            if (error == 0) return std::nullopt;  // cancelled
            // A remembered name the dialog refuses: ask again without it.
            if (error == FNERR_INVALIDFILENAME && attempt == 0 && !request.initialName.empty()) continue;
            showMessage("Error...", "The file dialog could not be shown (error " + std::to_string(error) + ").",
                        MessageKind::error);
            return std::nullopt;
        }
        return std::nullopt;
    }

    void showMessage(const std::string& caption, const std::string& text, MessageKind kind) override {
        UINT icon = kind == MessageKind::error     ? MB_ICONERROR
                    : kind == MessageKind::warning ? MB_ICONWARNING
                                                   : MB_ICONINFORMATION;
        // No owner: the box stays modal to the whole thread, the host's windows included.
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | icon | MB_TASKMODAL | MB_SETFOREGROUND);
    }
};

}  // namespace

Dialogs& systemDialogs() {
    static Win32Dialogs d;
    return d;
}

}  // namespace moltaro::platform
