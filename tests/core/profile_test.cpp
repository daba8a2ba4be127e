#include "config/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "base/text_file.h"
#include "rig/temp_folder.h"

namespace rennik::profile {
namespace {

namespace fs = std::filesystem;

// One profile file, Test.ini, in a fresh folder of its own.
class ProfileTest : public ::testing::Test {
protected:
    void put(const std::string& bytes) const { dir_.writeBytes("Test.ini", bytes); }
    std::string bytes() const { return text_file::readBytes(file_).value_or("<none>"); }
    ReadResult read(std::string_view section, std::string_view key) const {
        return readIni(file_, section, key);
    }

    test::TempFolder dir_;
    fs::path file_ = dir_ / "Test.ini";
};

std::string sj(std::string_view utf8) { return sjis::fromUtf8(utf8); }

TEST_F(ProfileTest, ReadsByProfileRules) {
    // "‐" is 0x81 0x5D in Shift-JIS: its second byte is ']' and must not close the section name.
    put(
        sj("key0=outside\n"
           "; comment=not a key\r\n"
           "  [ Sec‐A ]  trailing\r\n"
           "  Name  =   spaced value  \r"
           "DQ=\"  kept blanks  \"\n"
           "SQ='x'\r\n"
           "Half=\"open\r\n"
           "junk line\r\n"
           "[unclosed=1\r\n"
           "dup=first\r\n"
           "dup=second\r\n"
           "empty=   \r\n"
           "値=日本語\r\n"
           "[sec‐a]\r\n"
           "only=in second copy\r\n"
           "[Other]\r\n"
           "name=other\r\n"));

    EXPECT_EQ(read("sec‐a", "NAME").value, "spaced value");
    EXPECT_EQ(read("SEC‐A", "name").count, 12u);
    EXPECT_EQ(read("sec‐a", "dq").value, "  kept blanks  ");
    EXPECT_EQ(read("sec‐a", "sq").value, "x");
    EXPECT_EQ(read("sec‐a", "half").value, "\"open");
    EXPECT_EQ(read("sec‐a", "dup").value, "first");
    EXPECT_EQ(read("sec‐a", "値").value, "日本語");
    EXPECT_EQ(read("sec‐a", "値").count, 6u);  // Shift-JIS bytes
    EXPECT_EQ(read("other", "name").value, "other");

    // Not found: empty value, comment, key outside any section, later duplicate section, no file.
    EXPECT_EQ(read("sec‐a", "empty").count, 0u);
    EXPECT_EQ(read("sec‐a", "; comment").count, 0u);
    EXPECT_EQ(read("", "key0").count, 0u);
    EXPECT_EQ(read("sec‐a", "only").count, 0u);
    EXPECT_EQ(read("sec‐a", "unclosed").count, 0u);
    EXPECT_EQ(read("missing", "name").count, 0u);
    EXPECT_EQ(readIni(dir_ / "none.ini", "sec‐a", "name").count, 0u);
}

TEST_F(ProfileTest, CutsValuesAtNulAndAtBufferWithoutSplittingCharacters) {
    std::string wide;
    for (int i = 0; i < 50000; ++i) {
        wide += sj("あ");
    }
    put("[s]\r\nwide=" + wide + "\r\nodd=x" + wide + "\r\nnul=ab" + std::string(1, '\0') +
        "cd\r\nlead=" + std::string(1, '\0') + "x\r\nafter=ok\r\n");

    const ReadResult even = read("s", "wide");
    EXPECT_EQ(even.count, 1022u);  // 511 characters; the 512th would need byte 1024
    EXPECT_EQ(sjis::charCount(even.value), 511u);
    const ReadResult odd = read("s", "odd");
    EXPECT_EQ(odd.count, 1023u);
    EXPECT_EQ(odd.value.substr(0, 4), "xあ");
    EXPECT_EQ(read("s", "nul").value, "ab");
    EXPECT_EQ(read("s", "nul").count, 2u);
    EXPECT_EQ(read("s", "lead").count, 0u);
    EXPECT_EQ(read("s", "after").value, "ok");
}

TEST_F(ProfileTest, BadFilesGiveDefinedResults) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 37 + i / 256) & 0xFF);
    }
    put(garbage);
    EXPECT_EQ(read("s", "k").count, 0u);
    EXPECT_TRUE(writeIni("s", "k", "v", file_));
    EXPECT_EQ(read("s", "k").value, "v");
    std::vector<std::string> expected = text_file::splitLines(garbage);
    expected.insert(expected.end(), {"[s]", "k=v"});
    EXPECT_EQ(text_file::splitLines(bytes()), expected);

    // Invalid Shift-JIS in a value is replaced when read, and the key is still found.
    put("[s]\r\nbad=a\x81\x20z\x81\r\n");
    EXPECT_EQ(read("s", "bad").value, "a\xEF\xBF\xBD z\xEF\xBF\xBD");

    // A 100 KB line without any structure, then a key.
    put("[s]\r\n" + std::string(100000, '[') + "\r\n" + std::string(100000, 'k') + "\r\nk=1\r\n");
    EXPECT_EQ(read("s", "k").value, "1");
}

TEST_F(ProfileTest, WriteChangesOnlyTheKeyAndKeepsEveryOtherByte) {
    // Undecodable bytes, a comment, LF ends, duplicates and a trailing blank line before [b].
    const std::string junk = "\x81\x7F\xFF\xA0=\x80\xFD";
    put(";\x82\xA0 comment\n[a]\nKey = old \ndup=1\n" + junk + "\nkey=second\n\n[b]\nx=1\n[A]\nkey=3");

    EXPECT_TRUE(writeIni("a", "key", "新しい", file_));
    EXPECT_TRUE(writeIni("A", "added", "2", file_));
    EXPECT_TRUE(writeIni("b", "y", " 3 ", file_));
    EXPECT_TRUE(writeIni("新節", "k", "two\r\nlines", file_));

    EXPECT_EQ(bytes(), ";\x82\xA0 comment\r\n[a]\r\nKey=" + sj("新しい") + "\r\ndup=1\r\n" + junk +
                           "\r\nkey=second\r\nadded=2\r\n\r\n[b]\r\nx=1\r\ny=\" 3 \"\r\n[A]\r\nkey=3\r\n" +
                           sj("[新節]\r\nk=two  lines\r\n"));
    EXPECT_EQ(read("b", "y").value, " 3 ");
    EXPECT_EQ(read("新節", "k").value, "two  lines");

    // Whatever is written reads back as it was: blanks at the ends, a vertical tab a damaged file
    // left behind, outer quotes of the value's own; a value with inner quotes only is not quoted.
    for (const std::string value : {"1/1000\v", "\tx", "\"q\"", "'single'", "'", "a \"b\" c"}) {
        EXPECT_TRUE(writeIni("b", "v", value, file_));
        EXPECT_EQ(read("b", "v").value, value);
    }
    EXPECT_NE(bytes().find("\r\nv=a \"b\" c\r\n"), std::string::npos);

    // A section without keys takes the key right after its header.
    put("[e]\r\n; note\r\n[f]\r\n");
    EXPECT_TRUE(writeIni("e", "k", "v", file_));
    EXPECT_EQ(bytes(), "[e]\r\nk=v\r\n; note\r\n[f]\r\n");
}

TEST_F(ProfileTest, FailedWriteReportsFalseAndChangesNothing) {
    const fs::path folder = dir_ / "folder.ini";
    fs::create_directory(folder);
    EXPECT_FALSE(writeIni("s", "k", "v", folder));
    EXPECT_TRUE(fs::is_directory(folder));

    put("[s]\r\nk=old\r\n");
    if (!dir_.makeReadOnly()) {
        GTEST_SKIP() << "the folder stays writable for this user (root, or anyone on Windows)";
    }
    EXPECT_EQ(writeIni("s", "k", "new", file_).error, FileError::NoPermission);
    EXPECT_EQ(writeIni("s", "k", "v", dir_ / "new.ini").error, FileError::NoPermission);
    EXPECT_EQ(bytes(), "[s]\r\nk=old\r\n");
    EXPECT_FALSE(fs::exists(dir_ / "new.ini"));

    // A file that cannot be read must not be replaced by one holding only the new key.
    fs::permissions(dir_.path(), fs::perms::owner_all);
    fs::permissions(file_, fs::perms::none);
    EXPECT_FALSE(writeIni("s", "other", "v", file_));
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(bytes(), "[s]\r\nk=old\r\n");
}

}  // namespace
}  // namespace rennik::profile
