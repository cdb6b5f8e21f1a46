#pragma once
// Small helpers shared by the Win32 services: system error texts in words fit for the
// user.

#include <string>

namespace moltaro::platform::win32 {

// The system's text for an error code, without the closing full stop and line break
// (e.g. "Access is denied"); "error N" when the system has none.
std::string errorText(unsigned long code);

}  // namespace moltaro::platform::win32
