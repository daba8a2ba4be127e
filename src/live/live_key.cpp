#include "live/live_key.h"

#include <random>

namespace rennik::live {

std::string NewKey() {
    std::random_device source;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string key;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = source();
        for (int nibble = 0; nibble < 8; ++nibble, bits >>= 4) {
            key += kDigits[bits & 0xF];
        }
    }
    return key;
}

bool SameKey(std::string_view given, std::string_view key) {
    // Every byte of the key is compared, whatever was found before; a length that differs
    // compares against the key itself so that the loop takes the same time.
    const std::string_view against = given.size() == key.size() ? given : key;
    unsigned char differ = given.size() == key.size() ? 0 : 1;
    for (std::size_t i = 0; i < key.size(); ++i) {
        differ |= static_cast<unsigned char>(against[i] ^ key[i]);
    }
    return differ == 0 && !key.empty();
}

}  // namespace rennik::live
