#pragma once

#include <string_view>

namespace rennik {

// A dotted IPv4 address as the crew types it and the car PC names itself: four decimal parts
// from 0 to 255 without leading zeros, nothing before or after ("192.168.1.20"; not
// "192.168.001.020").
bool isDottedIPv4(std::string_view text);

}  // namespace rennik
