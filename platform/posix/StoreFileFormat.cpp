#include "platform/posix/StoreFileFormat.h"

#include <cstdint>

namespace moltaro::platform {

namespace {

const char kHex[] = "0123456789abcdef";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendHexByte(std::string& out, std::uint8_t b) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

bool parseHex(const std::string& data, std::vector<std::uint8_t>& bytes) {
    if (data.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        int hi = hexDigit(data[i]), lo = hexDigit(data[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return true;
}

bool parseEscaped(const std::string& data, std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] != '\\') {
            bytes.push_back(static_cast<std::uint8_t>(data[i]));
            continue;
        }
        if (i + 3 >= data.size()) return false;
        if (data[i + 1] != 'x') return false;
        int hi = hexDigit(data[i + 2]), lo = hexDigit(data[i + 3]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        i += 3;
    }
    return true;
}

}  // namespace

bool canFormatValueName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (c == '=' || c == '\n' || c == '\r' || c == '\0') return false;
    return true;
}

std::string formatStoreFile(const StoredValues& values) {
    std::string out = "# ZUN Moltaro stored values: TYPE NAME=DATA per line (bin: hex bytes, str: text)\n";
    for (const auto& [name, value] : values) {
        if (!canFormatValueName(name)) continue;
        out += value.type == StoredValue::Type::binary ? "bin " : "str ";
        out += name;
        out += '=';
        for (std::uint8_t b : value.bytes) {
            if (value.type == StoredValue::Type::binary) {
                appendHexByte(out, b);
            } else if (b < 0x20 || b == 0x7f || b == '\\') {
                out += "\\x";
                appendHexByte(out, b);
            } else {
                out += static_cast<char>(b);
            }
        }
        out += '\n';
    }
    return out;
}

StoredValues parseStoreFile(const std::string& text) {
    StoredValues values;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.size() < 4 || line[3] != ' ') continue;
        std::string type = line.substr(0, 3);
        std::size_t equals = line.find('=', 4);
        if (equals == std::string::npos || equals == 4) continue;
        std::string name = line.substr(4, equals - 4);
        std::string data = line.substr(equals + 1);
        StoredValue value;
        bool good = false;
        if (type == "bin") {
            value.type = StoredValue::Type::binary;
            good = parseHex(data, value.bytes);
        } else if (type == "str") {
            value.type = StoredValue::Type::string;
            good = parseEscaped(data, value.bytes);
        }
        if (good) values[name] = std::move(value);
    }
    return values;
}

}  // namespace moltaro::platform
