#pragma once

#include <string>

#include "core/host.h"

// The address check between runs: a car PC names its own address on port 7001 and is told on
// port 7002 which car slot it is entered for.
namespace rennik {

inline constexpr int kAddressCheckPort = 7001;
inline constexpr int kAddressReplyPort = 7002;

// Binds the address-check socket (port 7001) and routes its datagrams to OnAddressQuery.
// A port another program holds is reported in a box; the program runs on without the check.
void OpenAddressCheck(Host& host);

// One AddressQuery: answered with the slot's name or "未登録" at port 7002 of the address the
// query names. A query that is not a dotted IPv4 address gets no answer.
void OnAddressQuery(Host& host, const std::string& datagram);

}  // namespace rennik
