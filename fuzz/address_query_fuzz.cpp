// The address check between runs (port 7001): a car PC names its own address and is told which
// car slot it is entered for. Only a dotted IPv4 text is answered, at port 7002 of the address
// it names, with "１号車" when slot 0 is entered for it and "未登録" otherwise. The address the crew
// types for the slot is checked by the same rule.

#include <memory>
#include <string>

#include "base/sjis.h"
#include "carlink/address_check.h"
#include "carlink/wire_format.h"
#include "fuzz/fuzz_support.h"

using namespace rennik;
using rennik::fuzz::check;

namespace {

// Four decimal parts of 0 to 255, each without a leading zero, joined by dots: nothing else.
bool dottedIPv4(const std::string& s) {
    int parts = 0;
    std::size_t i = 0;
    for (;;) {
        const std::size_t begin = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
        }
        const std::size_t len = i - begin;
        if (len == 0 || len > 3 || (len > 1 && s[begin] == '0') || std::stoi(s.substr(begin, len)) > 255) {
            return false;
        }
        if (++parts == 4) {
            return i == s.size();
        }
        if (i >= s.size() || s[i] != '.') {
            return false;
        }
        ++i;
    }
}

fuzz::Program& program() {
    static std::unique_ptr<fuzz::Program> p = [] {
        fuzz::folder().clear(false);
        auto made = std::make_unique<fuzz::Program>(fuzz::folder().path());
        made->load();
        return made;
    }();
    return *p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Program& p = program();
    // The fakes record every box and input box: one input's worth is kept, not the campaign's.
    p.fakes.dialogs.boxes.clear();
    p.fakes.dialogs.inputs.clear();
    FuzzedDataProvider in(data, size);
    const std::string query = in.ConsumeRandomLengthString(64);
    const std::string queryText = sjis::toUtf8(query);

    // The crew types the car PC's address: a known one, none, or the text the query carries.
    CarPanel& car = p.car();
    const std::string before = car.Lbl_IP.caption();
    std::string typed;
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        typed = before;
        break;
    case 1:
        typed = "192.168.1.20";
        break;
    case 2:
        typed = "";
        break;
    default:
        typed = queryText;
        break;
    }
    p.fakes.dialogs.answers.clear();
    p.fakes.dialogs.typeNext(typed);
    Btn_ClientNoSet_Click(p.host, 0);
    const bool takes = typed.empty() || dottedIPv4(typed);
    check(car.Lbl_IP.caption() == (takes ? typed : before), "the slot takes only a dotted IPv4 address",
          "typed '" + typed + "', address now '" + car.Lbl_IP.caption() + "'");

    auto& sent = p.fakes.sockets.net->sent;
    sent.clear();
    check(p.fakes.sockets.deliver(wire::kAddressCheckPort, query, "10.1.2.3"), "the address check listens");
    if (!dottedIPv4(queryText)) {
        check(sent.empty(), "a query that is no dotted IPv4 address gets no reply", queryText);
        return 0;
    }
    check(sent.size() == 1, "a dotted IPv4 query gets one reply", queryText);
    const std::string reply = sjis::toUtf8(sent[0].bytes);
    const std::string expected = car.Lbl_IP.caption() == queryText ? "１号車" : "未登録";
    check(car.Frm_Runner.caption() == "１号車", "slot 0 is the first car");
    check(reply == expected, "the reply names the slot entered for the address, or 未登録",
          "query '" + queryText + "', reply '" + reply + "'");
    check(sent[0].remoteHost == queryText && sent[0].remotePort == wire::kAddressReplyPort,
          "the reply goes to port 7002 of the address the query names");
    check(sent[0].localPort == wire::kAddressCheckPort, "the reply goes out from the address check's own port");
    return 0;
}
