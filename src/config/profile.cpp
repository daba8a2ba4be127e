#include "config/profile.h"

#include <optional>
#include <system_error>
#include <vector>

#include "base/sjis.h"
#include "base/text_file.h"

namespace rennik::profile {
namespace {

constexpr std::size_t kMaxValueBytes = 1023;

// Blanks, quotes, '=', ';' and NUL never occur as the second byte of a Shift-JIS character, so
// a plain byte search finds them. ']' can (0x5D), so the section end is searched character-wise.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Byte length of the Shift-JIS character at the start of `rest`: two for a lead byte with a valid
// second byte, one otherwise (the same stepping the decoder uses for bad bytes).
std::size_t charLength(std::string_view rest) {
    const auto c0 = static_cast<unsigned char>(rest[0]);
    const bool lead = (c0 >= 0x81 && c0 <= 0x9F) || (c0 >= 0xE0 && c0 <= 0xFC);
    if (lead && rest.size() > 1) {
        const auto c1 = static_cast<unsigned char>(rest[1]);
        if (c1 >= 0x40 && c1 <= 0xFC && c1 != 0x7F) {
            return 2;
        }
    }
    return 1;
}

// Names compare as decoded text with ASCII letters folded; UTF-8 multi-byte sequences contain no
// ASCII bytes, so folding byte-wise is safe.
std::string foldName(std::string_view utf8) {
    std::string out(trim(utf8));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

struct Line {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    std::string_view rawName;   // Shift-JIS, trimmed
    std::string_view rawValue;  // Shift-JIS, untrimmed (keys only)
};

Line parseLine(std::string_view line) {
    const std::string_view text = trim(line);
    if (text.empty() || text.front() == ';') {
        return {};
    }
    if (text.front() == '[') {
        for (std::size_t i = 1; i < text.size(); i += charLength(text.substr(i))) {
            if (text[i] == ']') {
                return {Line::Kind::Section, trim(text.substr(1, i - 1)), {}};
            }
        }
        return {};  // an unclosed section header opens nothing
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    return {Line::Kind::Key, trim(text.substr(0, eq)), text.substr(eq + 1)};
}

bool nameMatches(std::string_view rawName, const std::string& wantedFolded) {
    return foldName(sjis::toUtf8(rawName)) == wantedFolded;
}

// Where a key stands in the split file: the first matching section and, inside it, the first
// matching key and the last key line (the header when the section has no keys).
struct Location {
    std::optional<std::size_t> section;
    std::optional<std::size_t> key;
    std::size_t lastKeyOrHeader = 0;
};

Location locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    const std::string wantedSection = foldName(section);
    const std::string wantedKey = foldName(key);
    Location at;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line line = parseLine(lines[i]);
        if (line.kind == Line::Kind::Section) {
            if (at.section) {
                break;  // the first matching section has ended
            }
            if (nameMatches(line.rawName, wantedSection)) {
                at.section = i;
                at.lastKeyOrHeader = i;
            }
        } else if (line.kind == Line::Kind::Key && at.section) {
            at.lastKeyOrHeader = i;
            if (!at.key && nameMatches(line.rawName, wantedKey)) {
                at.key = i;
            }
        }
    }
    return at;
}

// The stored value as the reader hands it out: trimmed, unquoted, cut at NUL and to the buffer.
std::string_view cleanValue(std::string_view raw) {
    std::string_view v = trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    v = v.substr(0, v.find('\0'));
    std::size_t end = 0;
    while (end < v.size()) {
        const std::size_t n = charLength(v.substr(end));
        if (end + n > kMaxValueBytes) {
            break;
        }
        end += n;
    }
    return v.substr(0, end);
}

// A value is one line of text: it ends at a NUL as a C string does, and line breaks become
// blanks so that a value can never add lines of its own to the file. A value the reader would
// change (blanks at either end, or one pair of outer quotes of its own) is written inside double
// quotes, which the reader takes off again: what is written reads back as it was.
std::string encodeValue(std::string_view utf8) {
    std::string v(utf8.substr(0, utf8.find('\0')));
    for (char& c : v) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    if (trim(v) != v || quoted) {
        v = '"' + v + '"';
    }
    return sjis::fromUtf8(v);
}

}  // namespace

ReadResult readIni(const std::filesystem::path& file, std::string_view section, std::string_view key) {
    const std::optional<std::string> bytes = text_file::readBytes(file);
    if (!bytes) {
        return {};
    }
    const std::vector<std::string> lines = text_file::splitLines(*bytes);
    const Location at = locate(lines, section, key);
    if (!at.key) {
        return {};
    }
    const std::string_view value = cleanValue(parseLine(lines[*at.key]).rawValue);
    if (value.empty()) {
        return {};
    }
    return {value.size(), sjis::toUtf8(value)};
}

WriteResult writeIni(std::string_view section, std::string_view key, std::string_view value,
                     const std::filesystem::path& file) {
    std::string bytes;
    if (std::optional<std::string> old = text_file::readBytes(file)) {
        bytes = std::move(*old);
    } else {
        // Only a file that does not exist yet may be created; a folder, an unreadable file or a
        // link that leads to no file would otherwise be replaced by a file holding this one key.
        std::error_code ec;
        if (std::filesystem::symlink_status(file, ec).type() != std::filesystem::file_type::not_found) {
            if (const WriteResult fault = text_file::linkFault(file); !fault) {
                return fault;
            }
            if (std::filesystem::is_directory(file, ec)) {
                return {FileError::FolderInTheWay, 0};
            }
            return {FileError::NoPermission, 0};
        }
    }
    std::vector<std::string> lines = text_file::splitLines(bytes);
    const Location at = locate(lines, section, key);
    const std::string encodedValue = encodeValue(value);
    if (at.key) {
        // Keep the key as the file spells it; only the value changes.
        const std::string name(parseLine(lines[*at.key]).rawName);
        lines[*at.key] = name + "=" + encodedValue;
    } else {
        const std::string keyLine = sjis::fromUtf8(trim(key)) + "=" + encodedValue;
        if (at.section) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at.lastKeyOrHeader + 1), keyLine);
        } else {
            std::string header = "[";
            header += sjis::fromUtf8(trim(section));
            header += ']';
            lines.push_back(std::move(header));
            lines.push_back(keyLine);
        }
    }
    return text_file::writeBytesAtomic(file, text_file::joinLinesCrLf(lines));
}

}  // namespace rennik::profile
