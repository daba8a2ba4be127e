#include "carlink/address_check.h"

#include "base/ipv4.h"
#include "base/sjis.h"

namespace rennik {

void OpenAddressCheck(Host& host) {
    MainScreen& m = host.main;
    if (!host.chker) {
        host.chker = host.ports.sockets.create();
    }
    m.WinsockChker.localPort = kAddressCheckPort;
    m.WinsockChker.remotePort = kAddressReplyPort;
    if (host.chker->open(kAddressCheckPort, m.WinsockChker.remoteHost, kAddressReplyPort)) {
        host.chker->setReceiver(
            [&host](const std::string& datagram, const std::string&) { OnAddressQuery(host, datagram); });
        return;
    }
    // Another program holds the port: say so once and run on without the address check.
    host.chker.reset();
    host.ports.dialogs.messageBox({"ポート " + std::to_string(kAddressCheckPort) +
                                       " は他のプログラムが使用中です。\n"
                                       "車載PCからのアドレス確認には応答しません。",
                                   "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
}

void OnAddressQuery(Host& host, const std::string& datagram) {
    const std::string query = sjis::toUtf8(datagram);
    // Only an address can be answered: anything else would send the reply to a host name
    // or to nowhere.
    if (!host.chker || !isDottedIPv4(query)) {
        return;
    }
    const CarPanel& car = host.main.car;
    const std::string reply = car.Lbl_IP.caption() == query ? car.Frm_Runner.caption() : "未登録";
    // The reply goes to the address the query names, not to the sender of the datagram; the
    // socket is opened again on the same port towards that address.
    host.main.WinsockChker.remoteHost = query;
    if (host.chker->open(kAddressCheckPort, query, kAddressReplyPort)) {
        host.chker->send(sjis::fromUtf8(reply));
    }
}

}  // namespace rennik
