#pragma once

#include <span>
#include <string>

#include "core/controls.h"

// The two screens of the program as models: the start-up screen Mf_Open and the main screen
// Main with every control under its design name, caption or text, colours, enabled and visible
// states. The binding draws exactly this; the handlers change exactly this.
namespace rennik {

struct StartupScreen {
    Form form{"Rennik1", 0, 0, 0, 0, false};
    Timer Timer1{"Timer1", 3000, false};  // one shot: opens the main screen
    Label Label1{"Label1", "Ver1.20"};
    Label Label2{"Label2", "RennikHostSystem"};
    Label Label3{"Label3", "1Car Version"};
    Label Label4{"Label4", "Rennik1 開発チーム  ピットサイド計測システム"};
};

// The columns of the lap table Spd_LapTime, as the grid counts them (column 0 holds the lap
// numbers). The crew reads and corrects the time; every figure is computed from the ticks.
struct LapColumn {
    static constexpr int Time = 1;
    static constexpr int Driver = 2;
    static constexpr int Remark = 3;
    static constexpr int Ticks = 4;
    static constexpr int MessageLog = 5;  // the message sent to the car, ", ", the car's message
    static constexpr int Count = 5;
};

// The columns of the driver table Spd_DriverInfo: one row per driver who has driven.
struct DriverColumn {
    static constexpr int Name = 1;
    static constexpr int BestLap = 2;
    static constexpr int AveLap = 3;
    static constexpr int Count = 3;
};

// The panel of one car slot (Frm_Runner and everything inside it). The main screen holds
// exactly one, slot 0.
struct CarPanel {
    explicit CarPanel(int slot);

    int slot;
    Frame Frm_Runner;

    Timer Time_DriverInfo;
    Timer Time_GasBlk;
    Timer Time_Lap;
    Timer Time_MessBlk;
    SocketSettings Winsock;

    Button Btn_ClientNoSet;

    // Lap summary, shown once the car PC's address is set.
    Frame Frm_LapInfo;
    Button Btn_LapChg;
    Button Btn_RunStop;
    Button Btn_ClientNoSet2;
    Button Btn_ClsCar;
    Label Lbl_Time;
    Label Lbl_Gousya;
    Label Lbl_AveCaption;
    Label Lbl_BestCaption;
    Label Lbl_YosoSyuCaption;
    Label Lbl_LapCnt;
    Label Lbl_AveLapTime;
    Label Lbl_BestLapTime;
    Label Lbl_YosoSyu;
    Label Lbl_IP;
    // Whether the car is in reach and how long ago it last reported, during a run.
    Label Lbl_Contact;

    // Driver information, shown together with the lap summary.
    Frame Frm_DriverInfo;
    Frame Frm_DriverLap;
    Grid Spd_DriverInfo;
    Button Btn_DriverInfo;
    TextBox Txt_Nenpi;
    TextBox Txt_ZanRunCnt;
    CheckBox Chk_ChgCnter;
    TextBox Txt_OutMess;

    // Fuel (the fifth comment frame of the screen).
    Frame Frm_Comment5;
    Meter Meter_Gas;
    Label Lbl_MeterE;
    Label Lbl_MeterF;
    TextBox Txt_InGasl;
    Button Btn_Kyuyu;
    Label Lbl_ZanGas;
    Label Lbl_AllGas;
    Label Lbl_Tank;
    Label Lbl_InGaslCaption;
    Label Lbl_AllGasCaption;
    Label Lbl_TankCaption;
    Label Lbl_LitreUnit;
    Label Lbl_LitreUnit2;

    ComboBox Cmb_Driver;
    ComboBox Cmb_Car;
    Label Lbl_DBestCaption;
    Label Lbl_DAveCaption;
    Label Lbl_CarCaption;
    Label Lbl_NenpiCaption;
    Label Lbl_NenpiUnit;
    Label Lbl_AutoMess2;
    Label Lbl_AutoMess1;
    Label Label7;
    Label Lbl_InMess;
    // The pit message of the last reply sent: what the car was last given for the driver.
    Label Lbl_SentMess;
    Label Lbl_DrvrBestLapTime;
    Label Lbl_DrvrAveLapTime;

    // The lap table, one row per lap; its columns are LapColumn's.
    Grid Spd_LapTime;

    // Beyond the driver information: the current driver's continuous driving time, which blinks
    // as it nears the limit the crew set and goes on blinking red past it, and the fuel strategy
    // from the fuel account (laps on the fuel left, the planned end, the refuel).
    Frame Frm_Stint;
    Label Lbl_DriveCaption;
    Label Lbl_DriveTime;
    Label Lbl_DriveLimit;
    Timer Time_DriveBlk;
    Label Lbl_FuelLaps;
    Label Lbl_FuelEnd;
    Label Lbl_Refuel;
    // Beside the slot's set-up button: the lap chart, the stint table and the CSV exports.
    Button Btn_LapChart;
    Button Btn_Stints;
    Button Btn_Csv;

    // The controls a slot's set-up opens and its clearing closes: the selectors, the message box,
    // the lap table and the lap correction enabled, the lap summary, driver information, driving
    // time and fuel strategy, the lap table and the buttons of its chart, stints and exports shown.
    void openSetUpControls(bool open);
};

struct MainScreen {
    MainScreen();

    Form form{"走行状況", 0, 0, 0, 0, false};

    // Driver master editor.
    Frame Frm_Drivers{"Frm_Drivers", "", false};
    Grid Spd_Drivers{"Spd_Drivers", 2, 2};
    Button Btn_DrvCancel{"Btn_DrvCancel", "Cancel"};
    Button Btn_DrvOk{"Btn_DrvOk", "登録"};
    Label Label6_Drivers{"Label6(Drivers)", "ドライバ編集"};

    // Settings panel.
    Frame Frm_Mess{"Frm_Mess", "", false};
    Button Btn_MessCancel{"Btn_MessCancel", "Cancel"};
    Grid Spd_Mess{"Spd_Mess", 2};
    Button Btn_MessOk{"Btn_MessOk", "登録"};
    Label Label6_Mess{"Label6(Mess)", "環境設定"};
    // Settings-panel sizes in twips, set when the main screen opens.
    int Frm_MessHeight = 0;
    int Spd_MessHeight = 0;
    int Btn_MessOkTop = 0;
    int Btn_MessCancelTop = 0;

    CarPanel car{0};
    // The car panels the screen carries (slot 0's alone): every "for each car" runs over these.
    std::span<CarPanel> panels() { return {&car, 1}; }
    std::span<const CarPanel> panels() const { return {&car, 1}; }
    // The panel of a car slot. Only the slots whose panel the screen carries exist; any other
    // index is a programming error and throws std::out_of_range.
    CarPanel& panel(int slot);

    // Race-wide panel.
    Frame Frm_Main{"Frm_Main", ""};
    Timer Time_NoInputBlk{"Time_NoInputBlk", 1000, true};
    Frame ImFrame3D3{"ImFrame3D3", " 気になる車のLap？"};
    Timer Time_OtherLap{"Time_OtherLap", 99, false};
    Label Lbl_OtherLap{"Lbl_OtherLap", "0'00\"000"};
    Button Btn_OtherLap{"Btn_OtherLap", "Start"};
    SocketSettings WinsockChker{"WinsockChker", "", 0, 0};
    // While another program holds the address-check port, the check tries to bind it again
    // every few seconds between runs.
    Timer Time_ChkerRetry{"Time_ChkerRetry", 5000, false};

    Frame Frm_Comment1{"Frm_Comment(1)", "ｲﾍﾞﾝﾄ名"};
    TextBox Txt_Event{"Txt_Event"};
    Frame Frm_Comment0{"Frm_Comment(0)", "日付"};
    TextBox Txt_Date{"Txt_Date", "yyyy/mm/dd"};
    Frame Frm_Comment2{"Frm_Comment(2)", "天気"};
    ComboBox Cmb_Tenki{"Cmb_Tenki"};
    Frame Frm_Comment3{"Frm_Comment(3)", "気温"};
    TextBox Txt_Kion{"Txt_Kion", "xx"};
    Label Lbl_KionUnit{"Lbl_KionUnit", "度"};
    Frame Frm_Comment4{"Frm_Comment(4)", ""};
    Timer Time_System{"Time_System", 1000, true};
    Label Lbl_RunCaption{"Lbl_RunCaption", "走行時間"};
    TextBox Txt_RunH{"Txt_RunH", "0"};
    Label Lbl_RunHUnit{"Lbl_RunHUnit", "時間"};
    TextBox Txt_RunN{"Txt_RunN", "0"};
    Label Lbl_RunNUnit{"Lbl_RunNUnit", "分"};
    Label Lbl_StTime{"Lbl_StTime", ""};
    Label Lbl_ZanTime{"Lbl_ZanTime", "残り 約00:00:00"};
    Label Lbl_SysTime{"Lbl_SysTime", "am 00:00:00"};
    Frame ImFrame3D2{"ImFrame3D2", " Host IP 情報"};
    Label Lbl_LocalIP{"Lbl_LocalIP", "XXX.XXX.XXX.XXX"};

    Button Btn_Write{"Btn_Write", "保存"};
    Button Btn_End{"Btn_End", "End"};
    Button Btn_Start{"Btn_Start", "Start"};
    Button Btn_Drivers{"Btn_Drivers", "ドライバ編集"};
    Button Btn_Mess{"Btn_Mess", "環境設定"};
    Button Btn_Cource{"Btn_Cource", "コース名編集"};
    Button Btn_Car{"Btn_Car", "車輌情報編集"};

    Frame Frm_Comment6{"Frm_Comment(6)", "コース名"};
    ComboBox Cmb_Course{"Cmb_Course"};

    // Course master editor.
    Frame Frm_Course{"Frm_Course", "", false};
    Grid Spd_Course{"Spd_Course", 3, 3};
    Button Btn_CourceCancel{"Btn_CourceCancel", "Cancel"};
    Button Btn_CourceOK{"Btn_CourceOK", "登録"};
    Label Label6_Course{"Label6(Course)", "コース情報編集"};

    // Car master editor.
    Frame Frm_Car{"Frm_Car", "", false};
    Grid Spd_Car{"Spd_Car", 5, 5};
    Button Btn_CarCancel{"Btn_CarCancel", "Cancel"};
    Button Btn_CarOK{"Btn_CarOK", "登録"};
    Label Label6_Car{"Label6(Car)", "車輌情報編集"};
};

}  // namespace rennik
