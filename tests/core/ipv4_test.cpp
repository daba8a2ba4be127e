#include <gtest/gtest.h>

#include "base/ipv4.h"

namespace rennik {
namespace {

TEST(Ipv4, OnlyPlainDottedAddressesPass) {
    for (const char* good : {"192.168.1.20", "127.0.0.1", "0.0.0.0", "255.255.255.255", "10.0.0.9"}) {
        EXPECT_TRUE(isDottedIPv4(good)) << good;
    }
    // Leading zeros would be read as octal by the socket layer and reach another machine.
    for (const char* bad : {"", "192.168.1", "192.168.1.20.5", "192.168.1.256", " 192.168.1.20",
                            "192.168.1.20 ", "192.168.001.020", "010.0.0.1", "1.2.3.08", "1..2.3", "a.b.c.d",
                            "localhost", "1.2.3.4/24", "１９２.168.1.20", "1234.1.1.1", "-1.2.3.4"}) {
        EXPECT_FALSE(isDottedIPv4(bad)) << bad;
    }
}

}  // namespace
}  // namespace rennik
