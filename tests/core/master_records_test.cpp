#include "config/master_records.h"

#include <gtest/gtest.h>

#include "base/sjis.h"

namespace rennik {
namespace {

using Fields = std::vector<std::string>;
using namespace std::string_literals;

TEST(MasterFields, SplitsOnCommasWithBlanksAndQuotes) {
    EXPECT_EQ(master::splitFields("a,b ,  c"), (Fields{"a", "b", "c"}));
    EXPECT_EQ(master::splitFields("\t\"Oval, east\" ,1200"), (Fields{"Oval, east", "1200"}));
    EXPECT_EQ(master::splitFields("\"  kept  \""), (Fields{"  kept  "}));
    EXPECT_EQ(master::splitFields("a,"), (Fields{"a", ""}));
    EXPECT_EQ(master::splitFields(""), (Fields{""}));
    // A name that only begins with a quote keeps every character.
    EXPECT_EQ(master::splitFields("\"Fast\" car,x"), (Fields{"\"Fast\" car", "x"}));
    EXPECT_EQ(master::splitFields("\"open,x"), (Fields{"\"open", "x"}));
    EXPECT_EQ(master::splitFields("5\" wheel,x"), (Fields{"5\" wheel", "x"}));
    // Control characters and a TAB inside a field make the line unreadable.
    EXPECT_FALSE(master::splitFields("a\0b,1"s));
    EXPECT_FALSE(master::splitFields("a\x1b,1"));
    EXPECT_FALSE(master::splitFields("a\tb,1"));
    EXPECT_FALSE(master::splitFields("\"a\tb\",1"));
    EXPECT_FALSE(master::splitFields("a\xC2\x85,1"));
}

TEST(MasterRecords, CarsKeepFileOrderAndSkipUnreadableLines) {
    const std::string bytes = sjis::fromUtf8(
        "赤号,山田,40,12.5\r\n"
        "\r\n"
        "bad tank,x,forty,10\r\n"
        "short,x,40\r\n"
        "long,x,40,10,extra\r\n"
        ",no name,40,10\r\n"
        "huge,x,1e39,10\r\n"
        "  青号 , 佐藤 ,\"30\", \r\n"
        "last,z,0.1,3");
    const auto cars = master::parseCars(bytes);
    ASSERT_EQ(cars.size(), 3U);
    EXPECT_EQ(cars[0].CarName, "赤号");
    EXPECT_EQ(cars[0].OwnerName, "山田");
    EXPECT_EQ(cars[0].TankLitres, 40.0F);
    EXPECT_EQ(cars[0].KmPerLitre, 12.5F);
    EXPECT_EQ(cars[1].CarName, "青号");
    EXPECT_EQ(cars[1].OwnerName, "佐藤");
    EXPECT_EQ(cars[1].TankLitres, 30.0F);
    EXPECT_EQ(cars[1].KmPerLitre, 0.0F);
    EXPECT_EQ(cars[2].TankLitres, 0.1F);
}

TEST(MasterRecords, CourseLengthsRoundAndMustFit32Bits) {
    const auto courses = master::parseCourses(
        "Oval,1200\n"
        "Big,2147483648\n"
        "Edge,2147483647\n"
        "Half,2500.5\n"
        "Comma,\"1,500\"\n"
        "Three,1,2\n"
        "NoLength\n"
        "Word,long\n");
    ASSERT_EQ(courses.size(), 4U);
    EXPECT_EQ(courses[0].CourseName, "Oval");
    EXPECT_EQ(courses[0].CourseMetres, 1200);
    EXPECT_EQ(courses[1].CourseMetres, 2147483647);
    EXPECT_EQ(courses[2].CourseMetres, 2500);
    EXPECT_EQ(courses[3].CourseMetres, 1500);
}

TEST(MasterRecords, DriverLinesGiveOneNamePerField) {
    const std::string bytes = sjis::fromUtf8("鈴木\r\nA,B\r\n  \r\n,C,\r\n\"D,E\"\r\n");
    EXPECT_EQ(master::parseDrivers(bytes), (Fields{"鈴木", "A", "B", "C", "D,E"}));
}

TEST(MasterRecords, UndecodableBytesAreReplacedAndBinaryNoiseIsSkipped) {
    // A stray Shift-JIS lead byte and an unassigned code keep their record, with U+FFFD in
    // place, so that no later save can drop it; binary noise with control bytes loses its line.
    const std::string bytes = std::string("one,1\r\n") + "bro\x81,2\r\n" + "un\xEF\x40,3\r\n" +
                              "\x00\x01\xFF\xFE,4\r\n"s + sjis::fromUtf8("二,5\r\n");
    const auto courses = master::parseCourses(bytes);
    ASSERT_EQ(courses.size(), 4U);
    EXPECT_EQ(courses[0].CourseName, "one");
    EXPECT_EQ(courses[1].CourseName, "bro\uFFFD");
    EXPECT_EQ(courses[2].CourseName, "un\uFFFD");
    EXPECT_EQ(courses[2].CourseMetres, 3);
    EXPECT_EQ(courses[3].CourseName, "二");
    EXPECT_EQ(courses[3].CourseMetres, 5);
    // The whole file as noise: nothing, and no hang.
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise += static_cast<char>((i * 131 + 7) % 256);
    }
    EXPECT_TRUE(master::parseCars(noise).empty());
    master::parseDrivers(noise);
}

}  // namespace
}  // namespace rennik
