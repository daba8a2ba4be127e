#include "base/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace rennik::numbers {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a canonical number text ([-]digits[.digits][e[sign]digits]) that does not fit a
// double is too large (rather than too small): its decimal magnitude, the place of its first
// significant digit plus the exponent, decides.
bool overflows(const std::string& s) {
    std::size_t i = s.front() == '-' ? 1 : 0;
    long magnitude = 0;
    bool seenPoint = false;
    bool significant = false;
    for (; i < s.size() && s[i] != 'e'; ++i) {
        if (s[i] == '.') {
            seenPoint = true;
        } else if (!significant && s[i] == '0') {
            magnitude -= seenPoint ? 1 : 0;
        } else {
            significant = true;
            if (!seenPoint) {
                ++magnitude;
            }
        }
    }
    if (!significant) {
        return false;
    }
    long exponent = 0;
    bool negative = false;
    for (++i; i < s.size(); ++i) {
        if (s[i] == '-' || s[i] == '+') {
            negative = s[i] == '-';
        } else if (exponent < 1'000'000) {  // far beyond any double; also stops overflow here
            exponent = exponent * 10 + (s[i] - '0');
        }
    }
    return magnitude + (negative ? -exponent : exponent) > 0;
}

double parseCanonical(const std::string& s) {
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when it is out of range: a value too small reads 0,
        // one too large reads as infinite (the checked conversions then refuse it).
        if (!overflows(s)) {
            return 0.0;
        }
        return s.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return ptr == s.data() ? 0.0 : value;
}

template <typename Int>
std::optional<Int> toInt(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double r = roundHalfEven(value);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(r);
}

}  // namespace

double leadingNumber(std::string_view text) {
    // Collect the longest prefix (blanks skipped) of the form [sign] digits [. digits]
    // [e [sign] digits] into a canonical text.
    std::string s;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
    };
    auto digits = [&] {
        std::size_t n = 0;
        for (skipBlanks(); i < text.size() && isDigit(text[i]); skipBlanks()) {
            s += text[i++];
            ++n;
        }
        return n;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            s += '-';
        }
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        s += '.';
        mantissa += digits();
    }
    if (mantissa == 0) {
        return 0.0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        while (j < text.size() && isBlank(text[j])) {
            ++j;
        }
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent += text[j++];
        }
        std::size_t n = 0;
        while (j < text.size() && (isDigit(text[j]) || isBlank(text[j]))) {
            if (isDigit(text[j])) {
                exponent += text[j];
                ++n;
            }
            ++j;
        }
        if (n > 0) {
            s += exponent;
        }
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    return parseCanonical(s);
}

std::optional<double> numericValue(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && isBlank(text[b])) {
        ++b;
    }
    while (e > b && isBlank(text[e - 1])) {
        --e;
    }
    text = text.substr(b, e - b);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    } else if (!text.empty() && (text.back() == '+' || text.back() == '-')) {
        negative = text.back() == '-';
        text.remove_suffix(1);
    }
    std::string s = negative ? "-" : "";
    std::size_t i = 0;
    std::size_t intDigits = 0;
    // Whole part: digits, with "," between groups of digits.
    while (i < text.size() && (isDigit(text[i]) || text[i] == ',')) {
        if (text[i] == ',') {
            if (intDigits == 0 || i + 1 >= text.size() || !isDigit(text[i + 1])) {
                return std::nullopt;
            }
        } else {
            s += text[i];
            ++intDigits;
        }
        ++i;
    }
    std::size_t fracDigits = 0;
    if (i < text.size() && text[i] == '.') {
        s += text[i++];
        while (i < text.size() && isDigit(text[i])) {
            s += text[i++];
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        s += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            s += text[i++];
        }
        std::size_t expDigits = 0;
        while (i < text.size() && isDigit(text[i])) {
            s += text[i++];
            ++expDigits;
        }
        if (expDigits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    // A text beyond the range of a double ("1e999") is not a number the program can hold.
    const double value = parseCanonical(s);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool isNumeric(std::string_view text) { return numericValue(text).has_value(); }

double roundHalfEven(double value) { return std::nearbyint(value); }

std::optional<std::int16_t> toInt16(double value) { return toInt<std::int16_t>(value); }
std::optional<std::int32_t> toInt32(double value) { return toInt<std::int32_t>(value); }

std::int32_t saturatingInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(roundHalfEven(value), lo, hi));
}

std::optional<float> toSingle(double value) {
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

std::string singleText(float value) {
    if (value == 0.0f) {
        return "0";  // also for -0, which a person would not expect to see
    }
    // Seven significant digits are all a single-precision value holds; the "g" form drops
    // trailing zeros, so 12.5 stays "12.5" and a sum such as 12.3 + 45.6 shows "57.9".
    char buffer[32];
    const auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

}  // namespace rennik::numbers
