#include "live/live_snapshot.h"

#include <gtest/gtest.h>

namespace rennik::live {
namespace {

TEST(LiveSnapshotTest, TextsAreEscapedAsJsonAndTheLapsComeNewestFirst) {
    EXPECT_EQ(JsonString("山田"), "\"山田\"");
    EXPECT_EQ(JsonString("a\"b\\c\nd\re\tf"), "\"a\\\"b\\\\c\\nd\\re\\tf\"");
    EXPECT_EQ(JsonString(std::string("x\x01y", 3)), "\"x\\u0001y\"");

    MainScreen screen;
    RaceState race;
    screen.Txt_Event.setText("もてぎ \"耐久\"");
    screen.car.Lbl_InMess.setCaption("</script><b>OK</b>");
    Grid& laps = screen.car.Spd_LapTime;
    laps.setRowCount(25);
    for (int row = 1; row <= 24; ++row) {
        laps.setCell(row, LapColumn::Time, "0'1" + std::to_string(row % 10) + "\"000");
        laps.setCell(row, LapColumn::Driver, row <= 12 ? "山田" : "佐藤");
    }
    laps.setCell(20, LapColumn::Time, "");  // a row a correction left without a time
    const std::string json = SnapshotJson(screen, race);
    EXPECT_NE(json.find("\"event\":\"もてぎ \\\"耐久\\\"\""), std::string::npos);
    EXPECT_NE(json.find("\"carMessage\":\"</script><b>OK</b>\""), std::string::npos);
    // The lap under way (row 25) has no time; rows 24 down to 4, but for row 20: twenty laps.
    EXPECT_NE(json.find("\"laps\":[[\"24\",\"0'14\\\"000\",\"佐藤\"],[\"23\""), std::string::npos);
    EXPECT_EQ(json.find("[\"20\""), std::string::npos);
    EXPECT_NE(json.find("[\"4\",\"0'14\\\"000\",\"山田\"]]}"), std::string::npos);
    EXPECT_EQ(json.find("[\"3\""), std::string::npos);
    // No planned end: no remaining time.
    EXPECT_NE(json.find("\"remaining\":\"\""), std::string::npos);
}

}  // namespace
}  // namespace rennik::live
