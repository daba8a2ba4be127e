#include "core/startup.h"

#include "base/temporary_files.h"
#include "base/text_file.h"
#include "carlink/address_check.h"
#include "carlink/wire_format.h"
#include "config/drive_limit.h"
#include "config/master_lists.h"
#include "config/settings_loader.h"
#include "messages/pit_messages.h"
#include "report/result_file.h"
#include "store/run_recording.h"
#include "store/run_resume.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

// The full-width form of a slot number, as the car frames show it ("１号車").
std::string fullWidthNumber(int n) {
    std::string out;
    for (const char c : std::to_string(n)) {
        // U+FF10 + digit, in UTF-8: EF BC 90..99.
        out += "\xEF\xBC";
        out += static_cast<char>(0x90 + (c - '0'));
    }
    return out;
}

void centre(Form& form, const RaceState& race) {
    form.left = (race.ScreenW - form.width) / 2;
    form.top = (race.ScreenH - form.height) / 2;
}

// The temporary files that saves cut short (the program killed, the power gone) left beside the
// settings and master files and among the results written here and in results/.
void removeLeftovers(const Host& host) {
    const RaceState& race = host.race;
    for (const auto* file : {&race.IniPath, &race.CarFilePath, &race.CourseFilePath, &race.DriverFilePath}) {
        text_file::removeLeftoverTemporaries(*file);
    }
    RemoveLeftoverResultTemporaries(host.appDir);
    RemoveLeftoverResultTemporaries(host.appDir / kResultsFolder);
}

}  // namespace

void Mf_Open_Load(Host& host, int screenWTwips, int screenHTwips) {
    RaceState& race = host.race;
    race.ScreenW = screenWTwips;
    race.ScreenH = screenHTwips;
    centre(host.open.form, race);
    host.open.form.visible = true;
    host.open.Timer1.setEnabled(true);
    race.IniPath = host.appDir / "Rennik.ini";
    loadSettings(race.Settings, race.IniPath);
    race.DrivingLimit = loadDriveLimit(race.IniPath);
    if (settingsFileUnreadable(race.IniPath)) {
        // A link that leads to no file is said as such, so the crew knows what to mend.
        const WriteResult link = text_file::linkFault(race.IniPath);
        host.ports.dialogs.messageBox({"設定ファイル " + text_file::pathToUtf8(race.IniPath) +
                                           " を読み込めません。\n" +
                                           (link ? "" : FileErrorText(link) + "\n") +
                                           "既定の設定で計測します。このファイルには書き込みません。",
                                       "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
    }
    race.CarFilePath = host.appDir / "Car.ini";
    race.CourseFilePath = host.appDir / "Course.ini";
    race.DriverFilePath = host.appDir / "Drivers.ini";
    removeLeftovers(host);
}

void Timer1_Timer(Host& host) {
    host.open.Timer1.setEnabled(false);
    host.open.form.visible = false;
    host.main.form.visible = true;
    Main_Load(host);
    MainScreen& m = host.main;
    m.Frm_MessHeight = 2580;
    m.Spd_MessHeight = 1590;
    m.Spd_Mess.setRowCount(7);
    m.Btn_MessOkTop = 2025;
    m.Btn_MessCancelTop = m.Btn_MessOkTop;
    m.Frm_Mess.setSize(8400, m.Frm_MessHeight);
    OfferResume(host);
}

void Main_Load(Host& host) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    centre(m.form, race);

    LoadDriverList(host, false);
    LoadCourseList(host, false);
    LoadCarList(host, false);

    host.chker = host.ports.sockets.create();
    m.Lbl_LocalIP.setCaption("IP : " + host.chker->localIp());

    for (CarPanel& car : m.panels()) {
        const int i = car.slot;
        car.Frm_Runner.setCaption(fullWidthNumber(i + 1) + "号車");
        race.LapMark[i] = std::string(1, wire::kMarkNew);
        car.Lbl_IP.setCaption("");
        // The tank figure comes with the car chosen; the design text "999" is no capacity.
        car.Lbl_Tank.setCaption("");
        car.Spd_LapTime.setHeader(LapColumn::Time, "タイム");
        car.Spd_LapTime.setHeader(LapColumn::Driver, "ドライバ");
        car.Spd_LapTime.setHeader(LapColumn::Remark, "備考");
        car.Spd_LapTime.setRowCount(0);
        car.Lbl_Time.setCaption(LapTimeText(0, race.Settings));
        car.Spd_DriverInfo.setHeader(DriverColumn::Name, "ドライバ");
        car.Spd_DriverInfo.setHeader(DriverColumn::BestLap, "Best Lap");
        car.Spd_DriverInfo.setHeader(DriverColumn::AveLap, "Ave Lap");
        car.Spd_DriverInfo.setRowCount(0);
        // The reminder counter starts unarmed: box unchecked, counter "0" and disabled, grey labels.
        car.Chk_ChgCnter.setValue(0);
        Chk_ChgCnter_Click(host, i);
        car.Txt_OutMess.setMaxLength(kOutMessMaxChars);
    }

    const LocalDateTime today = host.ports.clock.now();
    m.Txt_Date.setText(std::to_string(today.year) + "/" + std::to_string(today.month) + "/" +
                       std::to_string(today.day));
    m.Btn_Write.setCaption("走行結果\r保存");

    OpenAddressCheck(host);
    OpenRunStore(host);

    m.Spd_Drivers.setHeader(1, "ドライバ名");
    m.Spd_Drivers.setHeader(2, " ");
    m.Spd_Course.setHeader(1, "コース名");
    m.Spd_Course.setHeader(2, "全長(単位m)");
    m.Spd_Course.setHeader(3, " ");
    m.Spd_Car.setHeader(1, "車輌名");
    m.Spd_Car.setHeader(2, "所有者");
    m.Spd_Car.setHeader(3, "タンク容量");
    m.Spd_Car.setHeader(4, "平均燃費(Km/l)");
    m.Spd_Car.setHeader(5, " ");
    race.OutMessSuffix.clear();
}

void Btn_End_Click(Host& host) {
    const Answer answer = host.ports.dialogs.messageBox(
        {"終了します。よろしいですか？", "終了確認", MsgIcon::Information, MsgButtons::YesNo, Answer::No});
    host.race.MsgAnswer = static_cast<std::int16_t>(answer);
    if (answer != Answer::Yes) {
        return;
    }
    host.ports.ticks.stop();
    host.race.MmTimerId = 0;
    if (host.chker) {
        host.chker->close();
    }
    host.ports.app.quit();
}

}  // namespace rennik
