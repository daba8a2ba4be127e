#include "base/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "rig/temp_folder.h"

namespace rennik {
namespace {

namespace fs = std::filesystem;

// A fresh, empty folder per test.
class TextFile : public ::testing::Test {
protected:
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            out.push_back(e.path().filename().string());
        }
        return out;
    }

    test::TempFolder dir_;
};

TEST_F(TextFile, WriteReplacesTheWholeFileAndLeavesNoTemporary) {
    const fs::path file = dir_ / "Car.ini";
    ASSERT_TRUE(text_file::writeBytesAtomic(file, std::string(5000, 'x') + "\r\n"));
    ASSERT_TRUE(text_file::writeBytesAtomic(file, "\x8C\x76,40,12.5\r\n"));
    EXPECT_EQ(text_file::readBytes(file), "\x8C\x76,40,12.5\r\n");
    ASSERT_TRUE(text_file::writeBytesAtomic(file, ""));
    EXPECT_EQ(text_file::readBytes(file), "");
    EXPECT_EQ(names(), std::vector<std::string>{"Car.ini"});
}

TEST_F(TextFile, FailedWriteReportsFalseAndTouchesNothing) {
    // Each failure says why, in words that tell the crew what to do.
    const WriteResult noFolder = text_file::writeBytesAtomic(dir_ / "missing" / "Car.ini", "a");
    EXPECT_EQ(noFolder.error, FileError::NoFolder);
    EXPECT_EQ(FileErrorText(noFolder),
              "フォルダが見つかりません。USBメモリなどが抜けていないか確かめてください。");
    EXPECT_FALSE(fs::exists(dir_ / "missing"));

    // The path names a folder: the folder and what it holds stay as they were.
    const fs::path folder = dir_ / "Course.ini";
    fs::create_directories(folder);
    ASSERT_TRUE(text_file::writeBytesAtomic(folder / "kept.txt", "old"));
    const WriteResult folderInTheWay = text_file::writeBytesAtomic(folder, "new");
    EXPECT_EQ(folderInTheWay.error, FileError::FolderInTheWay);
    EXPECT_EQ(FileErrorText(folderInTheWay), "同じ名前のフォルダがあります。別の名前を付けてください。");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(text_file::readBytes(folder / "kept.txt"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"Course.ini"});

    EXPECT_FALSE(text_file::readBytes(folder));
    EXPECT_FALSE(text_file::readBytes(dir_ / "none.ini"));
}

// The program's folder may be named in Japanese (a user's desktop, say), and so may a file.
TEST_F(TextFile, WritesAndReplacesUnderJapaneseNames) {
    const fs::path folder = dir_.path() / fs::path(u8"走行記録");
    fs::create_directories(folder);
    const fs::path file = folder / fs::path(u8"設定.ini");
    ASSERT_TRUE(text_file::writeBytesAtomic(file, "old\r\n"));
    ASSERT_TRUE(text_file::writeBytesAtomic(file, "new\r\n"));
    EXPECT_EQ(text_file::readBytes(file), "new\r\n");
    std::vector<std::string> inFolder;
    for (const auto& e : fs::directory_iterator(folder)) {
        inFolder.push_back(e.path().filename().string());
    }
    EXPECT_EQ(inFolder, std::vector<std::string>{"設定.ini"});
}

TEST(TextLines, SplitAtEveryKindOfLineEnd) {
    using V = std::vector<std::string>;
    EXPECT_EQ(text_file::splitLines(""), V{});
    EXPECT_EQ(text_file::splitLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(text_file::splitLines("a\nb"), (V{"a", "b"}));
    EXPECT_EQ(text_file::splitLines("a\rb\r"), (V{"a", "b"}));
    EXPECT_EQ(text_file::splitLines("a\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(text_file::splitLines("\n\r"), (V{"", ""}));  // LF then a lone CR: two lines
    EXPECT_EQ(text_file::splitLines("\r\n"), V{""});
    EXPECT_EQ(text_file::joinLinesCrLf({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(text_file::splitLines(text_file::joinLinesCrLf({"x,1", "", "y"})), (V{"x,1", "", "y"}));
}

}  // namespace
TEST(FileErrors, EveryReasonHasItsOwnWordsAndAnUnknownOneItsNumber) {
    std::set<std::string> texts;
    for (const FileError kind : {FileError::NoPermission, FileError::ReadOnly, FileError::DiskFull,
                                 FileError::FolderInTheWay, FileError::NoFolder, FileError::Locked}) {
        texts.insert(FileErrorText({kind, 0}));
    }
    EXPECT_EQ(texts.size(), 6U);
    EXPECT_EQ(FileErrorText({}), "");
    EXPECT_EQ(FileErrorText({FileError::Other, 1234}), "エラー番号 1234。");
    EXPECT_TRUE(WriteResult{});
    EXPECT_FALSE((WriteResult{FileError::DiskFull, 0}));
}

}  // namespace rennik
