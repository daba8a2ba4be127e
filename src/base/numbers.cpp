#include "base/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace rennik::numbers {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

double parseCanonical(const std::string& s) {
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when it is out of range: a negative exponent made it
        // too small (0), anything else too large (the checked conversions then refuse it).
        if (s.find("e-") != std::string::npos) {
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
    return parseCanonical(s);
}

bool isNumeric(std::string_view text) { return numericValue(text).has_value(); }

double roundHalfEven(double value) { return std::nearbyint(value); }

std::optional<std::int16_t> toInt16(double value) { return toInt<std::int16_t>(value); }
std::optional<std::int32_t> toInt32(double value) { return toInt<std::int32_t>(value); }

std::string singleText(float value) {
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

}  // namespace rennik::numbers
