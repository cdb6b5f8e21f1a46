#pragma once
// Dialogs answered from a script and recorded, for tests: each file dialog takes
// the next queued answer (a path, or a cancel when the queue is empty or holds
// nothing), each message is kept. Install with installDialogs().

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace moltaro::platform {

class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        std::string caption, text;
        MessageKind kind;
    };

    void answer(const std::string& path) { answers.push_back(path); }
    void cancelNext() { answers.push_back(std::nullopt); }

    std::optional<std::string> chooseFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    void showMessage(const std::string& caption, const std::string& text, MessageKind kind) override {
        messages.push_back({caption, text, kind});
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<FileDialogRequest> requests;
    std::vector<Message> messages;
};

// Installs a ScriptedDialogs for the life of this object.
class ScopedScriptedDialogs : public ScriptedDialogs {
public:
    ScopedScriptedDialogs() { installDialogs(this); }
    ~ScopedScriptedDialogs() override { installDialogs(nullptr); }
    ScopedScriptedDialogs(const ScopedScriptedDialogs&) = delete;
    ScopedScriptedDialogs& operator=(const ScopedScriptedDialogs&) = delete;
};

}  // namespace moltaro::platform
