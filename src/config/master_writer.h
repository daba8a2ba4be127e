#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/controls.h"

// The master files as the editors write them: one line per grid row that has a name, in the
// order of the rows, Shift-JIS with CR LF. Pure formatting: no file access.
namespace rennik::master {

// A name cell as it is stored: every comma becomes a blank, and so does every line break, TAB
// or other control character (a line break would split the record in two, a TAB the selector's
// columns); then blanks, half and full width, are trimmed at both ends.
std::string storedName(std::string_view cell);

// A figure cell of the car master: the number the text begins with, in single precision.
// A text that begins with no number, or with one beyond single precision, gives 0.
float storedSingle(std::string_view cell);

// A length cell of the course master: commas removed (1,500 is 1500), the number the text
// begins with, rounded halves to even. No number, or one beyond 32 bits, gives 0.
std::int32_t storedMetres(std::string_view cell);

// The whole file from every row of its editor grid, however many rows the grid has.
std::string carFileBytes(const Grid& grid);
std::string courseFileBytes(const Grid& grid);
std::string driverFileBytes(const Grid& grid);

}  // namespace rennik::master
