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
//
// What stands at `path` is respected: a file the crew has made read-only (the read-only
// attribute on Windows, no write permission for its owner elsewhere) is refused, whoever runs
// the program; a symbolic link is written through to the file it leads to and stays a link, and
// a link that leads to no file (a missing one, a loop) is refused rather than replaced by a file.
WriteResult writeBytesAtomic(const std::filesystem::path& path, std::string_view bytes);

// BrokenLink or LinkLoop when `path` is a symbolic link that leads to no file; no error for
// anything else (no link, or a link to a file or a folder). Windows links are not followed.
WriteResult linkFault(const std::filesystem::path& path);

// Splits raw bytes into lines at CR LF, a lone LF or a lone CR; the line ends are dropped and
// a last line without an end is kept.
std::vector<std::string> splitLines(std::string_view bytes);

// Paths as the screen shows them: UTF-8 text, whatever the platform's own file-name encoding.
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The lines joined with CR LF after each one.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

}  // namespace rennik::text_file
