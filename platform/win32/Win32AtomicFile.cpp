// Windows file replacement: the bytes go to a fresh file beside the target, are
// flushed to disk, and the new file then takes the target's place in one step.

#include <windows.h>

#include <cstdio>

#include "platform/AtomicFile.h"
#include "platform/win32/Win32Text.h"

namespace moltaro::platform {

namespace {

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::string temporaryNameFor(const std::string& target, unsigned attempt) {
    static LONG counter = 0;
    LONG n = InterlockedIncrement(&counter);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lu-%ld-%u", GetCurrentProcessId(), static_cast<long>(n), attempt);
    return target + suffix;
}

bool writeAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size,
                         std::string* error) {
    if (path.empty()) {
        setError(error, "no file name");
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool targetExists = attributes != INVALID_FILE_ATTRIBUTES;
    if (targetExists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        setError(error, "it is a folder");
        return false;
    }
    // A write-protected file is respected, although the folder would let us replace it.
    if (targetExists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        setError(error, "the file is write-protected");
        return false;
    }

    HANDLE file = INVALID_HANDLE_VALUE;
    std::string temporary;
    DWORD lastError = 0;
    for (unsigned attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = temporaryNameFor(path, attempt);
        file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        lastError = GetLastError();
        if (file == INVALID_HANDLE_VALUE && lastError != ERROR_FILE_EXISTS && lastError != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        setError(error, win32::errorText(lastError));
        return false;
    }
    auto fail = [&](DWORD code) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        DeleteFileA(temporary.c_str());
        setError(error, win32::errorText(code));
        return false;
    };
    if (!writeAll(file, data, size)) return fail(GetLastError());
    if (!FlushFileBuffers(file)) return fail(GetLastError());
    BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed) return fail(GetLastError());

    // The new file takes the old one's attributes (hidden, archive...). MoveFileEx
    // replaces in one step and, unlike ReplaceFile, leaves nothing behind when the
    // target is in use.
    if (targetExists) SetFileAttributesA(temporary.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DWORD flags = MOVEFILE_WRITE_THROUGH | (targetExists ? MOVEFILE_REPLACE_EXISTING : 0);
    BOOL replaced = MoveFileExA(temporary.c_str(), path.c_str(), flags);
    if (!replaced) {
        DWORD code = GetLastError();
        SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        return fail(code);
    }
    return true;
}

}  // namespace moltaro::platform
