#include "config/master_writer.h"

#include <vector>

#include "base/numbers.h"
#include "base/sjis.h"
#include "base/text_file.h"
#include "config/master_records.h"

namespace rennik::master {
namespace {

constexpr std::string_view kFullWidthBlank = "\xE3\x80\x80";  // U+3000

// Trims half-width blanks and the full-width blank from both ends.
std::string_view trimBlanks(std::string_view text) {
    for (bool trimmed = true; trimmed && !text.empty();) {
        trimmed = false;
        if (text.front() == ' ' || text.back() == ' ') {
            while (!text.empty() && text.front() == ' ') {
                text.remove_prefix(1);
            }
            while (!text.empty() && text.back() == ' ') {
                text.remove_suffix(1);
            }
            trimmed = true;
        }
        if (text.starts_with(kFullWidthBlank)) {
            text.remove_prefix(kFullWidthBlank.size());
            trimmed = true;
        }
        if (text.ends_with(kFullWidthBlank)) {
            text.remove_suffix(kFullWidthBlank.size());
            trimmed = true;
        }
    }
    return text;
}

// The line of a record's fields, as the loader will read it back. A name that begins with a
// double quote may open a quoted field that runs on into the next one ("Team and an owner Ito"
// read as one field), and the record would be lost at the next load: such a leading quote is
// saved as a blank, as a comma is. Every other line is written as it stands. Empty when the name
// is left empty: a row without a name is no record.
std::string recordLine(std::vector<std::string> fields) {
    for (;;) {
        std::string line = fields.front();
        for (std::size_t i = 1; i < fields.size(); ++i) {
            line += "," + fields[i];
        }
        auto quoted = fields.begin();
        while (quoted != fields.end() && !quoted->starts_with('"')) {
            ++quoted;
        }
        if (fields.front().empty() || quoted == fields.end() || splitFields(line) == fields) {
            return fields.front().empty() ? std::string() : line;
        }
        *quoted = std::string(trimBlanks(std::string_view(*quoted).substr(1)));
    }
}

std::string fileBytes(const std::vector<std::string>& lines) {
    return sjis::fromUtf8(text_file::joinLinesCrLf(lines));
}

}  // namespace

std::string storedName(std::string_view cell) {
    std::string name(cell);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == ',' || c < 0x20 || c == 0x7F) {
            name[i] = ' ';
        } else if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
            // A C1 control character (U+0080..U+009F) is two bytes in UTF-8; it becomes one blank.
            name.replace(i, 2, " ");
        }
    }
    return std::string(trimBlanks(name));
}

float storedSingle(std::string_view cell) {
    return numbers::toSingle(numbers::leadingNumber(cell)).value_or(0.0F);
}

std::int32_t storedMetres(std::string_view cell) {
    std::string digits;
    for (const char c : cell) {
        if (c != ',') {
            digits += c;
        }
    }
    return numbers::toInt32(numbers::leadingNumber(digits)).value_or(0);
}

std::string carFileBytes(const Grid& grid) {
    std::vector<std::string> lines;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const std::string name = storedName(grid.cell(row, 1));
        if (name.empty()) {
            continue;
        }
        if (std::string line = recordLine({name, storedName(grid.cell(row, 2)),
                                           numbers::singleText(storedSingle(grid.cell(row, 3))),
                                           numbers::singleText(storedSingle(grid.cell(row, 4)))});
            !line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return fileBytes(lines);
}

std::string courseFileBytes(const Grid& grid) {
    std::vector<std::string> lines;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const std::string name = storedName(grid.cell(row, 1));
        if (!name.empty()) {
            if (std::string line = recordLine({name, std::to_string(storedMetres(grid.cell(row, 2)))}); !line.empty()) {
                lines.push_back(std::move(line));
            }
        }
    }
    return fileBytes(lines);
}

std::string driverFileBytes(const Grid& grid) {
    std::vector<std::string> lines;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        if (std::string line = recordLine({storedName(grid.cell(row, 1))}); !line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return fileBytes(lines);
}

}  // namespace rennik::master
