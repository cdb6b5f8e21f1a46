#pragma once
// The command lines given to the desktop's dialog programs, and the handling of
// their answers; kept apart from process handling so that tests can check them.

#include <functional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace moltaro::platform {

struct DialogProgram {
    enum class Kind { none, zenity, kdialog };
    Kind kind = Kind::none;
    std::string path;
};

extern const char* const kNoDialogProgramMessage;

// The first executable of that name in the folders of $PATH, or empty.
std::string findOnPath(const std::string& name);
// zenity when installed, else kdialog, else none.
DialogProgram findDialogProgram();

std::vector<std::string> fileDialogArguments(DialogProgram::Kind kind, const FileDialogRequest& request);
std::vector<std::string> messageArguments(DialogProgram::Kind kind, const std::string& caption,
                                          const std::string& text, MessageKind messageKind);
std::vector<std::string> questionArguments(DialogProgram::Kind kind, const std::string& caption,
                                           const std::string& text);

std::string firstLine(const std::string& output);

// Applies the default extension to the path the user chose: a saved name without
// an extension gets it (asking before that replaces an existing file); an opened
// name that does not exist is tried with it. Empty when the user declines.
std::optional<std::string> completeChosenPath(const FileDialogRequest& request, const std::string& chosen,
                                              const std::function<bool(const std::string&)>& exists,
                                              const std::function<bool(const std::string&)>& confirm);

}  // namespace moltaro::platform
