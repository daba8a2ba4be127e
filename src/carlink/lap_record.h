#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/host.h"

// The formats of the car link.
//   LapReport  car -> host: 3-character lap number, then the car's message.
//   LapReply   host -> car: mark "N" or "C", the 59-character lap record, the pit message.
//   AddressQuery / AddressReply on port 7001 / 7002: the car PC's own address, and the name of
//   the slot it is entered for or "未登録".
namespace rennik {

inline constexpr std::size_t kReplyBodyLength = 59;

// Local and remote port of a slot's car link: 7011 / 7012 for slot 0, 7021 / 7022 for slot 1.
inline constexpr int carLocalPort(int slot) { return 7000 + 10 * (slot + 1) + 1; }
inline constexpr int carRemotePort(int slot) { return 7000 + 10 * (slot + 1) + 2; }

// The number the 3-digit lap field carries for a lap count: the count modulo 1000 (lap 1000
// travels as "000"), never negative.
std::int32_t LapFieldNumber(std::int32_t lapCnt);

// The lap number of a report: its first three characters read leniently and rounded.
std::int32_t ReportLapNumber(std::string_view reportUtf8);

// The car's message of a report: everything after its first three characters.
std::string_view ReportMessage(std::string_view reportUtf8);

// The 59-character lap record of the slot as it stands now: lap number (modulo 1000), last lap,
// the current driver's best and average lap in ms, today's date, the clock and the planned end.
std::string BuildReplyBody(const Host& host, int slot);

}  // namespace rennik
