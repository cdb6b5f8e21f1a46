#pragma once
// The text format of one key of the Linux key/value store (one file per key).
//
//   # comment lines start with '#'; empty lines are ignored
//   bin param  0=0000803f
//   str name=Hall \x5c 2
//
// Each value is one line: its type ("bin" or "str"), one space, the value name up
// to the first '=', then the data. Binary data is written as hexadecimal digits, two
// per byte, in the order of the bytes. String data is the text itself, with the
// backslash and every byte below 0x20 or equal to 0x7f written as \xHH. A value name
// holds no '=', line break or NUL. Lines that do not follow these rules are skipped
// when reading.

#include <string>

#include "platform/KeyValueStore.h"

namespace moltaro::platform {

std::string formatStoreFile(const StoredValues& values);
// False when a value name cannot be written in this format.
bool canFormatValueName(const std::string& name);
StoredValues parseStoreFile(const std::string& text);

}  // namespace moltaro::platform
