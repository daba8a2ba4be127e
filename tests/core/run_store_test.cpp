#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

#include "base/sjis.h"
#include "base/text_file.h"
#include "carlink/lap_correction.h"
#include "core/startup.h"
#include "drivers/driver_choice.h"
#include "fuel/refuel.h"
#include "messages/pit_messages.h"
#include "report/result_file.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "store/run_recording.h"
#include "store/run_resume.h"
#include "support/failing_disk.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

// One life of the program on fake ports in a folder that outlives it, as a pit PC's data folder
// outlives a killed program.
struct Life {
    explicit Life(const std::filesystem::path& dir) : host(fakes.ports(), dir) {}

    void load() {
        Mf_Open_Load(host, 28800, 16200);
        Timer1_Timer(host);
    }
    // A report arriving at `tick`, handled at once.
    void report(std::int32_t tick, const std::string& text = "001") {
        fakes.ticks.now = tick;
        ASSERT_TRUE(fakes.sockets.deliver(7011, sjis::fromUtf8(text), "127.0.0.1", test::FakeTicks::momentOf(tick)));
    }
    // A lap: the lap display finds the silence, then the car is back.
    void lap(std::int32_t tick) {
        fakes.ticks.now = tick - 100;
        Time_Lap_Timer(host, 0);
        report(tick);
    }
    // What the screen's binding does after a click or an edit.
    template <typename Handler>
    void event(Handler handler) {
        handler();
        RecordRun(host);
    }
    CarPanel& car() { return host.main.car; }

    test::FakePorts fakes;
    Host host;
};

class RunStoreTest : public ::testing::Test {
protected:
    test::TempFolder dir;

    // A run with every kind of event: laps, a correction, an edited time and remark, a driver
    // change, a refuel, a typed message and the reminder counter; the program is then gone.
    std::map<std::string, std::string> runWithEveryEvent(store::GridRows& laps, store::GridRows& drivers) {
        Life life(dir.path());
        life.fakes.clock.set({2026, 12, 7, 9, 5, 0});
        life.load();
        life.car().Lbl_IP.setCaption("127.0.0.1");
        life.event([&] {
            life.car().Cmb_Driver.setText("山田");
            Cmb_Driver_LostFocus(life.host, 0);
        });
        life.host.main.Txt_Event.setText("もてぎ 8時間");
        life.event([&] { Btn_Start_Click(life.host); });
        life.report(800);
        life.lap(62'345);
        life.lap(124'000);
        life.event([&] {
            life.car().Cmb_Driver.setText("佐藤");
            Cmb_Driver_LostFocus(life.host, 0);
        });
        life.event([&] {
            life.host.race.CourseLength = 2400;
            life.host.race.MetresPerLitre[0] = 12000;
            life.car().Txt_InGasl.setText("20");
            Btn_Kyuyu_Click(life.host, 0);
        });
        life.event([&] {
            life.car().Spd_LapTime.setCell(1, LapColumn::Remark, "給油, \"満タン\"");
            life.car().Spd_LapTime.setCell(2, LapColumn::Time, "1'01\"000");
            Spd_LapTime_EditFinished(life.host, 0, LapColumn::Time, 2);
        });
        life.event([&] {
            life.car().Chk_ChgCnter.setValue(1);
            Chk_ChgCnter_Click(life.host, 0);
            life.car().Txt_OutMess.setText("BOX");
        });
        life.lap(185'500);
        life.fakes.ticks.now = 200'000;
        life.fakes.dialogs.typeNext("5");
        life.event([&] { Btn_LapChg_Click(life.host, 0); });
        life.lap(250'000);
        laps.clear();
        for (int r = 1; r <= life.car().Spd_LapTime.rowCount(); ++r) {
            laps.push_back(store::GridRow(life.car().Spd_LapTime, r));
        }
        drivers.clear();
        for (int r = 1; r <= life.car().Spd_DriverInfo.rowCount(); ++r) {
            drivers.push_back(store::GridRow(life.car().Spd_DriverInfo, r));
        }
        return store::RunValues(life.host.race, life.host.main);
    }
};

TEST_F(RunStoreTest, AResumedRunComesBackExactlyAndItsNextLapIsTimedFromTheOriginalStart) {
    store::GridRows laps;
    store::GridRows drivers;
    const auto before = runWithEveryEvent(laps, drivers);

    Life again(dir.path());
    again.load();
    ASSERT_EQ(again.fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& question = again.fakes.dialogs.boxes[0];
    EXPECT_EQ(question.title, "計測再開");
    EXPECT_EQ(question.defaultButton, Answer::Yes);
    EXPECT_NE(question.text.find("Start時間 2026/12/07 09:05　計測 4周"), std::string::npos) << question.text;

    EXPECT_EQ(store::RunValues(again.host.race, again.host.main), before);
    ASSERT_EQ(again.car().Spd_LapTime.rowCount(), static_cast<int>(laps.size()));
    for (int r = 1; r <= again.car().Spd_LapTime.rowCount(); ++r) {
        EXPECT_EQ(store::GridRow(again.car().Spd_LapTime, r), laps[static_cast<std::size_t>(r) - 1]) << "lap " << r;
    }
    EXPECT_EQ(again.car().Spd_LapTime.cell(1, LapColumn::Remark), "給油, \"満タン\"");
    ASSERT_EQ(again.car().Spd_DriverInfo.rowCount(), static_cast<int>(drivers.size()));
    EXPECT_EQ(again.car().Spd_DriverInfo.cell(2, DriverColumn::Name), "佐藤");
    EXPECT_TRUE(IsRunning(again.host.main));
    EXPECT_EQ(again.fakes.ticks.resumedFrom, test::FakeTicks::Moment{});
    EXPECT_EQ(again.host.main.Lbl_StTime.caption(), "Start時間 09:05");
    EXPECT_EQ(again.car().Txt_OutMess.text(), "BOX");
    EXPECT_TRUE(again.car().Txt_ZanRunCnt.enabled());

    // The lap in progress when the program died (from tick 250000) closes at the next report
    // after a silence, timed on the race clock that ran on.
    again.lap(311'234);
    EXPECT_EQ(again.car().Spd_LapTime.cell(6, LapColumn::Time), "1'01\"234");
    EXPECT_EQ(again.car().Spd_LapTime.cell(6, LapColumn::Driver), "佐藤");
}

TEST_F(RunStoreTest, ARunNotResumedComesBackStoppedWithItsResultWrittenAndIsNotOfferedAgain) {
    store::GridRows laps;
    store::GridRows drivers;
    runWithEveryEvent(laps, drivers);
    {
        Life again(dir.path());
        again.fakes.dialogs.answerNext(Answer::No);
        again.load();
        EXPECT_FALSE(IsRunning(again.host.main));
        EXPECT_EQ(again.car().Spd_LapTime.rowCount(), static_cast<int>(laps.size()));
        const auto written = text_file::readBytes(dir.path() / "results" / "2026-12-07_0905.txt");
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(*written, ResultFileBytes(again.host.main));
    }
    Life third(dir.path());
    third.load();
    EXPECT_TRUE(third.fakes.dialogs.boxes.empty());
    ASSERT_NE(third.host.recorder, nullptr);
    const auto runs = third.host.recorder->store().runs();
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_TRUE(runs[0].finished);
    EXPECT_EQ(runs[0].laps, 4);
    EXPECT_EQ(runs[0].drivers, (std::vector<std::string>{"山田", "佐藤"}));
}

TEST_F(RunStoreTest, AResumeRefusedItsPortLeavesTheRunToBeOfferedAgain) {
    store::GridRows laps;
    store::GridRows drivers;
    runWithEveryEvent(laps, drivers);
    {
        Life refused(dir.path());
        refused.fakes.sockets.net->refusals[7011] = OpenResult{SocketError::PortInUse, 98};
        refused.load();
        EXPECT_FALSE(IsRunning(refused.host.main));
        ASSERT_EQ(refused.fakes.dialogs.boxes.size(), 3U);  // the question, the port, this
        EXPECT_NE(refused.fakes.dialogs.boxes[2].text.find("もう一度再開できます"), std::string::npos);
    }
    Life again(dir.path());
    again.load();
    EXPECT_TRUE(IsRunning(again.host.main));
    EXPECT_EQ(again.car().Spd_LapTime.rowCount(), static_cast<int>(laps.size()));
}

TEST_F(RunStoreTest, ALapCountCorrectedDownLeavesNoDroppedLapInTheStore) {
    store::GridRows laps;
    {
        Life life(dir.path());
        life.load();
        life.car().Lbl_IP.setCaption("127.0.0.1");
        life.event([&] { Btn_Start_Click(life.host); });
        life.report(800);
        for (const std::int32_t tick : {62'000, 124'000, 186'000, 248'000}) {
            life.lap(tick);
        }
        life.fakes.ticks.now = 260'000;
        life.fakes.dialogs.typeNext("2");
        life.fakes.dialogs.answerNext(Answer::Yes);
        life.event([&] { Btn_LapChg_Click(life.host, 0); });
        ASSERT_EQ(life.car().Spd_LapTime.rowCount(), 2);
        life.lap(310'000);
        for (int r = 1; r <= life.car().Spd_LapTime.rowCount(); ++r) {
            laps.push_back(store::GridRow(life.car().Spd_LapTime, r));
        }
    }
    Life again(dir.path());
    again.load();
    ASSERT_EQ(again.car().Spd_LapTime.rowCount(), static_cast<int>(laps.size()));
    for (int r = 1; r <= again.car().Spd_LapTime.rowCount(); ++r) {
        EXPECT_EQ(store::GridRow(again.car().Spd_LapTime, r), laps[static_cast<std::size_t>(r) - 1]) << "lap " << r;
    }
}

TEST_F(RunStoreTest, AStoreThatCannotBeReadIsKeptAsideAndAFreshOneTakesItsPlace) {
    const std::filesystem::path file = dir.path() / kRunStoreFile;
    const struct {
        const char* what;
        std::function<void()> make;
    } cases[] = {
        {"not a store", [&] { std::ofstream(file, std::ios::binary) << std::string(5000, '\x5a'); }},
        {"a newer layout",
         [&] {
             store::Database db;
             ASSERT_TRUE(db.open(file));
             ASSERT_TRUE(db.exec("PRAGMA user_version=99; CREATE TABLE later(x)"));
         }},
        {"another program's file",
         [&] {
             store::Database db;
             ASSERT_TRUE(db.open(file));
             ASSERT_TRUE(db.exec("CREATE TABLE accounts(x)"));
         }},
        {"a folder", [&] { std::filesystem::create_directory(file); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        c.make();
        Life life(dir.path());
        life.load();
        ASSERT_EQ(life.fakes.dialogs.boxes.size(), 1U);
        EXPECT_NE(life.fakes.dialogs.boxes[0].text.find("を読み込めません"), std::string::npos);
        int kept = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            kept += entry.path().filename().string().rfind("Rennik1.db.unreadable-", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(kept, 1);
        // The fresh store records.
        life.car().Lbl_IP.setCaption("127.0.0.1");
        Btn_Start_Click(life.host);
        life.report(500);
        ASSERT_EQ(life.host.recorder->store().runs().size(), 1U);
        EXPECT_FALSE(life.host.recorder->failing());
    }
    // An empty file (a program killed before it wrote the layout) is simply made a store.
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    std::ofstream(file, std::ios::binary).flush();
    Life life(dir.path());
    life.load();
    EXPECT_TRUE(life.fakes.dialogs.boxes.empty());
}

TEST_F(RunStoreTest, AFullDiskNeverStopsTimingIsSaidOnceAndEverythingMissedIsWrittenLater) {
    test::FailingDisk disk;
    {
        Life life(dir.path());
        life.load();
        life.car().Lbl_IP.setCaption("127.0.0.1");
        Btn_Start_Click(life.host);
        life.report(800);
        life.lap(61'000);
        disk.full = true;
        const std::size_t repliesBefore = life.fakes.sockets.net->sent.size();
        life.lap(122'500);
        life.lap(184'000);
        EXPECT_EQ(life.fakes.sockets.net->sent.size(), repliesBefore + 2);
        EXPECT_EQ(life.car().Spd_LapTime.cell(3, LapColumn::Time), "1'01\"500");
        EXPECT_TRUE(life.host.recorder->failing());

        Time_System_Timer(life.host);
        Time_System_Timer(life.host);
        ASSERT_EQ(life.fakes.dialogs.boxes.size(), 1U);
        EXPECT_NE(life.fakes.dialogs.boxes[0].text.find("ラップは保存されていません"), std::string::npos);

        disk.full = false;
        Time_System_Timer(life.host);
        EXPECT_FALSE(life.host.recorder->failing());
    }
    Life again(dir.path());
    again.load();
    EXPECT_EQ(again.car().Spd_LapTime.rowCount(), 3);
    EXPECT_EQ(again.car().Spd_LapTime.cell(3, LapColumn::Time), "1'01\"500");
}

TEST_F(RunStoreTest, ADatagramWritesAtMostOneTransactionAndTheFileHoldsItWithinASecond) {
    Life life(dir.path());
    life.load();
    life.car().Lbl_IP.setCaption("127.0.0.1");
    Btn_Start_Click(life.host);
    int commits = 0;
    life.host.recorder->setCommitObserver([&](auto) { ++commits; });
    life.report(800);
    EXPECT_EQ(commits, 1);
    life.report(850);  // a repeat: its moment is new, so it is written, once
    EXPECT_EQ(commits, 2);
    ASSERT_TRUE(life.fakes.sockets.deliver(7011, "001", "10.0.0.9", test::FakeTicks::momentOf(900)));
    life.fakes.ticks.now = 1500;
    Time_Lap_Timer(life.host, 0);
    EXPECT_EQ(commits, 2);  // a stranger's datagram and the lap display write nothing
    life.lap(61'000);
    EXPECT_EQ(commits, 3);

    // The disk flusher copies the log into the file itself: the file alone, without its log,
    // holds the lap once it has run.
    std::this_thread::sleep_for(store::DiskFlusher::kDelay + std::chrono::milliseconds(600));
    const std::filesystem::path copy = dir.path() / "copy.db";
    std::filesystem::copy_file(dir.path() / kRunStoreFile, copy);
    store::RunStore alone(copy);
    ASSERT_EQ(alone.open({}).outcome, store::StoreOpening::Outcome::Opened);
    ASSERT_EQ(alone.runs().size(), 1U);
    EXPECT_EQ(alone.runs()[0].laps, 1);
}

TEST_F(RunStoreTest, ASecondProgramOnTheSameFolderLeavesTheFirstOnesRunAlone) {
    Life first(dir.path());
    first.load();
    first.car().Lbl_IP.setCaption("127.0.0.1");
    Btn_Start_Click(first.host);
    first.report(800);

    Life second(dir.path());
    second.load();
    ASSERT_EQ(second.fakes.dialogs.boxes.size(), 1U);
    EXPECT_NE(second.fakes.dialogs.boxes[0].text.find("もう一つの Rennik1 が使っています"), std::string::npos);
    EXPECT_EQ(second.host.recorder, nullptr);
    EXPECT_FALSE(IsRunning(second.host.main));
    EXPECT_FALSE(first.host.recorder->store().runs().at(0).finished);
}

TEST(ResumeClockTest, TheOriginalStartHoldsUnlessTheMachineWasRestarted) {
    using namespace std::chrono;
    const steady_clock::time_point start{hours(5)};
    const system_clock::time_point startWall{hours(500'000)};
    const store::RunClock run{duration_cast<nanoseconds>(start.time_since_epoch()).count(),
                              duration_cast<milliseconds>(startWall.time_since_epoch()).count(), 1};
    // The same machine an hour later, the system clock corrected by 5 s meanwhile.
    ResumedClock same = ResumeClock(run, start + hours(1), startWall + hours(1) + seconds(5));
    EXPECT_EQ(same.started, start);
    EXPECT_FALSE(same.afterRestart);
    // Restarted: the monotonic clock began again at the boot, 90 s ago.
    ResumedClock restarted = ResumeClock(run, steady_clock::time_point{seconds(90)}, startWall + hours(1));
    EXPECT_TRUE(restarted.afterRestart);
    EXPECT_EQ(restarted.started, steady_clock::time_point{seconds(90)} - hours(1));
    // A restart whose new clock has already passed the old start's reading.
    ResumedClock later = ResumeClock(run, start + minutes(10), startWall + hours(2));
    EXPECT_TRUE(later.afterRestart);
    EXPECT_EQ(later.started, start + minutes(10) - hours(2));
    // A damaged store: a Start far beyond any date, or before 1970, or below zero on the
    // monotonic clock, goes on from now as after a restart.
    const steady_clock::time_point now = start + hours(1);
    for (const store::RunClock& damaged :
         {store::RunClock{run.startSteadyNs, std::numeric_limits<std::int64_t>::max(), 1},
          store::RunClock{run.startSteadyNs, 10'524'093'022'208'000, 1}, store::RunClock{run.startSteadyNs, -1, 1},
          store::RunClock{std::numeric_limits<std::int64_t>::min(), run.startSystemMs, 1}}) {
        const ResumedClock resumed = ResumeClock(damaged, now, startWall + hours(1));
        EXPECT_TRUE(resumed.afterRestart);
        EXPECT_EQ(resumed.started, damaged.startSteadyNs < 0 ? now - hours(1) : now);
    }
}

}  // namespace
}  // namespace rennik
