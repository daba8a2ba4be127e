#include "base/sjis.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace rennik::sjis {
namespace {

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

const Converter& decoder() {
    static thread_local const Converter c("UTF-8", "CP932");
    return c;
}

const Converter& encoder() {
    static thread_local const Converter c("CP932", "UTF-8");
    return c;
}

}  // namespace

std::string toUtf8(std::string_view cp932) {
    return decoder().convert(cp932, kReplacementUtf8, badSjisLength);
}

std::string fromUtf8(std::string_view utf8) { return encoder().convert(utf8, "?", badUtf8Length); }

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

}  // namespace rennik::sjis
