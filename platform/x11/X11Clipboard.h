#pragma once
// Copy and paste for the text fields through the CLIPBOARD selection. What we copy
// is offered to other programs for as long as the connection is open (it closes
// with the last editor window); pasting asks the owner and waits a short while for
// the answer.

#include "X11Connection.h"

#include <string>

namespace moltaro::platform::x11 {

class Clipboard : public EventTarget {
public:
    explicit Clipboard(Connection& connection);
    ~Clipboard() override;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    // Takes the selection with this UTF-8 text. False when the server would not give it.
    bool copy(const std::string& utf8);
    // The selection's text as UTF-8 (our own directly, another program's by asking
    // it through the requestor window). False when there is none or no answer came
    // within the time.
    bool paste(::Window requestor, std::string& out, int timeoutMs = 500);

    bool owned() const { return owning; }
    void handleEvent(const XEvent& event) override;

private:
    bool fetch(::Window requestor, Atom target, std::string& out, int timeoutMs);

    Connection& conn;
    ::Window window = 0;  // owns the selection; never shown
    std::string text;
    bool owning = false;
};

}  // namespace moltaro::platform::x11
