#include "config/settings_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/sjis.h"
#include "base/text_file.h"
#include "rig/temp_folder.h"

namespace rennik {
namespace {

namespace fs = std::filesystem;

// Rennik.ini as a first start writes it, with two values open to replacement.
std::string iniText(std::string_view precision = "1/1000", std::string_view seconds = "10",
                    std::string_view lap3 = "あと３周でピットインです。", std::string_view laps = "10") {
    return sjis::fromUtf8(
        "[計測環境設定]\r\n"
        "計測精度=" +
        std::string(precision) +
        "\r\n"
        "ラップ加算無通信秒数=" +
        std::string(seconds) +
        "\r\n"
        "[自動メッセージ設定]\r\n"
        "残り３周の自動メッセージ=" +
        std::string(lap3) +
        "\r\n"
        "残り２周の自動メッセージ=あと２周でピットインです。\r\n"
        "残り１周の自動メッセージ=次の周でピットインしてください。\r\n"
        "残りが無くなった時の自動メッセージ=はよピットインせんかい！\r\n"
        "チェック時のデフォルト周数=" +
        std::string(laps) + "\r\n");
}

class SettingsTest : public ::testing::Test {
protected:
    // Loads from a file holding `bytes` into fresh settings.
    AppSettings load(const std::string& bytes) {
        dir_.writeBytes("Rennik.ini", bytes);
        AppSettings settings;
        loadSettings(settings, ini_);
        return settings;
    }
    std::string bytes() const { return text_file::readBytes(ini_).value_or("<none>"); }

    test::TempFolder dir_;
    fs::path ini_ = dir_ / "Rennik.ini";
};

void expectDefaults(const AppSettings& s) {
    EXPECT_EQ(s.MeasurePrecision, "1/1000");
    EXPECT_EQ(s.NoInputSeconds, 10);
    EXPECT_EQ(s.AutoMessLap3, "あと３周でピットインです。");
    EXPECT_EQ(s.AutoMessLap2, "あと２周でピットインです。");
    EXPECT_EQ(s.AutoMessLap1, "次の周でピットインしてください。");
    EXPECT_EQ(s.AutoMessEmpty, "はよピットインせんかい！");
    EXPECT_EQ(s.DefaultCheckLaps, 10);
    EXPECT_EQ(s.TicksPerSecond, 1000);
    EXPECT_EQ(s.FractionFormat, "000");
    EXPECT_EQ(s.MsPerTick, 1);
    EXPECT_EQ(s.NoInputTicks, 10000);
}

TEST_F(SettingsTest, FirstStartCreatesTheCompleteFile) {
    AppSettings settings;
    settings.setMeasurePrecision("1/100");  // proves the loader sets every field itself
    settings.setNoInputSeconds(50);
    settings.DefaultCheckLaps = 3;
    loadSettings(settings, ini_);
    expectDefaults(settings);
    EXPECT_EQ(bytes(), iniText());
}

TEST_F(SettingsTest, PrecisionSetsTheDerivedFields) {
    const AppSettings hundredth = load(iniText("1/100"));
    EXPECT_EQ(hundredth.TicksPerSecond, 100);
    EXPECT_EQ(hundredth.FractionFormat, "00");
    EXPECT_EQ(hundredth.MsPerTick, 10);
    EXPECT_EQ(hundredth.NoInputTicks, 1000);

    const AppSettings other = load(iniText("1/10000", "12"));
    EXPECT_EQ(other.MeasurePrecision, "1/10000");  // kept as stored, in memory and in the file
    EXPECT_EQ(other.TicksPerSecond, 100);
    EXPECT_EQ(other.NoInputTicks, 1200);
    EXPECT_EQ(bytes(), iniText("1/10000", "12"));

    const AppSettings blanks = load(iniText("  1/1000\t "));
    EXPECT_EQ(blanks.MeasurePrecision, "1/1000");
    EXPECT_EQ(blanks.TicksPerSecond, 1000);
}

TEST_F(SettingsTest, NoInputSecondsOutOfRangeGivesTenAndLeavesTheFile) {
    const struct {
        const char* stored;
        int seconds;
    } cases[] = {{"0", 10},  {"100", 10}, {"abc", 10}, {"-5", 10}, {"99", 99}, {"1", 1},
                 {"2.5", 2}, {"3.5", 4},  {"12x", 12}, {" 7 ", 7}, {"1e9", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const AppSettings s = load(iniText("1/1000", c.stored));
        EXPECT_EQ(s.NoInputSeconds, c.seconds);
        EXPECT_EQ(s.NoInputTicks, c.seconds * 1000);
        EXPECT_EQ(bytes(), iniText("1/1000", c.stored));
    }
}

TEST_F(SettingsTest, DefaultCheckLapsReadsWholeNumbers) {
    // Not a number at all, or beyond 32 bits: the default, with the file left as it is.
    const struct {
        const char* stored;
        int laps;
    } cases[] = {{"7", 7},     {"2.5", 2},   {"1,000", 1000},     {"-3", -3},
                 {"12周", 12}, {"周回", 10}, {"99999999999", 10}, {"1e400", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(load(iniText("1/1000", "10", "あと３周でピットインです。", c.stored)).DefaultCheckLaps,
                  c.laps);
        EXPECT_EQ(bytes(), iniText("1/1000", "10", "あと３周でピットインです。", c.stored));
    }
}

TEST_F(SettingsTest, EmptyMessageTakesTheDefaultWrittenInPlace) {
    const AppSettings s = load(iniText("1/1000", "10", "  "));
    EXPECT_EQ(s.AutoMessLap3, "あと３周でピットインです。");
    EXPECT_EQ(bytes(), iniText());
}

TEST_F(SettingsTest, BadFileGivesDefaultsAndKeepsItsBytes) {
    std::string garbage("\xFF\xFE\x00\x81[\x9F]\r\n=\x82\r\n", 13);
    garbage += std::string(100000, '\xE0') + "\r\n";
    const AppSettings s = load(garbage);
    expectDefaults(s);
    EXPECT_EQ(bytes(), garbage + iniText());
}

// A Rennik.ini the crew has made read-only is read as it stands and never written: neither the
// defaults of missing keys at start nor a save of the settings panel.
TEST_F(SettingsTest, ReadOnlyFileIsReadAndNeverWritten) {
    const std::string partial = sjis::fromUtf8("[計測環境設定]\r\n計測精度=1/100\r\n");
    dir_.writeBytes("Rennik.ini", partial);
    fs::permissions(ini_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    AppSettings settings;
    loadSettings(settings, ini_);
    EXPECT_EQ(settings.TicksPerSecond, 100);
    EXPECT_EQ(settings.DefaultCheckLaps, 10);
    EXPECT_FALSE(settingsFileUnreadable(ini_));
    settings.DefaultCheckLaps = 7;
    EXPECT_EQ(saveSettings(settings, ini_).error, FileError::ReadOnlyFile);
    EXPECT_EQ(bytes(), partial);
    EXPECT_EQ(fs::status(ini_).permissions() & fs::perms::owner_write, fs::perms::none);
}

#ifndef _WIN32
// A link that leads nowhere (a stick not plugged in, a loop) is never replaced by a file; a link
// to a file is read and written through and stays a link.
TEST_F(SettingsTest, ALinkIsFollowedAndOneThatLeadsNowhereIsNeverReplaced) {
    fs::create_symlink("stick/Rennik.ini", ini_);
    AppSettings settings;
    loadSettings(settings, ini_);
    expectDefaults(settings);
    EXPECT_TRUE(settingsFileUnreadable(ini_));
    EXPECT_EQ(saveSettings(settings, ini_).error, FileError::BrokenLink);
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_FALSE(fs::exists(dir_ / "stick"));

    fs::remove(ini_);
    fs::create_directory(dir_ / "stick");
    dir_.writeBytes("stick/Rennik.ini", iniText("1/100"));
    fs::create_symlink("stick/Rennik.ini", ini_);
    loadSettings(settings, ini_);
    EXPECT_EQ(settings.TicksPerSecond, 100);
    EXPECT_FALSE(settingsFileUnreadable(ini_));
    settings.DefaultCheckLaps = 7;
    EXPECT_TRUE(saveSettings(settings, ini_));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_EQ(text_file::readBytes(dir_ / "stick" / "Rennik.ini"),
              iniText("1/100", "10", "あと３周でピットインです。", "7"));
}
#endif

TEST_F(SettingsTest, ReadOnlyFolderGivesDefaultsWithoutAFile) {
    if (!dir_.makeReadOnly()) {
        GTEST_SKIP() << "the folder stays writable for this user (root, or anyone on Windows)";
    }
    AppSettings settings;
    EXPECT_NO_THROW(loadSettings(settings, ini_));
    expectDefaults(settings);
    EXPECT_FALSE(fs::exists(ini_));
}

}  // namespace
}  // namespace rennik
