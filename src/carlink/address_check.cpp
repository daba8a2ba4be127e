#include "carlink/address_check.h"

#include "base/ipv4.h"
#include "base/sjis.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

// Binds port 7001; says why, with no socket left, when it cannot be had.
OpenResult bindAddressCheck(Host& host) {
    MainScreen& m = host.main;
    if (!host.chker) {
        host.chker = host.ports.sockets.create();
    }
    m.WinsockChker.localPort = wire::kAddressCheckPort;
    m.WinsockChker.remotePort = wire::kAddressReplyPort;
    if (const OpenResult opened =
            host.chker->open(wire::kAddressCheckPort, m.WinsockChker.remoteHost, wire::kAddressReplyPort);
        !opened) {
        host.chker.reset();
        return opened;
    }
    host.chker->setReceiver(
        [&host](const std::string& datagram, const std::string&, auto) { OnAddressQuery(host, datagram); });
    host.race.ChkerWarned = false;
    m.Time_ChkerRetry.setEnabled(false);
    return {};
}

}  // namespace

void OpenAddressCheck(Host& host) {
    const OpenResult opened = bindAddressCheck(host);
    if (opened) {
        return;
    }
    host.main.Time_ChkerRetry.setEnabled(true);
    if (host.race.ChkerWarned) {
        return;
    }
    // Another program holds the port (or the system keeps it): say so once and run on; the
    // retry takes it back.
    host.race.ChkerWarned = true;
    host.ports.dialogs.messageBox(
        {PortErrorText(wire::kAddressCheckPort, opened) + "\n車載PCからのアドレス確認には応答しません。",
         "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
}

void CloseAddressCheck(Host& host) {
    host.main.Time_ChkerRetry.setEnabled(false);
    if (host.chker) {
        host.chker->close();
        host.chker.reset();
    }
}

void Time_ChkerRetry_Timer(Host& host) {
    if (IsRunning(host.main) || host.chker) {
        host.main.Time_ChkerRetry.setEnabled(false);
        return;
    }
    bindAddressCheck(host);
}

void OnAddressQuery(Host& host, const std::string& datagram) {
    // Only an address can be answered: anything else would send the reply to a host name
    // or to nowhere. A dotted address has at most 15 characters: a longer datagram is not read.
    constexpr std::size_t kLongestAddress = 15;
    if (!host.chker || datagram.size() > kLongestAddress) {
        return;
    }
    const std::string query = sjis::toUtf8(datagram);
    if (!isDottedIPv4(query)) {
        return;
    }
    std::string reply = "未登録";
    for (const CarPanel& car : host.main.panels()) {
        if (car.Lbl_IP.caption() == query) {
            reply = car.Frm_Runner.caption();
        }
    }
    // The reply goes to the address the query names, not to the sender of the datagram.
    host.main.WinsockChker.remoteHost = query;
    host.chker->sendTo(sjis::fromUtf8(reply), query, wire::kAddressReplyPort);
}

}  // namespace rennik
