#pragma once

#include <string>
#include <string_view>

// The key that opens the live view: part of the address the crew's phones open, new each time
// the view is turned on, so an address seen once (a photo of the screen, an old browser tab)
// opens nothing later.
namespace rennik::live {

// 128 bits from the system's random source, as 32 lowercase hexadecimal digits.
std::string NewKey();

// Whether `given` is `key`. The time taken depends on the lengths only, never on how much of
// the key a guess got right.
bool SameKey(std::string_view given, std::string_view key);

}  // namespace rennik::live
