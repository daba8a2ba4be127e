#include "base/sjis.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace rennik {
namespace {

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(Sjis, ProgramTextsRoundTripWithCodePage932Bytes) {
    const struct {
        std::string utf8;
        std::string cp932;
    } cases[] = {
        {"計測環境設定", "\x8C\x76\x91\xAA\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8"},
        {"１号車", "\x82\x50\x8D\x86\x8E\xD4"},
        {"はよピットインせんかい！",
         "\x82\xCD\x82\xE6\x83\x73\x83\x62\x83\x67\x83\x43\x83\x93\x82\xB9\x82\xF1\x82\xA9\x82\xA2\x81\x49"},
        {"ｲﾍﾞﾝﾄ名", "\xB2\xCD\xDE\xDD\xC4\x96\xBC"},
        // Full-width tilde and minus: code page 932 has them where plain Shift_JIS has the wave
        // dash and the minus sign.
        {"～－", "\x81\x60\x81\x7C"},
        {"1'23\"456,A\\~", "1'23\"456,A\\~"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sjis::fromUtf8(c.utf8), c.cp932) << c.utf8;
        EXPECT_EQ(sjis::toUtf8(c.cp932), c.utf8) << c.utf8;
    }
}

TEST(Sjis, UndecodableBytesBecomeReplacementCharacterEach) {
    EXPECT_EQ(sjis::toUtf8("A\x80"
                           "B"),
              "A" + kBad + "B");
    EXPECT_EQ(sjis::toUtf8("A\xA0"
                           "B"),
              "A" + kBad + "B");
    EXPECT_EQ(sjis::toUtf8("\xFD\xFE\xFF"), kBad + kBad + kBad);
    // A lone lead byte at the end, and a lead byte whose next byte cannot be a trail byte:
    // the next byte is kept as itself.
    EXPECT_EQ(sjis::toUtf8("\x8C\x76\x8C"), "計" + kBad);
    EXPECT_EQ(sjis::toUtf8("\x81 X"), kBad + " X");
    EXPECT_EQ(sjis::toUtf8("\x82\x0D\x0A"), kBad + "\r\n");
    // An unassigned double-byte code is one character.
    EXPECT_EQ(sjis::toUtf8("a\x85\x40"
                           "b"),
              "a" + kBad + "b");
}

TEST(Sjis, UnencodableCharactersBecomeQuestionMark) {
    EXPECT_EQ(sjis::fromUtf8("a\xF0\x9F\x98\x80"
                             "b"),
              "a?b");  // emoji
    EXPECT_EQ(sjis::fromUtf8("号\xFF"
                             "x"),
              "\x8D\x86?x");
    EXPECT_EQ(sjis::fromUtf8("\x80\x80"), "??");   // stray continuation bytes
    EXPECT_EQ(sjis::fromUtf8("x\xE3\x81"), "x?");  // cut off at the end
    EXPECT_EQ(sjis::fromUtf8("\xE3\x81"
                             "A"),
              "?A");  // cut off before a letter
    EXPECT_EQ(sjis::fromUtf8(kBad), "?");
    // Characters that would come out as bytes which read back as no character at all.
    EXPECT_EQ(sjis::fromUtf8("\xC2\x80"
                             "\xEF\xA3\xB0\xEF\xA3\xB3"),
              "???");  // U+0080, U+F8F0, U+F8F3
}

// Text pasted from elsewhere may carry the look-alikes that other Japanese encodings use for
// these codes: wave dash, minus sign, em dash, double vertical line, cent, pound, not, yen
// and overline signs. They are written as the code they stand for.
TEST(Sjis, LookAlikesTakeTheCodeTheyStandFor) {
    EXPECT_EQ(sjis::fromUtf8("〜−—‖"), "\x81\x60\x81\x7C\x81\x5C\x81\x61");
    EXPECT_EQ(sjis::fromUtf8("¢£¬"), "\x81\x91\x81\x92\x81\xCA");
    EXPECT_EQ(sjis::fromUtf8("¥‾"), "\x5C\x7E");
    // Read back, they are code page 932's own characters.
    EXPECT_EQ(sjis::toUtf8(sjis::fromUtf8("〜−")), "～－");
}

TEST(Sjis, LongTextsConvertCompletely) {
    std::string utf8;
    std::string cp932;
    for (int i = 0; i < 500; ++i) {
        utf8 += "計測環境設定ｲﾍﾞﾝﾄ名 " + std::to_string(i);
        cp932 += "\x8C\x76\x91\xAA\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8\xB2\xCD\xDE\xDD\xC4\x96\xBC " +
                 std::to_string(i);
    }
    ASSERT_GT(cp932.size(), 8000u);
    EXPECT_EQ(sjis::fromUtf8(utf8), cp932);
    EXPECT_EQ(sjis::toUtf8(cp932), utf8);
    // A bad byte far past the first kilobyte is replaced in place, the rest still follows.
    EXPECT_EQ(sjis::toUtf8(cp932 + "\x80" + cp932), utf8 + kBad + utf8);
    EXPECT_EQ(sjis::fromUtf8(utf8 + "\xF0\x9F\x98\x80" + utf8), cp932 + "?" + cp932);
}

// The car simulator of the end-to-end tests converts on its own thread beside the host.
TEST(Sjis, ConvertsOnTwoThreadsAtOnce) {
    std::string utf8;
    for (int i = 0; i < 300; ++i) {
        utf8 += "はよピットインせんかい！ｲﾍﾞﾝﾄ名 " + std::to_string(i);
    }
    const std::string cp932 = sjis::fromUtf8(utf8);
    int wrong[2] = {0, 0};
    auto work = [&](int k) {
        for (int i = 0; i < 200; ++i) {
            wrong[k] += sjis::toUtf8(cp932) != utf8;
            wrong[k] += sjis::fromUtf8(utf8) != cp932;
        }
    };
    std::thread a(work, 0);
    std::thread b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
}

TEST(Sjis, CharCountCountsCharactersNotBytes) {
    EXPECT_EQ(sjis::charCount(""), 0u);
    EXPECT_EQ(sjis::charCount("1'23\"456"), 8u);
    EXPECT_EQ(sjis::charCount("計測環境設定"), 6u);
    EXPECT_EQ(sjis::charCount("ｲﾍﾞﾝﾄ名"), 6u);
    EXPECT_EQ(sjis::charCount("a\xF0\x9F\x98\x80"), 2u);
}

}  // namespace
}  // namespace rennik
