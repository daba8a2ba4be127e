#pragma once

#include <string>

#include "carlink/wire_format.h"
#include "core/host.h"

// The address check between runs: a car PC names its own address on port 7001 and is told on
// port 7002 which car slot it is entered for.
namespace rennik {

// Binds the address-check socket (port 7001) and routes its datagrams to OnAddressQuery.
// A port another program holds is reported in a box, once until the check has its port again;
// meanwhile Time_ChkerRetry tries again every few seconds between runs.
void OpenAddressCheck(Host& host);

// Closes the address check for a run, and stops its retries.
void CloseAddressCheck(Host& host);

// Every few seconds while the address-check port is held by another program: binds it quietly
// as soon as it is free. During a run the check rests, and so does the retry.
void Time_ChkerRetry_Timer(Host& host);

// One AddressQuery: answered with the slot's name or "未登録" at port 7002 of the address the
// query names, from the socket that stays bound, so that no query that follows is lost. A
// query that is not a dotted IPv4 address gets no answer.
void OnAddressQuery(Host& host, const std::string& datagram);

}  // namespace rennik
