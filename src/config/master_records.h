#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The records of the three master files Car.ini, Course.ini and Drivers.ini, read from the raw
// Shift-JIS bytes of a file. Pure parsing: no file access and no screen.
//
// Every line is read on its own, so a short, long or damaged line never shifts the fields of
// the records after it: a line that cannot be read is dropped and the rest of the file loads.
namespace rennik {

struct CarRecord {
    std::string CarName;
    std::string OwnerName;
    float TankLitres = 0.0F;
    float KmPerLitre = 0.0F;
};

struct CourseRecord {
    std::string CourseName;
    std::int32_t CourseMetres = 0;
};

namespace master {

// The comma-separated fields of one decoded (UTF-8) line. Blanks (space, TAB) before a field
// are skipped and after an unquoted one trimmed; a field that starts with a double quote runs
// to the closing quote and may hold commas. A quote-started field that is not closed, or whose
// closing quote is followed by more text, is read as plain text, so a name that merely begins
// with a quote keeps all its characters. Nothing when the line holds a control character, a
// TAB inside a field (it would split the selector's columns) or an undecodable character.
std::optional<std::vector<std::string>> splitFields(std::string_view line);

// The value of a numeric field: a whole text that reads as a number, an empty field as 0;
// nothing for any other text.
std::optional<double> fieldNumber(std::string_view field);

// One record per readable line, in file order. A car line needs exactly four fields with a
// name and two numbers that fit a single-precision value; a course line exactly two fields
// with a name and a length that rounds (halves to even) to a 32-bit whole number. Other lines
// are skipped.
std::vector<CarRecord> parseCars(std::string_view bytes);
std::vector<CourseRecord> parseCourses(std::string_view bytes);

// Every non-blank field of every readable line is a driver name, so a hand-written "A,B" line
// gives two drivers.
std::vector<std::string> parseDrivers(std::string_view bytes);

}  // namespace master
}  // namespace rennik
