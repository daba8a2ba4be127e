#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/app_settings.h"
#include "core/controls.h"
#include "drivers/stints.h"

// The run's tables as CSV for a spreadsheet: every record on its own line ended by CR LF, fields
// quoted as RFC 4180 says (a field holding a comma, a double quote or a line break is put in
// double quotes, and each double quote in it doubled), so that whatever the crew typed or the car
// sent comes back as it was.
namespace rennik::csv {

// What spreadsheet programs on a Japanese Windows open by default, or UTF-8 with a byte-order
// mark, which they read as UTF-8 and which holds every character.
enum class Encoding { ShiftJis, Utf8Bom };

std::string field(std::string_view text);
std::string records(const std::vector<std::vector<std::string>>& rows);

// The file's bytes. Characters Shift-JIS cannot hold become "?".
std::string encode(std::string_view utf8, Encoding encoding);
// How many characters of `utf8` Shift-JIS cannot hold.
std::size_t charsShiftJisLacks(std::string_view utf8);

// The three tables, as UTF-8 text. The laps: lap, the time as the table shows it, the time in
// milliseconds, driver, remark and message log, one record per row of the lap table (a row
// without a time has an empty time in milliseconds).
std::string laps(const Grid& lapTable, const AppSettings& settings);
std::string stints(std::span<const Stint> stints, const AppSettings& settings);
std::string drivers(std::span<const DriverTotal> totals, const AppSettings& settings);

}  // namespace rennik::csv
