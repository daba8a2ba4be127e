#include "config/master_writer.h"

#include <vector>

#include "base/numbers.h"
#include "base/sjis.h"
#include "base/text_file.h"

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
        lines.push_back(name + "," + storedName(grid.cell(row, 2)) + "," +
                        numbers::singleText(storedSingle(grid.cell(row, 3))) + "," +
                        numbers::singleText(storedSingle(grid.cell(row, 4))));
    }
    return fileBytes(lines);
}

std::string courseFileBytes(const Grid& grid) {
    std::vector<std::string> lines;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const std::string name = storedName(grid.cell(row, 1));
        if (!name.empty()) {
            lines.push_back(name + "," + std::to_string(storedMetres(grid.cell(row, 2))));
        }
    }
    return fileBytes(lines);
}

std::string driverFileBytes(const Grid& grid) {
    std::vector<std::string> lines;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        if (std::string name = storedName(grid.cell(row, 1)); !name.empty()) {
            lines.push_back(std::move(name));
        }
    }
    return fileBytes(lines);
}

}  // namespace rennik::master
