#include "carsim/reply.h"

#include <gtest/gtest.h>

namespace rennik::carsim {
namespace {

// A record as the host builds it: lap 12, last lap 1'36"012, driver best and average.
const std::string kBody =
    "012"
    "0000096012"
    "0000095998"
    "0000096100"
    "2024/05/12"
    "09:30:05"
    "12:00:00";

// Mark, body and message side by side, as the datagram carries them.
std::string reply(const std::string& mark, const std::string& body, const std::string& message = "") {
    std::string text = mark;
    text.append(body).append(message);
    return text;
}

TEST(CarsimReplyTest, ReadsEveryFieldOfTheRecordAndKeepsTheMessage) {
    const std::string message = "ＢＯＸ　３ [ あと２周でピットインです。 ] ";
    const DecodedReply r = decodeReply(reply("C", kBody, message));
    EXPECT_EQ(r.mark, "C");
    ASSERT_TRUE(r.record.has_value());
    EXPECT_EQ(r.record->body, kBody);
    EXPECT_EQ(r.record->lapField, "012");
    EXPECT_EQ(r.record->lapNumber, 12);
    EXPECT_EQ(r.record->lastLapMs, 96012);
    EXPECT_EQ(r.record->driverBestMs, 95998);
    EXPECT_EQ(r.record->driverAverageMs, 96100);
    EXPECT_EQ(r.record->date, "2024/05/12");
    EXPECT_EQ(r.record->clock, "09:30:05");
    EXPECT_EQ(r.record->endTime, "12:00:00");
    EXPECT_EQ(r.message, message);
    EXPECT_EQ(lapTimeText(r.record->lastLapMs), "1'36\"012");
    EXPECT_EQ(lapTimeText(0), "0'00\"000");
    EXPECT_EQ(lapTimeText(3600000), "60'00\"000");
}

// Before the host's first lap the reply is the mark and the message only. A message that
// starts with digits must not become the lap number the car echoes.
TEST(CarsimReplyTest, AReplyWithoutARecordIsOnlyMarkAndMessage) {
    const DecodedReply bare = decodeReply("N");
    EXPECT_EQ(bare.mark, "N");
    EXPECT_FALSE(bare.record.has_value());
    EXPECT_EQ(bare.message, "");

    const std::string digits(70, '7');
    const DecodedReply numeric = decodeReply(reply("N", digits));
    EXPECT_FALSE(numeric.record.has_value());
    EXPECT_EQ(numeric.message, digits);

    // One character short, or a slash out of place: not a record either.
    EXPECT_FALSE(decodeReply(reply("N", kBody.substr(0, 58))).record.has_value());
    std::string shifted = kBody;
    shifted[37] = '-';
    EXPECT_FALSE(decodeReply(reply("N", shifted)).record.has_value());

    // A mark that is not one byte (undecodable bytes arrive as U+FFFD) leaves no record.
    const DecodedReply odd = decodeReply(reply("\xEF\xBF\xBD", kBody));
    EXPECT_EQ(odd.mark, "\xEF\xBF\xBD");
    EXPECT_FALSE(odd.record.has_value());
    EXPECT_TRUE(decodeReply("").mark.empty());
}

}  // namespace
}  // namespace rennik::carsim
