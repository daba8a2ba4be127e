#include "carsim/reply.h"

#include <algorithm>
#include <cstdio>

#include "carlink/wire_format.h"

namespace rennik::carsim {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The record's shape, position by position: digits everywhere except the date's slashes and
// the two times' colons.
bool hasRecordShape(std::string_view body) {
    if (body.size() != wire::kRecordLength) {
        return false;
    }
    constexpr std::size_t date = wire::kRecordDate.offset;
    constexpr std::size_t clock = wire::kRecordClock.offset;
    constexpr std::size_t end = wire::kRecordEndTime.offset;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const bool slash = i == date + 4 || i == date + 7;
        const bool colon = i == clock + 2 || i == clock + 5 || i == end + 2 || i == end + 5;
        const char want = slash ? '/' : colon ? ':' : '0';
        if (want == '0' ? !isDigit(body[i]) : body[i] != want) {
            return false;
        }
    }
    return true;
}

std::int64_t number(std::string_view digits) {
    std::int64_t n = 0;
    for (char c : digits) {
        n = n * 10 + (c - '0');
    }
    return n;
}

// Byte length of the UTF-8 character that starts with `lead`.
std::size_t charLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

}  // namespace

DecodedReply decodeReply(std::string_view utf8) {
    DecodedReply reply;
    reply.text = std::string(utf8);
    if (utf8.empty()) {
        return reply;
    }
    const std::size_t markLength = std::min(charLength(static_cast<unsigned char>(utf8[0])), utf8.size());
    reply.mark = std::string(utf8.substr(0, markLength));
    std::string_view rest = utf8.substr(markLength);
    // The record is plain ASCII, so its 59 characters are 59 bytes.
    if (markLength == 1 && hasRecordShape(rest.substr(0, std::min(rest.size(), wire::kRecordLength)))) {
        const std::string_view body = rest.substr(0, wire::kRecordLength);
        const auto field = [body](wire::RecordField f) { return body.substr(f.offset, f.length); };
        LapRecordFields r;
        r.body = std::string(body);
        r.lapField = std::string(field(wire::kRecordLap));
        r.lapNumber = static_cast<int>(number(field(wire::kRecordLap)));
        r.lastLapMs = number(field(wire::kRecordLastLapMs));
        r.driverBestMs = number(field(wire::kRecordDriverBestMs));
        r.driverAverageMs = number(field(wire::kRecordDriverAverageMs));
        r.date = std::string(field(wire::kRecordDate));
        r.clock = std::string(field(wire::kRecordClock));
        r.endTime = std::string(field(wire::kRecordEndTime));
        reply.record = std::move(r);
        rest = rest.substr(wire::kRecordLength);
    }
    reply.message = std::string(rest);
    return reply;
}

std::string lapTimeText(std::int64_t ms) {
    const bool negative = ms < 0;
    const std::int64_t a = negative ? -ms : ms;
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld'%02lld\"%03lld", negative ? "-" : "",
                  static_cast<long long>(a / 60000), static_cast<long long>(a / 1000 % 60),
                  static_cast<long long>(a % 1000));
    return text;
}

}  // namespace rennik::carsim
