#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A LapReply as the car PC reads it: the mark, the 59-character lap record and the pit
// message. Standard library only, so the parsing is the same for the program and its tests.
namespace rennik::carsim {

struct LapRecordFields {
    std::string body;      // the 59 characters as received; equal bodies mean a repeated record
    std::string lapField;  // the 3 characters the car echoes in its next reports
    int lapNumber = 0;
    std::int64_t lastLapMs = 0;
    std::int64_t driverBestMs = 0;
    std::int64_t driverAverageMs = 0;
    std::string date;     // yyyy/mm/dd
    std::string clock;    // HH:NN:SS, 00:00:00 when the run has no planned end
    std::string endTime;  // HH:NN:SS
};

struct DecodedReply {
    std::string text;  // the whole reply, UTF-8
    std::string mark;  // first character: "N", or "C" after a hand correction
    // Empty while the host has not recorded a lap since it started: it then sends the mark and
    // the message only.
    std::optional<LapRecordFields> record;
    std::string message;
};

// Splits a reply (already decoded from Shift-JIS). A record is taken only where the 59
// characters after the mark have its shape (digits, the date's slashes, the times' colons), so
// a message that follows a bare mark is never mistaken for a lap number.
DecodedReply decodeReply(std::string_view utf8);

// Milliseconds as a lap time: minutes, apostrophe, two-digit seconds, double quote, three digits.
std::string lapTimeText(std::int64_t ms);

}  // namespace rennik::carsim
