#pragma once

#include <cstddef>
#include <cstdint>

// The car link on the wire, as the host and the car PC both see it. Standard headers only: the
// car simulator builds on this and on nothing of the host's state.
//
//   LapReport     car -> host  (host port 7011 for slot 0): the 3-character lap field the car
//                 last received, then the car's message for the pit.
//   LapReply      host -> car  (car port 7012 for slot 0): the mark "N" or "C", the 59-character
//                 lap record (only once a lap is recorded), then the pit message.
//   AddressQuery  car -> host  (port 7001): the car PC's own address.
//   AddressReply  host -> car  (port 7002): the name of the slot that address is entered for,
//                 or "未登録".
// Every datagram is Shift-JIS; positions count decoded characters. The record is plain ASCII.
namespace rennik::wire {

inline constexpr int kAddressCheckPort = 7001;
inline constexpr int kAddressReplyPort = 7002;

// Local and remote port of a slot's car link: 7011 / 7012 for slot 0, 7021 / 7022 for slot 1.
inline constexpr int carLocalPort(int slot) { return 7000 + 10 * (slot + 1) + 1; }
inline constexpr int carRemotePort(int slot) { return 7000 + 10 * (slot + 1) + 2; }

// The first field of every report and of every record: the lap number in three digits.
inline constexpr std::size_t kLapFieldChars = 3;

// The number the 3-digit lap field carries for a lap count: the count modulo 1000 (lap 1000
// travels as "000"), never negative.
inline constexpr std::int32_t lapFieldNumber(std::int32_t lapCount) {
    return (lapCount % 1000 + 1000) % 1000;
}

// The longest report the host takes: the lap field and up to 253 bytes of the car's message
// (126 Japanese characters). The car's message is a short word for the pit, shown on one line of
// the screen and written into the lap's message log and the result file; a longer datagram is
// no report the car PC sends but noise or a fault, so the host reads only this much of it (cut
// on a whole character) and counts it. The cut keeps the lap: its moment is the datagram's.
inline constexpr std::size_t kLongestReportBytes = 256;

// The first character of every reply: "N" ordinarily, "C" after a hand correction of the lap.
inline constexpr char kMarkNew = 'N';
inline constexpr char kMarkCorrected = 'C';

// The lap record, field by field: where each begins and how many characters it has.
struct RecordField {
    std::size_t offset;
    std::size_t length;
};
inline constexpr RecordField kRecordLap{0, kLapFieldChars};   // lap number modulo 1000
inline constexpr RecordField kRecordLastLapMs{3, 10};         // the last lap in ms
inline constexpr RecordField kRecordDriverBestMs{13, 10};     // the current driver's best lap
inline constexpr RecordField kRecordDriverAverageMs{23, 10};  // the current driver's average lap
inline constexpr RecordField kRecordDate{33, 10};             // yyyy/mm/dd
inline constexpr RecordField kRecordClock{43, 8};             // HH:NN:SS, 00:00:00 without a planned end
inline constexpr RecordField kRecordEndTime{51, 8};           // HH:NN:SS, 00:00:00 without a planned end
inline constexpr std::size_t kRecordLength = 59;

// The largest value a 10-digit millisecond field holds; the host clamps to it, so a record
// always has its fixed length.
inline constexpr std::int64_t kMostFieldMs = 9'999'999'999;

static_assert(kRecordLastLapMs.offset == kRecordLap.offset + kRecordLap.length);
static_assert(kRecordDriverBestMs.offset == kRecordLastLapMs.offset + kRecordLastLapMs.length);
static_assert(kRecordDriverAverageMs.offset == kRecordDriverBestMs.offset + kRecordDriverBestMs.length);
static_assert(kRecordDate.offset == kRecordDriverAverageMs.offset + kRecordDriverAverageMs.length);
static_assert(kRecordClock.offset == kRecordDate.offset + kRecordDate.length);
static_assert(kRecordEndTime.offset == kRecordClock.offset + kRecordClock.length);
static_assert(kRecordLength == kRecordEndTime.offset + kRecordEndTime.length);

}  // namespace rennik::wire
