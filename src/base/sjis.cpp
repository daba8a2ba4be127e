#include "base/sjis.h"

#include "base/win32.h"

#ifndef _WIN32
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <optional>
#include <stdexcept>

namespace rennik::sjis {
namespace {

#ifndef _WIN32
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One conversion descriptor per direction and thread, opened once: a descriptor carries
// state and must not be shared between threads (the car simulator of the end-to-end tests
// converts on its own thread); it is reset before every conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("character conversion not available: ") + from + " to " +
                                     to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; on a byte sequence that does not convert, appends `replacement`, skips
    // `skip(in)` bytes and goes on.
    template <typename Skip>
    std::string convert(std::string_view in, std::string_view replacement, Skip skip) const {
        std::string out;
        out.reserve(in.size() * 2 + 4);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (truncated sequence at the end): replace and step over it.
            out.append(replacement);
            const std::size_t n = std::min(srcLeft, skip(std::string_view(src, srcLeft)));
            src += n;
            srcLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};
#endif

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Length of the Shift-JIS character that failed: a lead byte with a valid trail byte is one
// (unassigned) character of two bytes; anything else is one bad byte.
std::size_t badSjisLength(std::string_view rest) {
    const auto c0 = static_cast<unsigned char>(rest[0]);
    if (isLeadByte(c0) && rest.size() > 1 && isTrailByte(static_cast<unsigned char>(rest[1]))) {
        return 2;
    }
    return 1;
}

// Length of the UTF-8 character that failed to encode: a lead byte with the continuation
// bytes that follow it (at most as many as it announces), so that a cut-off or unencodable
// character costs one "?"; a byte that starts no character is one on its own.
std::size_t badUtf8Length(std::string_view rest) {
    const auto c0 = static_cast<unsigned char>(rest[0]);
    std::size_t n = 1;
    if (c0 >= 0xC2 && c0 <= 0xDF) {
        n = 2;
    } else if (c0 >= 0xE0 && c0 <= 0xEF) {
        n = 3;
    } else if (c0 >= 0xF0 && c0 <= 0xF4) {
        n = 4;
    }
    std::size_t i = 1;
    while (i < n && i < rest.size() && (static_cast<unsigned char>(rest[i]) & 0xC0) == 0x80) {
        ++i;
    }
    return i;
}

#ifdef _WIN32
constexpr UINT kCodePage932 = 932;

// The UTF-16 of one Shift-JIS character of `length` bytes, or nothing when code page 932 does
// not assign it.
std::optional<wchar_t> decodeSjisChar(const char* bytes, int length) {
    wchar_t wide[2];
    const int n = MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes, length, wide, 2);
    return n == 1 ? std::optional<wchar_t>(wide[0]) : std::nullopt;
}

// Windows decodes some bytes that Shift-JIS leaves unassigned (0x80, 0xA0, 0xFD to 0xFF) to
// characters of its own, and a whole conversion fails on one undecodable byte; so the text is
// cut into characters here, by the lead and trail byte ranges, and each is decoded on its own.
std::string decodeSjis(std::string_view in) {
    std::wstring wide;
    wide.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            wide.push_back(static_cast<wchar_t>(c));
            ++i;
            continue;
        }
        // Two bytes for a lead byte with its trail byte, one for anything else; of the single
        // bytes only the half-width katakana are characters.
        const std::size_t length = badSjisLength(in.substr(i));
        const bool whole = length == 2 || (c >= 0xA1 && c <= 0xDF);
        const auto decoded = whole ? decodeSjisChar(in.data() + i, static_cast<int>(length)) : std::nullopt;
        wide.push_back(decoded.value_or(L'\xFFFD'));
        i += length;
    }
    std::string out;
    if (wide.empty()) {
        return out;
    }
    const int wideLength = static_cast<int>(wide.size());
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr)));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
    return out;
}

// Length of the well-formed UTF-8 character at the start of `rest` (no overlong form, no
// surrogate, nothing past U+10FFFF) with its code point; 0 when there is none.
std::size_t utf8Char(std::string_view rest, char32_t& codePoint) {
    const auto c0 = static_cast<unsigned char>(rest[0]);
    std::size_t n = 0;
    if (c0 < 0x80) {
        codePoint = c0;
        return 1;
    }
    if (c0 >= 0xC2 && c0 <= 0xDF) {
        n = 2;
        codePoint = c0 & 0x1F;
    } else if (c0 >= 0xE0 && c0 <= 0xEF) {
        n = 3;
        codePoint = c0 & 0x0F;
    } else if (c0 >= 0xF0 && c0 <= 0xF4) {
        n = 4;
        codePoint = c0 & 0x07;
    } else {
        return 0;
    }
    if (rest.size() < n) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (c & 0x3F);
    }
    const char32_t least = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return n;
}

// Characters that are not code page 932's own but stand for one of its codes in the other
// Japanese encodings (wave dash, minus sign, em dash, yen and pound signs, ...): they are
// written as that code, as iconv's CP932 writes them in the POSIX build.
struct Variant {
    char32_t codePoint;
    std::string_view bytes;
};
constexpr Variant kVariants[] = {
    {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\x5C"},
    {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"}, {0x2016, "\x81\x61"},
    {0x203E, "\x7E"},     {0x2212, "\x81\x7C"}, {0x301C, "\x81\x60"},
};

// Each character is encoded on its own, without the code page's "best fit" stand-ins (which
// would turn a letter the code page lacks into a look-alike), so that one that does not
// convert costs exactly one "?". The code page also gives single bytes that are no character
// when read back (0x80, 0xA0, 0xFD to 0xFF); those are refused too.
std::string encodeSjis(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        char32_t codePoint = 0;
        const std::size_t n = utf8Char(in.substr(i), codePoint);
        if (n == 0) {
            out.push_back('?');
            i += badUtf8Length(in.substr(i));
            continue;
        }
        i += n;
        if (codePoint < 0x80) {
            out.push_back(static_cast<char>(codePoint));
            continue;
        }
        const auto variant = std::find_if(std::begin(kVariants), std::end(kVariants),
                                          [&](const Variant& v) { return v.codePoint == codePoint; });
        if (variant != std::end(kVariants)) {
            out.append(variant->bytes);
            continue;
        }
        wchar_t wide[2];
        int wideLength = 1;
        if (codePoint >= 0x10000) {
            wide[0] = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            wide[1] = static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
            wideLength = 2;
        } else {
            wide[0] = static_cast<wchar_t>(codePoint);
        }
        char bytes[4] = {};
        BOOL usedDefault = FALSE;
        const int length = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes,
                                               sizeof bytes, nullptr, &usedDefault);
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const bool character = length == 2 || (length == 1 && b0 >= 0xA1 && b0 <= 0xDF);
        if (!character || usedDefault) {
            out.push_back('?');
        } else {
            out.append(bytes, static_cast<std::size_t>(length));
        }
    }
    return out;
}
#else
const Converter& decoder() {
    static thread_local const Converter c("UTF-8", "CP932");
    return c;
}

const Converter& encoder() {
    static thread_local const Converter c("CP932", "UTF-8");
    return c;
}
#endif

}  // namespace

#ifdef _WIN32
std::string toUtf8(std::string_view cp932) { return decodeSjis(cp932); }

std::string fromUtf8(std::string_view utf8) { return encodeSjis(utf8); }
#else
std::string toUtf8(std::string_view cp932) {
    return decoder().convert(cp932, kReplacementUtf8, badSjisLength);
}

std::string fromUtf8(std::string_view utf8) { return encoder().convert(utf8, "?", badUtf8Length); }
#endif

std::size_t charCount(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::string_view firstChars(std::string_view utf8, std::size_t chars) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && seen++ == chars) {
            break;
        }
    }
    return utf8.substr(0, i);
}

std::string_view wholeCharsWithin(std::string_view cp932, std::size_t bytes) {
    std::size_t i = 0;
    while (i < cp932.size()) {
        const std::size_t width = isLeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
        if (i + width > bytes) {
            break;
        }
        i += width;
    }
    return cp932.substr(0, std::min(i, cp932.size()));
}

}  // namespace rennik::sjis
