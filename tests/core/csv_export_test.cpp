#include "report/csv_export.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "base/text_file.h"
#include "report/csv_save.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

TEST(CsvExportTest, FieldsAreQuotedAsRfc4180SaysAndEveryRecordEndsInCrLf) {
    EXPECT_EQ(csv::field("山田"), "山田");
    EXPECT_EQ(csv::field(""), "");
    EXPECT_EQ(csv::field("a,b"), "\"a,b\"");
    EXPECT_EQ(csv::field("ピット\"IN\""), "\"ピット\"\"IN\"\"\"");
    EXPECT_EQ(csv::field("1行目\r\n2行目"), "\"1行目\r\n2行目\"");
    EXPECT_EQ(csv::field("lone\n"), "\"lone\n\"");
    EXPECT_EQ(csv::records({{"a", "b,c"}, {"", "\""}}), "a,\"b,c\"\r\n,\"\"\"\"\r\n");
}

TEST(CsvExportTest, BothEncodingsAndTheCharactersShiftJisLacks) {
    EXPECT_EQ(csv::encode("周回\r\n", csv::Encoding::Utf8Bom), "\xEF\xBB\xBF周回\r\n");
    EXPECT_EQ(csv::encode("周回\r\n", csv::Encoding::ShiftJis), sjis::fromUtf8("周回\r\n"));
    EXPECT_EQ(csv::encode("ｲﾍﾞﾝﾄ", csv::Encoding::ShiftJis), "\xB2\xCD\xDE\xDD\xC4");
    EXPECT_EQ(csv::charsShiftJisLacks("山田?"), 0U);
    // An emoji and a character outside code page 932 (U+20BB7), among a question mark typed.
    EXPECT_EQ(csv::charsShiftJisLacks("🏁 𠮷田 ?"), 2U);
    EXPECT_EQ(csv::encode("🏁", csv::Encoding::ShiftJis), "?");
}

class CsvFileTest : public test::HostFixture {
protected:
    CsvFileTest() {
        m.Txt_Event.setText("もてぎ 耐久");
        race.StartTime = {2026, 12, 9, 18, 43, 0};
        Grid& t = car.Spd_LapTime;
        t.setRowCount(3);
        const char* rows[3][5] = {{"1'40\"000", "山田", "", "100000", "OK, 了解"},
                                  {"1'38\"500", "山田", "ピットイン\"給油\"", "98500", ", "},
                                  {"", "", "", "", ""}};
        for (int r = 1; r <= 3; ++r) {
            t.setCell(r, LapColumn::Time, rows[r - 1][0]);
            t.setCell(r, LapColumn::Driver, rows[r - 1][1]);
            t.setCell(r, LapColumn::Remark, rows[r - 1][2]);
            t.setCell(r, LapColumn::Ticks, rows[r - 1][3]);
            t.setCell(r, LapColumn::MessageLog, rows[r - 1][4]);
        }
    }
};

TEST_F(CsvFileTest, TheLapsStintsAndDriversAsTheScreenHoldsThem) {
    // A lap time holds a double quote, so every one is quoted.
    EXPECT_EQ(csv::laps(car.Spd_LapTime, race.Settings),
              "周回,タイム,タイム(ms),ドライバ,備考,メッセージ\r\n"
              "1,\"1'40\"\"000\",100000,山田,,\"OK, 了解\"\r\n"
              "2,\"1'38\"\"500\",98500,山田,\"ピットイン\"\"給油\"\"\",\", \"\r\n"
              "3,,,,,\r\n");
    // The empty last row is the lap under way: in no stint.
    LapRowCache cache;
    const std::vector<Stint> stints = StintsOf(cache.rows(car.Spd_LapTime));
    EXPECT_EQ(csv::stints(stints, race.Settings),
              "スティント,ドライバ,開始周,終了周,周回数,運転時間,運転時間(ms),ベストラップ,ベスト周,平均ラップ\r\n"
              "1,山田,1,2,2,0:03:18,198500,\"1'38\"\"500\",2,\"1'39\"\"250\"\r\n");
    EXPECT_EQ(csv::drivers(DriverTotalsOf(stints), race.Settings),
              "ドライバ,スティント数,周回数,運転時間,運転時間(ms),ベストラップ,ベスト周,平均ラップ\r\n"
              "山田,1,2,0:03:18,198500,\"1'38\"\"500\",2,\"1'39\"\"250\"\r\n");

    // At 1/100 a tick is 10 ms.
    AppSettings coarse;
    coarse.setMeasurePrecision("1/100");
    car.Spd_LapTime.setCell(1, LapColumn::Ticks, "10000");
    EXPECT_NE(csv::laps(car.Spd_LapTime, coarse).find("\r\n1,\"1'40\"\"000\",100000,"), std::string::npos);
}

TEST_F(CsvFileTest, TheSaveDialogsFileTypeChoosesTheEncodingAndALackingCharacterIsAsked) {
    const auto file = dir.path() / "laps.csv";
    fakes.dialogs.saveAsNext(text_file::pathToUtf8(file), 1);
    SaveCsvFile(host, m, race, CsvTable::Drivers);
    EXPECT_TRUE(fakes.dialogs.saves.back().fileName.ends_with("もてぎ 耐久_2026-12-09_1843_ドライバ.csv"));
    EXPECT_EQ(fakes.dialogs.saves.back().filter, "CSV Shift-JIS (*.csv)|*.csv|CSV UTF-8 BOM付き (*.csv)|*.csv");
    EXPECT_TRUE(text_file::readBytes(file)->starts_with("\xEF\xBB\xBF" "ドライバ,スティント数"));

    // Shift-JIS with a character it cannot hold: No writes nothing, Yes writes "?".
    car.Spd_LapTime.setCell(1, LapColumn::Remark, "🏁");
    fakes.dialogs.saveAsNext(text_file::pathToUtf8(file), 0);
    fakes.dialogs.answerNext(Answer::No);
    SaveCsvFile(host, m, race, CsvTable::Laps);
    EXPECT_NE(fakes.dialogs.boxes.back().text.find("1 文字"), std::string::npos);
    EXPECT_TRUE(text_file::readBytes(file)->starts_with("\xEF\xBB\xBF"));
    fakes.dialogs.saveAsNext(text_file::pathToUtf8(file), 0);
    fakes.dialogs.answerNext(Answer::Yes);
    SaveCsvFile(host, m, race, CsvTable::Laps);
    EXPECT_EQ(*text_file::readBytes(file), csv::encode(csv::laps(car.Spd_LapTime, race.Settings),
                                                       csv::Encoding::ShiftJis));
    EXPECT_NE(text_file::readBytes(file)->find(",?,"), std::string::npos);

    // A folder in the way: said in a box naming the file, nothing reported as saved.
    std::filesystem::create_directory(dir.path() / "in-the-way.csv");
    fakes.dialogs.saveAsNext(text_file::pathToUtf8(dir.path() / "in-the-way.csv"), 1);
    const std::size_t boxes = fakes.dialogs.boxes.size();
    SaveCsvFile(host, m, race, CsvTable::Stints);
    ASSERT_EQ(fakes.dialogs.boxes.size(), boxes + 1);
    EXPECT_NE(fakes.dialogs.boxes.back().text.find("in-the-way.csv に書き込めません。"), std::string::npos);
}

}  // namespace
}  // namespace rennik
