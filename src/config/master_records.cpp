#include "config/master_records.h"

#include <algorithm>

#include "base/numbers.h"
#include "base/sjis.h"
#include "base/text_file.h"

namespace rennik::master {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isBlankText(std::string_view text) {
    for (const char c : text) {
        if (!isBlank(c)) {
            return false;
        }
    }
    return true;
}

// Control characters (C0, DEL and the C1 range U+0080..U+009F) only come from binary garbage:
// the editors never write them and a name holding one could not be shown.
bool hasControl(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            return true;
        }
        if (c == 0xC2 && i + 1 < line.size()) {
            const auto next = static_cast<unsigned char>(line[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                return true;
            }
        }
    }
    return false;
}

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::size_t skipBlanks(std::string_view line, std::size_t pos) {
    while (pos < line.size() && isBlank(line[pos])) {
        ++pos;
    }
    return pos;
}

// The decoded lines of a file. Shift-JIS trail bytes are never CR or LF, so the raw bytes can
// be split before decoding; each line then decodes on its own.
std::vector<std::string> decodedLines(std::string_view bytes) {
    std::vector<std::string> lines;
    for (const auto& raw : text_file::splitLines(bytes)) {
        lines.push_back(sjis::toUtf8(raw));
    }
    return lines;
}

std::optional<float> singleValue(std::string_view field) {
    const auto value = fieldNumber(field);
    return value ? numbers::toSingle(*value) : std::nullopt;
}

std::optional<CarRecord> carFrom(const std::vector<std::string>& f) {
    if (f.size() != 4 || isBlankText(f[0])) {
        return std::nullopt;
    }
    const auto tank = singleValue(f[2]);
    const auto kmPerLitre = singleValue(f[3]);
    if (!tank || !kmPerLitre) {
        return std::nullopt;
    }
    return CarRecord{f[0], f[1], *tank, *kmPerLitre};
}

std::optional<CourseRecord> courseFrom(const std::vector<std::string>& f) {
    if (f.size() != 2 || isBlankText(f[0])) {
        return std::nullopt;
    }
    const auto length = fieldNumber(f[1]);
    const auto metres = length ? numbers::toInt32(*length) : std::nullopt;
    if (!metres) {
        return std::nullopt;
    }
    return CourseRecord{f[0], *metres};
}

// Runs `take` on the fields of every readable line.
template <typename Take>
void forEachLine(std::string_view bytes, Take take) {
    for (const auto& line : decodedLines(bytes)) {
        if (isBlankText(line)) {
            continue;
        }
        if (const auto fields = splitFields(line)) {
            take(*fields);
        }
    }
}

}  // namespace

std::optional<std::vector<std::string>> splitFields(std::string_view line) {
    if (hasControl(line)) {
        return std::nullopt;
    }
    std::vector<std::string> fields;
    std::size_t pos = 0;
    for (;;) {
        pos = skipBlanks(line, pos);
        std::optional<std::string_view> field;
        if (pos < line.size() && line[pos] == '"') {
            const std::size_t close = line.find('"', pos + 1);
            if (close != std::string_view::npos) {
                const std::size_t after = skipBlanks(line, close + 1);
                if (after == line.size() || line[after] == ',') {
                    field = line.substr(pos + 1, close - pos - 1);
                    pos = after;
                }
            }
        }
        if (!field) {
            const std::size_t end = std::min(line.find(',', pos), line.size());
            field = trimRight(line.substr(pos, end - pos));
            pos = end;
        }
        if (field->find('\t') != std::string_view::npos) {
            return std::nullopt;
        }
        fields.emplace_back(*field);
        if (pos >= line.size()) {
            return fields;
        }
        ++pos;  // the comma; a comma at the end of the line leaves one more, empty field
    }
}

std::optional<double> fieldNumber(std::string_view field) {
    if (isBlankText(field)) {
        return 0.0;
    }
    return numbers::numericValue(field);
}

std::vector<CarRecord> parseCars(std::string_view bytes) {
    std::vector<CarRecord> cars;
    forEachLine(bytes, [&](const std::vector<std::string>& fields) {
        if (auto car = carFrom(fields)) {
            cars.push_back(std::move(*car));
        }
    });
    return cars;
}

std::vector<CourseRecord> parseCourses(std::string_view bytes) {
    std::vector<CourseRecord> courses;
    forEachLine(bytes, [&](const std::vector<std::string>& fields) {
        if (auto course = courseFrom(fields)) {
            courses.push_back(std::move(*course));
        }
    });
    return courses;
}

std::vector<std::string> parseDrivers(std::string_view bytes) {
    std::vector<std::string> names;
    forEachLine(bytes, [&](const std::vector<std::string>& fields) {
        for (const auto& name : fields) {
            if (!isBlankText(name)) {
                names.push_back(name);
            }
        }
    });
    return names;
}

}  // namespace rennik::master
