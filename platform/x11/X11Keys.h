#pragma once
// Key events from X key symbols, in the numbering of the host protocol's key events.

#include "platform/Platform.h"

#include <string>

namespace moltaro::platform::x11 {

// keysym: the key's symbol; state: the X modifier state at the event; typed: the
// UTF-8 text the key produces, if any. Keys without a virtual number report their
// character; keys with neither report kKeyNone and character 0.
KeyEvent translateKey(unsigned long keysym, unsigned int state, const std::string& typed);

}  // namespace moltaro::platform::x11
