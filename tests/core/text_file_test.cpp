#include "base/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/file_lock.h"
#include "base/temporary_files.h"
#include "rig/temp_folder.h"

namespace rennik {
namespace {

namespace fs = std::filesystem;

// A fresh, empty folder per test.
class TextFile : public ::testing::Test {
protected:
    std::vector<std::string> names() const { return namesIn(dir_.path()); }
    static std::vector<std::string> namesIn(const fs::path& folder) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder)) {
            out.push_back(text_file::pathToUtf8(e.path().filename()));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    static void makeReadOnly(const fs::path& file) {
        fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
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

// Mode 444 (or the read-only attribute) is the crew's decision, also for root, who could write.
TEST_F(TextFile, ReadOnlyFileIsRefusedWhoeverRunsTheProgram) {
    const fs::path file = dir_ / "Car.ini";
    ASSERT_TRUE(text_file::writeBytesAtomic(file, "old\r\n"));
    makeReadOnly(file);
    const WriteResult refused = text_file::writeBytesAtomic(file, "new\r\n");
    EXPECT_EQ(refused.error, FileError::ReadOnlyFile);
    EXPECT_EQ(FileErrorText(refused),
              "ファイルが読み取り専用になっています。書き換えるには読み取り専用を外してください。");
    EXPECT_EQ(text_file::readBytes(file), "old\r\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(names(), std::vector<std::string>{"Car.ini"});

    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(text_file::writeBytesAtomic(file, "new\r\n"));
    EXPECT_EQ(text_file::readBytes(file), "new\r\n");
}

// Leftovers are known by their exact name: the file's name, ".tmp" and the number as a write
// gives it. A temporary still held by a write is one in progress, not a leftover.
TEST_F(TextFile, OnlyTheLeftoverTemporariesOfTheFileAreRemoved) {
    for (const char* name :
         {"Car.ini", "Car.ini.tmp0", "Car.ini.tmp123456", "Car.ini.tmp1234567", "Car.ini.tmp012",
          "Car.ini.tmp", "Car.ini.tmp12a", "Car.ini.tmp42", "Course.ini.tmp7", "x.tmp12"}) {
        ASSERT_TRUE(dir_.writeBytes(name, "x"));
    }
    fs::create_directory(dir_ / "Car.ini.tmp9");
    auto writing = std::make_unique<FileLock>(dir_ / "Car.ini.tmp42");
    text_file::removeLeftoverTemporaries(dir_ / "Car.ini");
    EXPECT_EQ(names(), (std::vector<std::string>{"Car.ini", "Car.ini.tmp", "Car.ini.tmp012",
                                                 "Car.ini.tmp1234567", "Car.ini.tmp12a", "Car.ini.tmp42",
                                                 "Car.ini.tmp9", "Course.ini.tmp7", "x.tmp12"}));
    writing.reset();
    text_file::removeLeftoverTemporaries(dir_.path(),
                                         [](const std::string& name) { return name != "Car.ini"; });
    EXPECT_EQ(names(),
              (std::vector<std::string>{"Car.ini", "Car.ini.tmp", "Car.ini.tmp012", "Car.ini.tmp1234567",
                                        "Car.ini.tmp12a", "Car.ini.tmp42", "Car.ini.tmp9"}));
    text_file::removeLeftoverTemporaries(dir_ / "Car.ini");
    EXPECT_EQ(text_file::readBytes(dir_ / "Car.ini"), "x");
    EXPECT_FALSE(fs::exists(dir_ / "Car.ini.tmp42"));
}

// Two saves of one file at once (two programs in one folder) each take a temporary of their
// own, and a start-up clearing leftovers beside them never takes one still being written.
TEST_F(TextFile, SavesAtOnceAndAClearUpBesideThemNeverDisturbEachOther) {
    const fs::path file = dir_ / "Car.ini";
    const std::string first(1000000, 'a');
    const std::string second(1500000, 'b');
    std::atomic<int> failures{0};
    std::atomic<bool> saving{true};
    std::thread clearUp([&] {
        while (saving) {
            text_file::removeLeftoverTemporaries(file);
        }
    });
    const auto save = [&](const std::string& bytes) {
        for (int n = 0; n < 20; ++n) {
            failures += text_file::writeBytesAtomic(file, bytes) ? 0 : 1;
        }
    };
    std::thread a(save, std::cref(first));
    std::thread b(save, std::cref(second));
    a.join();
    b.join();
    saving = false;
    clearUp.join();
    EXPECT_EQ(failures, 0);
    const std::string last = text_file::readBytes(file).value_or("");
    EXPECT_TRUE(last == first || last == second);
    EXPECT_EQ(names(), std::vector<std::string>{"Car.ini"});
}

#ifndef _WIN32
// A link is the crew's arrangement (settings kept on a stick, say): a save goes to the file it
// leads to and the link stays; a link that leads to no file is never replaced by one.
TEST_F(TextFile, ALinkIsWrittenThroughAndOneThatLeadsNowhereIsRefused) {
    const fs::path stick = dir_ / "stick";
    fs::create_directory(stick);
    ASSERT_TRUE(text_file::writeBytesAtomic(stick / "Rennik.ini", "old"));
    ASSERT_TRUE(text_file::writeBytesAtomic(stick / "Rennik.ini.tmp31", "cut short"));
    fs::create_symlink("stick/Rennik.ini", dir_ / "Rennik.ini");
    fs::create_symlink("stick/Rennik.ini", dir_ / "Rennik.ini.tmp8");
    text_file::removeLeftoverTemporaries(dir_ / "Rennik.ini");
    EXPECT_EQ(namesIn(stick), std::vector<std::string>{"Rennik.ini"});
    EXPECT_TRUE(fs::is_symlink(dir_ / "Rennik.ini.tmp8"));

    EXPECT_TRUE(text_file::linkFault(dir_ / "Rennik.ini"));
    ASSERT_TRUE(text_file::writeBytesAtomic(dir_ / "Rennik.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "Rennik.ini"));
    EXPECT_EQ(text_file::readBytes(stick / "Rennik.ini"), "new");
    EXPECT_EQ(namesIn(stick), std::vector<std::string>{"Rennik.ini"});
    makeReadOnly(stick / "Rennik.ini");
    EXPECT_EQ(text_file::writeBytesAtomic(dir_ / "Rennik.ini", "x").error, FileError::ReadOnlyFile);

    fs::create_symlink("gone/Car.ini", dir_ / "Car.ini");
    fs::create_symlink("Course.ini", dir_ / "Course.ini");
    const WriteResult nowhere = text_file::writeBytesAtomic(dir_ / "Car.ini", "x");
    EXPECT_EQ(nowhere.error, FileError::BrokenLink);
    EXPECT_EQ(FileErrorText(nowhere),
              "ファイルはリンクですが、リンク先がありません。リンクを直すか、削除してください。");
    const WriteResult loop = text_file::writeBytesAtomic(dir_ / "Course.ini", "x");
    EXPECT_EQ(loop.error, FileError::LinkLoop);
    EXPECT_EQ(FileErrorText(loop),
              "ファイルはリンクですが、リンクが循環しています。リンクを直すか、削除してください。");
    EXPECT_EQ(text_file::linkFault(dir_ / "Car.ini").error, FileError::BrokenLink);
    EXPECT_EQ(text_file::linkFault(dir_ / "Course.ini").error, FileError::LinkLoop);
    EXPECT_TRUE(fs::is_symlink(dir_ / "Car.ini"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "Course.ini"));
    EXPECT_FALSE(fs::exists(dir_ / "gone"));
    EXPECT_FALSE(text_file::readBytes(dir_ / "Course.ini"));
}
#endif

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
                                 FileError::FolderInTheWay, FileError::NoFolder, FileError::Locked,
                                 FileError::ReadOnlyFile, FileError::BrokenLink, FileError::LinkLoop}) {
        texts.insert(FileErrorText({kind, 0}));
    }
    EXPECT_EQ(texts.size(), 9U);
    EXPECT_EQ(FileErrorText({}), "");
    EXPECT_EQ(FileErrorText({FileError::Other, 1234}), "エラー番号 1234。");
    EXPECT_TRUE(WriteResult{});
    EXPECT_FALSE((WriteResult{FileError::DiskFull, 0}));
}

}  // namespace rennik
