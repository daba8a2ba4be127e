// The car panel of the main screen: lap summary, driver information, fuel and the lap table.
#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QVBoxLayout>

#include <iterator>

#include "carlink/address_setup.h"
#include "carlink/lap_correction.h"
#include "config/car_master.h"
#include "core/car_panel_input.h"
#include "drivers/driver_choice.h"
#include "drivers/driver_popup.h"
#include "fuel/fuel_meter.h"
#include "fuel/refuel.h"
#include "messages/pit_messages.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace rennik::ui {

QWidget* MainWindow::buildCarPanel(CarPanel& car) {
    const int i = car.slot;
    QGroupBox* panel = frame(car.Frm_Runner);
    auto* g = new QGridLayout(panel);
    g->setContentsMargins(6, 4, 6, 6);
    g->setSpacing(6);

    auto* head = new QHBoxLayout;
    head->addWidget(button(car.Btn_ClientNoSet, [this, i] { Btn_ClientNoSet_Click(host_, i); }));
    head->addStretch();
    addRunViews(head, car);
    g->addLayout(head, 0, 0, 1, 2);

    // The timing and the lap table on the left, the driver, the car and its fuel beside them.
    g->addWidget(buildLapInfo(car), 1, 0);
    auto* beside = new QVBoxLayout;
    beside->addWidget(buildDriverInfo(car));
    beside->addWidget(buildStint(car));
    beside->addStretch();
    g->addLayout(beside, 1, 1, 2, 1);
    // The crew corrects a lap time or writes a remark in the table; the handler checks the entry.
    GridEvents lapEdits;
    lapEdits.editStarted = [this, i](int col, int row) {
        run([=, this] { Spd_LapTime_EditStarted(host_, i, col, row); });
    };
    lapEdits.editFinished = [this, i](int col, int row) {
        run([=, this] { Spd_LapTime_EditFinished(host_, i, col, row); });
    };
    QTableWidget* laps = grid(car.Spd_LapTime, std::move(lapEdits));
    // Columns 4 (ticks) and 5 (message log) are the program's own records of each lap.
    laps->setColumnHidden(viewIndex(LapColumn::Ticks), true);
    laps->setColumnHidden(viewIndex(LapColumn::MessageLog), true);
    // The time and the driver keep the width of their texts; the remark takes the rest, and the
    // table is wide enough that it stays readable beside row numbers of five digits.
    const QFontMetrics fm = laps->fontMetrics();
    const int cellPadding = 16;
    const int time = viewIndex(LapColumn::Time);
    const int driver = viewIndex(LapColumn::Driver);
    laps->setColumnWidth(time, fm.horizontalAdvance(QStringLiteral("00'00\"000")) + cellPadding);
    laps->setColumnWidth(driver, fm.horizontalAdvance(QStringLiteral("ドライバ名前")) + cellPadding);
    laps->verticalHeader()->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("00000")) + cellPadding);
    const int remark = fm.horizontalAdvance(QStringLiteral("ピットイン給油")) + cellPadding;
    laps->setMinimumWidth(laps->verticalHeader()->minimumWidth() + laps->columnWidth(time) +
                          laps->columnWidth(driver) + remark +
                          laps->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * laps->frameWidth());
    laps->setMinimumHeight(laps->horizontalHeader()->sizeHint().height() +
                           6 * laps->verticalHeader()->defaultSectionSize());
    input_.onFocus(laps, [this, i] { run([this, i] { Spd_LapTime_GotFocus(host_, i); }); });
    g->addWidget(laps, 2, 0);
    binder_.timer(car.Time_Lap, this, [this, i] { tick([this, i] { Time_Lap_Timer(host_, i); }); });
    g->setRowStretch(2, 1);
    g->setColumnStretch(0, 3);
    g->setColumnStretch(1, 2);
    return panel;
}

QWidget* MainWindow::buildLapInfo(CarPanel& car) {
    const int i = car.slot;
    QGroupBox* info = frame(car.Frm_LapInfo);
    auto* g = new QGridLayout(info);
    g->setContentsMargins(6, 4, 6, 6);
    g->setVerticalSpacing(4);
    g->setColumnStretch(1, 1);

    auto* head = new QHBoxLayout;
    QLabel* gousya = label(car.Lbl_Gousya);
    scaleFont(gousya, 1.3, true);
    head->addWidget(gousya);
    QLabel* address = label(car.Lbl_IP);
    reserve(address, QStringLiteral("255.255.255.255"));
    head->addWidget(address);
    head->addStretch();
    QLabel* lapCount = label(car.Lbl_LapCnt);
    scaleFont(lapCount, 1.5, true);
    lapCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    reserve(lapCount, QStringLiteral("9999周目"));
    head->addWidget(lapCount);
    g->addLayout(head, 0, 0, 1, 2);

    QLabel* clock = label(car.Lbl_Time);
    scaleFont(clock, 3.0, true);
    clock->setAlignment(Qt::AlignCenter);
    clock->setMargin(4);
    reserve(clock, QStringLiteral("00'00\"000"));
    g->addWidget(clock, 1, 0, 1, 2);
    // In reach or away, under the running lap and read from a step back.
    QLabel* contact = label(car.Lbl_Contact);
    scaleFont(contact, 1.2, true);
    contact->setAlignment(Qt::AlignCenter);
    reserve(contact, QStringLiteral("通信中 99999秒前"));
    g->addWidget(contact, 2, 0, 1, 2);

    const std::pair<Label*, Label*> figures[] = {{&car.Lbl_BestCaption, &car.Lbl_BestLapTime},
                                                 {&car.Lbl_AveCaption, &car.Lbl_AveLapTime},
                                                 {&car.Lbl_YosoSyuCaption, &car.Lbl_YosoSyu}};
    const QString widest[] = {QStringLiteral("999周目 99'59\"999"), QStringLiteral("99'59\"999"),
                              QStringLiteral("あと99999周")};
    int row = 3;
    for (std::size_t k = 0; k < std::size(figures); ++k) {
        g->addWidget(label(*figures[k].first), row, 0);
        QLabel* v = label(*figures[k].second);
        scaleFont(v, 1.2, true);
        reserve(v, widest[k]);
        g->addWidget(v, row++, 1);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button(car.Btn_LapChg, [this, i] { Btn_LapChg_Click(host_, i); }));
    buttons->addWidget(button(car.Btn_RunStop, [this, i] { Btn_RunStop_Click(host_, i); }));
    buttons->addWidget(button(car.Btn_ClientNoSet2, [this, i] { Btn_ClientNoSet2_Click(host_, i); }));
    buttons->addWidget(button(car.Btn_ClsCar, [this, i] { Btn_ClsCar_Click(host_, i); }));
    g->addLayout(buttons, row, 0, 1, 2);
    return info;
}

QWidget* MainWindow::buildDriverInfo(CarPanel& car) {
    const int i = car.slot;
    QGroupBox* info = frame(car.Frm_DriverInfo);
    auto* g = new QGridLayout(info);
    g->setContentsMargins(6, 4, 6, 6);
    g->setVerticalSpacing(4);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    int row = 0;

    QPushButton* popupButton = button(car.Btn_DriverInfo, [this, i] { Btn_DriverInfo_Click(host_, i); });
    popupButton->setCheckable(true);

    QComboBox* driver = comboBox(car.Cmb_Driver, true, [this, i] { Cmb_Driver_Click(host_, i); });
    input_.onFocus(driver, [this, i] { run([this, i] { Cmb_Driver_GotFocus(host_, i); }); });
    input_.onFocusLost(driver, [this, i] { run([this, i] { Cmb_Driver_LostFocus(host_, i); }); });
    g->addWidget(driver, row, 2, 1, 2);
    g->addWidget(popupButton, row++, 0, 1, 2);
    QLabel* driverBest = label(car.Lbl_DrvrBestLapTime);
    reserve(driverBest, QStringLiteral("99'59\"999-9999L"));
    QLabel* driverAverage = label(car.Lbl_DrvrAveLapTime);
    reserve(driverAverage, QStringLiteral("99'59\"999"));
    g->addWidget(label(car.Lbl_DBestCaption), row, 0);
    g->addWidget(driverBest, row, 1);
    g->addWidget(label(car.Lbl_DAveCaption), row, 2);
    g->addWidget(driverAverage, row++, 3);

    QComboBox* carName = comboBox(car.Cmb_Car, true, [this, i] { Cmb_Car_Click(host_, i); });
    input_.onFocus(carName, [this, i] { run([this, i] { Cmb_Car_GotFocus(host_, i); }); });
    input_.onFocusLost(carName, [this, i] { run([this, i] { Cmb_Car_LostFocus(host_, i); }); });
    g->addWidget(label(car.Lbl_CarCaption), row, 0);
    g->addWidget(carName, row++, 1, 1, 3);

    QLineEdit* nenpi = textBox(car.Txt_Nenpi);
    input_.onFocus(nenpi, [this, i] { run([this, i] { Txt_Nenpi_GotFocus(host_, i); }); });
    input_.onFocusLost(nenpi, [this, i] { run([this, i] { Txt_Nenpi_LostFocus(host_, i); }); });
    g->addWidget(label(car.Lbl_NenpiCaption), row, 0);
    g->addWidget(nenpi, row, 1);
    g->addWidget(label(car.Lbl_NenpiUnit), row++, 2);

    g->addWidget(buildFuel(car), row++, 0, 1, 4);

    auto* counter = new QHBoxLayout;
    auto* check = new QCheckBox;
    binder_.checkBox(car.Chk_ChgCnter, check);
    input_.onFocus(check, [this, i] { run([this, i] { Chk_ChgCnter_GotFocus(host_, i); }); });
    connect(check, &QCheckBox::clicked, this,
            [this, i] { run([this, i] { Chk_ChgCnter_Click(host_, i); }); });
    QLineEdit* laps = textBox(car.Txt_ZanRunCnt);
    fixWidth(laps, QStringLiteral("0000"));
    input_.onFocus(laps, [this, i] { run([this, i] { Txt_ZanRunCnt_GotFocus(host_, i); }); });
    input_.onFocusLost(laps, [this, i] { run([this, i] { Txt_ZanRunCnt_LostFocus(host_, i); }); });
    counter->addWidget(check);
    counter->addWidget(laps);
    counter->addWidget(label(car.Lbl_AutoMess1));
    counter->addStretch();
    g->addLayout(counter, row++, 0, 1, 4);
    g->addWidget(label(car.Lbl_AutoMess2), row++, 0, 1, 4);

    g->addWidget(label(car.Label7), row, 0);
    QLineEdit* message = textBox(car.Txt_OutMess);
    input_.onFocus(message, [this, i] { run([this, i] { Txt_OutMess_GotFocus(host_, i); }); });
    g->addWidget(message, row++, 1, 1, 3);
    QLabel* sent = label(car.Lbl_SentMess);
    sent->setMinimumHeight(sent->fontMetrics().height() + 2);
    sent->setWordWrap(true);
    g->addWidget(sent, row++, 1, 1, 3);
    QLabel* inMess = label(car.Lbl_InMess);
    inMess->setMinimumHeight(inMess->fontMetrics().height() * 2);
    inMess->setWordWrap(true);
    binder_.timer(car.Time_MessBlk, this, [this, i] { run([this, i] { Time_MessBlk_Timer(host_, i); }); });
    g->addWidget(inMess, row++, 0, 1, 4);

    buildDriverPopup(car, popupButton);
    return info;
}

QWidget* MainWindow::buildFuel(CarPanel& car) {
    const int i = car.slot;
    QGroupBox* fuel = frame(car.Frm_Comment5);
    auto* g = new QGridLayout(fuel);
    g->setContentsMargins(6, 4, 6, 6);
    g->setVerticalSpacing(4);
    auto* meter = new QProgressBar;
    meter->setRange(0, 100);
    meter->setTextVisible(false);
    binder_.meter(car.Meter_Gas, meter);
    binder_.timer(car.Time_GasBlk, this, [this, i] { run([this, i] { Time_GasBlk_Timer(host_, i); }); });
    g->addWidget(label(car.Lbl_MeterE), 0, 0);
    g->addWidget(meter, 0, 1, 1, 3);
    g->addWidget(label(car.Lbl_MeterF), 0, 4);
    // The fuel left blinks white on red when low: a margin keeps the figure clear of the edge.
    QLabel* left = label(car.Lbl_ZanGas);
    scaleFont(left, 1.2, true);
    left->setMargin(2);
    left->setAlignment(Qt::AlignCenter);
    reserve(left, QStringLiteral("残9999"));
    g->addWidget(left, 0, 5);

    QLineEdit* amount = textBox(car.Txt_InGasl);
    input_.onFocus(amount, [this, i] { run([this, i] { Txt_InGasl_GotFocus(host_, i); }); });
    input_.onFocusLost(amount, [this, i] { run([this, i] { Txt_InGasl_LostFocus(host_, i); }); });
    g->addWidget(label(car.Lbl_InGaslCaption), 1, 0, 1, 2);
    g->addWidget(amount, 1, 2);
    g->addWidget(label(car.Lbl_LitreUnit), 1, 3);
    g->addWidget(button(car.Btn_Kyuyu, [this, i] { Btn_Kyuyu_Click(host_, i); }), 1, 4, 1, 2);
    QLabel* total = label(car.Lbl_AllGas);
    reserve(total, QStringLiteral("9999.999"));
    QLabel* tank = label(car.Lbl_Tank);
    reserve(tank, QStringLiteral("9999"));
    g->addWidget(label(car.Lbl_AllGasCaption), 2, 0, 1, 2);
    g->addWidget(total, 2, 2);
    g->addWidget(label(car.Lbl_TankCaption), 2, 3);
    g->addWidget(tank, 2, 4);
    g->addWidget(label(car.Lbl_LitreUnit2), 2, 5);
    return fuel;
}

void MainWindow::buildDriverPopup(CarPanel& car, QPushButton* anchor) {
    const int i = car.slot;
    QGroupBox* popup = frame(car.Frm_DriverLap);
    popup->setParent(this);
    popup->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(popup);
    v->addWidget(grid(car.Spd_DriverInfo));
    popup->resize(380, 200);
    binder_.timer(car.Time_DriverInfo, this,
                  [this, i] { run([this, i] { Time_DriverInfo_Timer(host_, i); }); });
    // Opens just below its button, above everything else on the panel.
    connect(anchor, &QPushButton::clicked, popup, [this, popup, anchor] {
        popup->move(anchor->mapTo(this, QPoint(0, anchor->height())));
        popup->raise();
    });
}

}  // namespace rennik::ui
