#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The number rules of every box, cell and file field. No handler parses numbers by hand.
namespace rennik::numbers {

// Lenient reading of typed text: blanks (space, tab, line feed) are ignored wherever they
// stand, reading stops at the first character that cannot continue a number, and a text that
// does not begin with a number reads as 0. Accepts a sign, a decimal point and an exponent
// ("1.5e3"); "12abc" reads 12, " 2.5" reads 2.5, "abc" reads 0. A value too large for a double
// reads as infinite (the checked conversions refuse it), one too small as 0.
double leadingNumber(std::string_view text);

// Strict test of a whole text as a number in the locale's format: optional blanks around it,
// an optional sign (before or after), digits with optional thousands separators (","), an
// optional decimal point and exponent. "1,234.5" and " -3 " are numeric; "", "12a", "1.2.3"
// are not.
bool isNumeric(std::string_view text);

// The value of a text that passes isNumeric (thousands separators dropped); nothing otherwise.
// A text whose value lies beyond the range of a double ("1e999") is not numeric.
std::optional<double> numericValue(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// Rounds halves to even, then converts; a value out of range (or not a number) is refused,
// never wrapped.
std::optional<std::int16_t> toInt16(double value);
std::optional<std::int32_t> toInt32(double value);

// The value in single precision; a value beyond its range (or not a number) is refused, since
// converting it would be undefined.
std::optional<float> toSingle(double value);

// Rounds halves to even and holds the result within the 32-bit range: for sums that must show
// their largest figure rather than wrap into a negative one. Not a number reads 0.
std::int32_t saturatingInt32(double value);

// The shortest decimal text of a single-precision value with at most 7 significant digits and
// no trailing zeros, a point as decimal separator: 40, 12.5, 0, 57.9 (for 57.899998).
std::string singleText(float value);

}  // namespace rennik::numbers
