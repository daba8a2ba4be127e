#include "live/live_key.h"

#include <gtest/gtest.h>

#include <set>

namespace rennik::live {
namespace {

TEST(LiveKeyTest, EachKeyIsNewAndOnlyTheWholeKeyOpens) {
    std::set<std::string> keys;
    for (int i = 0; i < 100; ++i) {
        const std::string key = NewKey();
        ASSERT_EQ(key.size(), 32U);
        ASSERT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 100U);

    const std::string key = "0123456789abcdef0123456789abcdef";
    EXPECT_TRUE(SameKey(key, key));
    EXPECT_FALSE(SameKey("0123456789abcdef0123456789abcdee", key));
    EXPECT_FALSE(SameKey("1123456789abcdef0123456789abcdef", key));
    EXPECT_FALSE(SameKey(key.substr(0, 31), key));
    EXPECT_FALSE(SameKey(key + "0", key));
    EXPECT_FALSE(SameKey("", key));
    EXPECT_FALSE(SameKey("", ""));
}

}  // namespace
}  // namespace rennik::live
