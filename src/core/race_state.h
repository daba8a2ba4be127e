#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "config/app_settings.h"
#include "config/drive_limit.h"

namespace rennik {

// Number of car slots the data model is built for; the screen carries slot 0 only.
inline constexpr int kCarSlots = 5;

template <typename T>
using PerCar = std::array<T, kCarSlots>;

// Local wall-clock date and time, as the crew's watch shows it.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend auto operator<=>(const LocalDateTime&, const LocalDateTime&) = default;
};

// The one in-memory state of the running program. Everything starts zeroed or empty and is
// reset only where a handler says so.
struct RaceState {
    // Program-wide. TickCount, the ticks since the last Start, is what the tick source reports
    // (Host::TickCount). MmTimerId is 1 while it runs, 0 otherwise: nothing decides on it (the
    // run state is Btn_Start's caption), it stays as the record of the race clock's state.
    std::int32_t MmTimerId = 0;
    std::int32_t ScreenW = 0;  // twips
    std::int32_t ScreenH = 0;
    std::filesystem::path IniPath;
    std::filesystem::path CarFilePath;
    std::filesystem::path CourseFilePath;
    std::filesystem::path DriverFilePath;
    // The answer of the last confirmation box (7 is No). Every handler acts on the answer it was
    // given; this record of it is what a trial reads to see which box was answered how.
    std::int16_t MsgAnswer = 0;
    AppSettings Settings;
    // The crew's limit on a driver's continuous driving time (none unless set).
    DriveLimit DrivingLimit;

    // Main screen, whole run.
    LocalDateTime StartTime;
    LocalDateTime EndTime;
    bool HasEndTime = false;
    std::int32_t RemainTicks = 0;
    bool StopNoConfirm = false;
    std::int32_t PrevRunH = 0;
    std::int32_t PrevRunN = 0;
    std::string OutMessSuffix;
    std::int32_t DrvRow = 0;
    std::int32_t CourseLength = 0;
    std::int32_t OtherStartTick = 0;
    std::int32_t OtherStopTick = 0;
    // The crew has been told that the address-check port is held by another program; set
    // until the check has its port again, so that the retries stay quiet.
    bool ChkerWarned = false;

    // Main screen, per car slot.
    PerCar<std::int32_t> LapCnt{};
    PerCar<std::int32_t> LapStartTick{};
    PerCar<std::int32_t> LastRecvTick{};
    PerCar<bool> NoCommLapDone{};
    // A report has come from the car PC since the last Start: until then its contact is unknown.
    PerCar<bool> CarHeard{};
    PerCar<std::string> LapMark{};
    // The car's last report and the lap number it echoed. Laps are found by silence, not by the
    // echoed number (a lost reply makes the car echo an old one), so nothing decides on these;
    // they stay as the record of what the car last said.
    PerCar<std::string> RecvText{};
    PerCar<std::int32_t> RecvLapNo{};
    PerCar<std::string> AutoMessText{};
    PerCar<std::string> OutMessText{};
    PerCar<std::string> ReplyBody{};
    PerCar<std::int32_t> LastLapTicks{};
    PerCar<std::string> LastLapText{};
    PerCar<std::int32_t> BestLapTicks{};
    PerCar<std::int32_t> BestLapNo{};
    PerCar<std::int32_t> LapTicksSum{};
    PerCar<std::int32_t> DrvBestLapTicks{};
    PerCar<std::int32_t> DrvBestLapNo{};
    PerCar<std::int32_t> DrvLapTicksSum{};
    PerCar<std::int32_t> DrvLapCount{};
    PerCar<std::string> LapEditSaveText{};
    // The car link on a radio link. Datagrams on a slot's port from any other address than the
    // car PC's, dropped since the last Start; the car's reports longer than the longest report,
    // cut since the last Start; and the typed message as it stood in the last
    // reply that went out, so that the lap advance clears only a message the car was sent.
    PerCar<std::int32_t> ForeignDatagrams{};
    PerCar<std::int32_t> LongReports{};
    PerCar<std::string> SentTypedMess{};
    // The current driver has driven past the crew's limit: his driving time blinks red.
    PerCar<bool> DriveOverLimit{};
    PerCar<float> TotalFuel{};
    PerCar<float> TankCapacity{};
    PerCar<float> MetresPerLitre{};
};

}  // namespace rennik
