#pragma once
// Which sanitizer this build carries, if any (the compiler says so). Its plug-in
// binaries then need the sanitizer's runtime loaded before anything else, which
// programs built without one (Debian's LV2 hosts) do not have: the tests that load
// the plug-in into those programs skip themselves.

namespace testsupport {

#if defined(__SANITIZE_ADDRESS__)
constexpr const char* kSanitizer = "AddressSanitizer";
#elif defined(__SANITIZE_THREAD__)
constexpr const char* kSanitizer = "ThreadSanitizer";
#else
constexpr const char* kSanitizer = nullptr;
#endif

}  // namespace testsupport
