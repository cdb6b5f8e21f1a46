#pragma once
// Writing a whole file so that it is either completely the new content or left as
// it was: the bytes go to a temporary file beside the target, which then replaces
// the target in one step. Used for preset and bank files and for stored settings.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace moltaro::platform {

// True on success. On failure the target is untouched, no temporary file is left,
// and error (when given) says why in words fit for the user.
bool writeFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size,
                         std::string* error = nullptr);
inline bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                std::string* error = nullptr) {
    return writeFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace moltaro::platform
