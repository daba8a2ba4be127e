#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Every file and datagram of the program is Shift-JIS (code page 932); inside, text is UTF-8.
// These two functions are the only crossing between the two.
namespace rennik::sjis {

// Bytes that do not decode (a stray lead byte, an unassigned code) become U+FFFD each;
// the rest of the text is kept.
std::string toUtf8(std::string_view cp932);

// Characters that code page 932 cannot hold become "?"; invalid UTF-8 is treated the same way.
std::string fromUtf8(std::string_view utf8);

// Number of characters (code points) in a UTF-8 text: positions and lengths on screen and on
// the wire count characters, not bytes.
std::size_t charCount(std::string_view utf8);

// The first `chars` characters of a UTF-8 text (all of it when it is shorter).
std::string_view firstChars(std::string_view utf8, std::size_t chars);

// The longest start of a Shift-JIS text that holds at most `bytes` bytes and ends on a whole
// character: a cut never leaves a lead byte without its trail byte.
std::string_view wholeCharsWithin(std::string_view cp932, std::size_t bytes);

}  // namespace rennik::sjis
