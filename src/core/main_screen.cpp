#include "core/main_screen.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace rennik {
namespace {

// Per-car controls are elements of control arrays: "Lbl_Time(0)" is slot 0's lap clock.
std::string element(const char* name, int slot) {
    return std::string(name) + "(" + std::to_string(slot) + ")";
}

}  // namespace

CarPanel::CarPanel(int s)
    : slot(s),
      Frm_Runner(element("Frm_Runner", s), "X号車"),
      Time_DriverInfo(element("Time_DriverInfo", s), 30000, false),
      Time_GasBlk(element("Time_GasBlk", s), 1000, false),
      Time_Lap(element("Time_Lap", s), 0, true),
      Time_MessBlk(element("Time_MessBlk", s), 500, false),
      Winsock{element("Winsock", s), "", 0, 0},
      Btn_ClientNoSet(element("Btn_ClientNoSet", s), "計測設定"),
      Frm_LapInfo(element("Frm_LapInfo", s), "", false),
      Btn_LapChg(element("Btn_LapChg", s), "Lap修正"),
      Btn_RunStop(element("Btn_RunStop", s), "中止"),
      Btn_ClientNoSet2(element("Btn_ClientNoSet2", s), "計測設定"),
      Btn_ClsCar(element("Btn_ClsCar", s), "消"),
      Lbl_Time(element("Lbl_Time", s), "00'00\"000"),
      Lbl_Gousya(element("Lbl_Gousya", s), "１号車"),
      Lbl_AveCaption(element("Lbl_AveCaption", s), "Ave"),
      Lbl_BestCaption(element("Lbl_BestCaption", s), "Best"),
      Lbl_YosoSyuCaption(element("Lbl_YosoSyuCaption", s), "予想周数"),
      Lbl_LapCnt(element("Lbl_LapCnt", s), ""),
      Lbl_AveLapTime(element("Lbl_AveLapTime", s), ""),
      Lbl_BestLapTime(element("Lbl_BestLapTime", s), ""),
      Lbl_YosoSyu(element("Lbl_YosoSyu", s), ""),
      Lbl_IP(element("Lbl_IP", s), ""),
      Lbl_Contact(element("Lbl_Contact", s), ""),
      Frm_DriverInfo(element("Frm_DriverInfo", s), " ドライバ情報", false),
      Frm_DriverLap(element("Frm_DriverLap", s), "", false),
      Spd_DriverInfo(element("Spd_DriverInfo", s), DriverColumn::Count),
      Btn_DriverInfo(element("Btn_DriverInfo", s), "ドライバ情報"),
      Txt_Nenpi(element("Txt_Nenpi", s)),
      Txt_ZanRunCnt(element("Txt_ZanRunCnt", s), "0"),
      Chk_ChgCnter(element("Chk_ChgCnter", s)),
      Txt_OutMess(element("Txt_OutMess", s)),
      Frm_Comment5("Frm_Comment(5)", ""),
      Meter_Gas(element("Meter_Gas", s)),
      Lbl_MeterE(element("Lbl_MeterE", s), "E"),
      Lbl_MeterF(element("Lbl_MeterF", s), "F"),
      Txt_InGasl(element("Txt_InGasl", s)),
      Btn_Kyuyu(element("Btn_Kyuyu", s), "給油"),
      Lbl_ZanGas(element("Lbl_ZanGas", s), "残999"),
      Lbl_AllGas(element("Lbl_AllGas", s), ""),
      Lbl_Tank(element("Lbl_Tank", s), "999"),
      Lbl_InGaslCaption(element("Lbl_InGaslCaption", s), "給油量"),
      Lbl_AllGasCaption(element("Lbl_AllGasCaption", s), "総給油容量"),
      Lbl_TankCaption(element("Lbl_TankCaption", s), "タンク容量"),
      Lbl_LitreUnit(element("Lbl_LitreUnit", s), "ﾘｯﾄﾙ"),
      Lbl_LitreUnit2(element("Lbl_LitreUnit2", s), "l"),
      Cmb_Driver(element("Cmb_Driver", s)),
      Cmb_Car(element("Cmb_Car", s)),
      Lbl_DBestCaption(element("Lbl_DBestCaption", s), "D.Best"),
      Lbl_DAveCaption(element("Lbl_DAveCaption", s), "D.Ave"),
      Lbl_CarCaption(element("Lbl_CarCaption", s), "車輌名"),
      Lbl_NenpiCaption(element("Lbl_NenpiCaption", s), "平均燃費"),
      Lbl_NenpiUnit(element("Lbl_NenpiUnit", s), "Km/ﾘｯﾄﾙ"),
      Lbl_AutoMess2(element("Lbl_AutoMess2", s), "メッセージを自動送信する"),
      Lbl_AutoMess1(element("Lbl_AutoMess1", s), "周走行したらドライバ交代"),
      Label7("Label7", "送信メッセージ"),
      Lbl_InMess(element("Lbl_InMess", s), ""),
      Lbl_SentMess(element("Lbl_SentMess", s), ""),
      Lbl_DrvrBestLapTime(element("Lbl_DrvrBestLapTime", s), ""),
      Lbl_DrvrAveLapTime(element("Lbl_DrvrAveLapTime", s), ""),
      Spd_LapTime(element("Spd_LapTime", s), LapColumn::Count),
      Frm_Stint(element("Frm_Stint", s), " 連続運転・燃料戦略", false),
      Lbl_DriveCaption(element("Lbl_DriveCaption", s), "連続運転"),
      Lbl_DriveTime(element("Lbl_DriveTime", s), "0:00:00"),
      Lbl_DriveLimit(element("Lbl_DriveLimit", s), "上限なし"),
      Time_DriveBlk(element("Time_DriveBlk", s), 500, false),
      Lbl_FuelLaps(element("Lbl_FuelLaps", s), ""),
      Lbl_FuelEnd(element("Lbl_FuelEnd", s), ""),
      Lbl_Refuel(element("Lbl_Refuel", s), ""),
      Btn_LapChart(element("Btn_LapChart", s), "ラップチャート"),
      Btn_Stints(element("Btn_Stints", s), "スティント表"),
      Btn_Csv(element("Btn_Csv", s), "CSV保存") {
    Lbl_InMess.setBackColor(colours::LightYellow);
    Lbl_Time.setForeColor(colours::Lime);
    Lbl_Time.setBackColor(colours::Black);
    Spd_LapTime.setVisible(false);
    // The crew corrects lap times in column 1 and writes remarks in column 3.
    Spd_LapTime.setColumnEditable(LapColumn::Time, true);
    Spd_LapTime.setColumnMaxLength(LapColumn::Time, 16);
    Spd_LapTime.setColumnEditable(LapColumn::Remark, true);
    Spd_LapTime.setColumnMaxLength(LapColumn::Remark, 60);
    // An abort button is there to end a run; while idle it stays disabled, so that it can never
    // start one.
    Btn_RunStop.setEnabled(false);
    for (Button* b : {&Btn_LapChart, &Btn_Stints, &Btn_Csv}) {
        b->setVisible(false);
    }
}

void CarPanel::openSetUpControls(bool open) {
    for (Control* c : {static_cast<Control*>(&Cmb_Car), static_cast<Control*>(&Cmb_Driver),
                       static_cast<Control*>(&Txt_OutMess), static_cast<Control*>(&Spd_LapTime),
                       static_cast<Control*>(&Btn_LapChg)}) {
        c->setEnabled(open);
    }
    for (Control* c : {static_cast<Control*>(&Frm_LapInfo), static_cast<Control*>(&Frm_DriverInfo),
                       static_cast<Control*>(&Frm_Stint), static_cast<Control*>(&Spd_LapTime),
                       static_cast<Control*>(&Btn_LapChart), static_cast<Control*>(&Btn_Stints),
                       static_cast<Control*>(&Btn_Csv)}) {
        c->setVisible(open);
    }
}

MainScreen::MainScreen() {
    for (const char* weather : {"晴", "曇", "雨", "雪"}) {
        Cmb_Tenki.addItem(weather);
    }
    for (Label* board : {&Lbl_ZanTime, &Lbl_SysTime, &Lbl_OtherLap}) {
        board->setForeColor(colours::White);
        board->setBackColor(colours::Black);
    }
    Btn_OtherLap.setEnabled(false);

    // The master editors: sizes in twips (15 to a pixel); the crew types into every column but
    // the delete buttons. Names take 40 characters, figures 16: enough for any car, course or
    // driver, and a paste of a whole document is cut there with a beep.
    Frm_Car.setSize(9900, 6600);
    // The settings panel: labels in column 1, the values the crew types or chooses in column 2.
    Spd_Mess.setColumnEditable(2, true);
    Spd_Mess.setColumnMaxLength(2, 60);
    Frm_Course.setSize(7200, 6600);
    Frm_Drivers.setSize(5400, 6600);
    const std::pair<Grid*, std::vector<int>> editors[] = {
        {&Spd_Car, {40, 40, 16, 16}}, {&Spd_Course, {40, 16}}, {&Spd_Drivers, {40}}};
    for (const auto& [grid, lengths] : editors) {
        for (int col = 1; col <= static_cast<int>(lengths.size()); ++col) {
            grid->setColumnEditable(col, true);
            grid->setColumnMaxLength(col, lengths[static_cast<std::size_t>(col - 1)]);
        }
    }
}

}  // namespace rennik

namespace rennik {

CarPanel& MainScreen::panel(int slot) {
    if (slot != car.slot) {
        throw std::out_of_range("no car panel for slot " + std::to_string(slot));
    }
    return car;
}

}  // namespace rennik
