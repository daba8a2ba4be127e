#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/file_error.h"

// Key-by-key access to a profile (INI) file in the Windows format: "[section]" lines, "key=value"
// lines, Shift-JIS text with CR LF line ends. Section, key and value are UTF-8 on this side.
//
// Rules: section and key names match without regard to ASCII case and to blanks around them;
// values lose the blanks around them and one pair of enclosing double or single quotes; lines
// starting with ';' are comments; any other line that is neither a section nor a key is ignored.
// Of duplicate sections or keys the first one counts, for reading and for writing alike.
namespace rennik::profile {

struct ReadResult {
    // Length of the value in Shift-JIS bytes; 0 means not found (missing file, section or key,
    // or an empty value).
    std::size_t count = 0;
    std::string value;  // UTF-8
};

// The value of `key` in `section`, cut at its first NUL and to at most 1023 bytes (never inside
// a double-byte character).
ReadResult readIni(const std::filesystem::path& file, std::string_view section, std::string_view key);

// Sets `key` in `section` to `value`: replaces the first such key in place, or appends the key at
// the end of its section, or appends the section at the end of the file (created when missing).
// Every other line is kept byte for byte; the file is rewritten with CR LF through a temporary
// file. False when the file cannot be read or written; the file is then unchanged.
WriteResult writeIni(std::string_view section, std::string_view key, std::string_view value,
                     const std::filesystem::path& file);

}  // namespace rennik::profile
