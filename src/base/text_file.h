#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_error.h"

// Whole-file reading and writing for the program's text files (Shift-JIS, CR LF).
namespace rennik::text_file {

// The raw bytes of a file, or nothing when it cannot be read (missing, a folder, no access).
std::optional<std::string> readBytes(const std::filesystem::path& path);

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it
// over `path`, so that a crash never leaves a half-written file. When any step fails the old
// file is untouched and the result says why.
WriteResult writeBytesAtomic(const std::filesystem::path& path, std::string_view bytes);

// Splits raw bytes into lines at CR LF, a lone LF or a lone CR; the line ends are dropped and
// a last line without an end is kept.
std::vector<std::string> splitLines(std::string_view bytes);

// Paths as the screen shows them: UTF-8 text, whatever the platform's own file-name encoding.
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The lines joined with CR LF after each one.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

}  // namespace rennik::text_file
