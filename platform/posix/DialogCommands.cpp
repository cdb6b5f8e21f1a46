#include "platform/posix/DialogCommands.h"

namespace moltaro::platform {

const char* const kNoDialogProgramMessage =
    "No file dialog program was found. To load and save preset and bank files, "
    "install zenity (for example: sudo apt install zenity) or kdialog.";

namespace {

// On Linux "*.*" would hide files without a dot; every file is meant.
std::string patternFor(const FileFilter& f) { return f.pattern == "*.*" ? "*" : f.pattern; }

// Filters in the order the user should meet them: the selected one first, since
// both programs preselect their first filter.
std::vector<FileFilter> filtersSelectedFirst(const FileDialogRequest& r) {
    std::vector<FileFilter> out;
    if (r.selectedFilter < r.filters.size()) out.push_back(r.filters[r.selectedFilter]);
    for (std::size_t i = 0; i < r.filters.size(); ++i)
        if (i != r.selectedFilter) out.push_back(r.filters[i]);
    return out;
}

std::string startPath(const FileDialogRequest& r) {
    std::string folder = r.initialFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + r.initialName;
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool hasExtension(const std::string& path) {
    std::string name = baseName(path);
    auto dot = name.find_last_of('.');
    return dot != std::string::npos && dot != 0 && dot + 1 < name.size();
}

}  // namespace

std::vector<std::string> fileDialogArguments(DialogProgram::Kind kind, const FileDialogRequest& r) {
    const bool save = r.mode == FileDialogRequest::Mode::save;
    std::vector<std::string> a;
    if (kind == DialogProgram::Kind::zenity) {
        a = {"zenity", "--file-selection", "--title=" + r.title};
        if (save) {
            a.push_back("--save");
            a.push_back("--confirm-overwrite");
        }
        std::string start = startPath(r);
        if (!start.empty()) a.push_back("--filename=" + start);
        for (const auto& f : filtersSelectedFirst(r)) a.push_back("--file-filter=" + f.name + " | " + patternFor(f));
    } else if (kind == DialogProgram::Kind::kdialog) {
        a = {"kdialog", "--title", r.title, save ? "--getsavefilename" : "--getopenfilename"};
        std::string start = startPath(r);
        a.push_back(start.empty() ? "." : start);
        std::string filter;
        for (const auto& f : filtersSelectedFirst(r)) {
            if (!filter.empty()) filter += '\n';
            filter += patternFor(f) + "|" + f.name;
        }
        a.push_back(filter);
    }
    return a;
}

std::vector<std::string> messageArguments(DialogProgram::Kind kind, const std::string& caption,
                                          const std::string& text, MessageKind messageKind) {
    if (kind == DialogProgram::Kind::zenity) {
        const char* type = messageKind == MessageKind::error     ? "--error"
                           : messageKind == MessageKind::warning ? "--warning"
                                                                 : "--info";
        return {"zenity", type, "--title=" + caption, "--no-markup", "--text=" + text};
    }
    if (kind == DialogProgram::Kind::kdialog) {
        const char* type = messageKind == MessageKind::error     ? "--error"
                           : messageKind == MessageKind::warning ? "--sorry"
                                                                 : "--msgbox";
        return {"kdialog", "--title", caption, type, text};
    }
    return {};
}

std::vector<std::string> questionArguments(DialogProgram::Kind kind, const std::string& caption,
                                           const std::string& text) {
    if (kind == DialogProgram::Kind::zenity)
        return {"zenity", "--question", "--title=" + caption, "--no-markup", "--text=" + text};
    if (kind == DialogProgram::Kind::kdialog) return {"kdialog", "--title", caption, "--yesno", text};
    return {};
}

std::string firstLine(const std::string& output) {
    std::string line = output.substr(0, output.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> completeChosenPath(const FileDialogRequest& r, const std::string& chosen,
                                              const std::function<bool(const std::string&)>& exists,
                                              const std::function<bool(const std::string&)>& confirm) {
    if (r.defaultExtension.empty() || hasExtension(chosen) || baseName(chosen).empty()) return chosen;
    std::string extended = chosen + "." + r.defaultExtension;
    if (r.mode == FileDialogRequest::Mode::open) return exists(chosen) || !exists(extended) ? chosen : extended;
    // The dialog asked about the name as typed, not about the one we now write.
    if (exists(extended) && !confirm("\"" + baseName(extended) + "\" already exists. Replace it?"))
        return std::nullopt;
    return extended;
}

}  // namespace moltaro::platform
