#include "ui/main_window.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include <algorithm>

#include "carlink/address_check.h"
#include "core/startup.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

namespace rennik::ui {

MainWindow::MainWindow(Host& host) : host_(host), input_(this) {
    MainScreen& m = host_.main;
    setWindowTitle(QString::fromStdString(m.form.caption));
    setObjectName(QStringLiteral("Main"));

    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(8, 8, 8, 8);
    top->setSpacing(8);
    top->addWidget(buildCarPanel(m.car), 3);
    top->addWidget(buildRacePanel(), 1);
    buildEditors();
    binder_.sync();
}

void MainWindow::run(const std::function<void()>& handler) {
    handler();
    binder_.sync();
}

void MainWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

QLabel* MainWindow::label(Captioned& c) {
    auto* w = new QLabel;
    binder_.label(c, w);
    return w;
}

QPushButton* MainWindow::button(Button& c, const std::function<void()>& onClick) {
    auto* w = new QPushButton;
    w->setAutoDefault(false);
    binder_.button(c, w);
    if (onClick) {
        connect(w, &QPushButton::clicked, this, [this, onClick] { run(onClick); });
    }
    return w;
}

QGroupBox* MainWindow::frame(Frame& c) {
    auto* w = new QGroupBox;
    binder_.frame(c, w);
    return w;
}

QLineEdit* MainWindow::textBox(TextBox& c) {
    auto* w = new QLineEdit;
    binder_.textBox(c, w);
    input_.selectAllOnFocus(w);
    input_.enterMovesOn(w);
    return w;
}

QComboBox* MainWindow::comboBox(ComboBox& c, bool editable) {
    auto* w = new QComboBox;
    w->setEditable(editable);
    w->setInsertPolicy(QComboBox::NoInsert);
    // A selector keeps the width of its place on the screen whatever length its entries have;
    // a long name is cut with an ellipsis in the list.
    w->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    w->setMinimumContentsLength(6);
    w->view()->setTextElideMode(Qt::ElideRight);
    binder_.comboBox(c, w);
    input_.enterMovesOn(w);
    return w;
}

QTableWidget* MainWindow::grid(Grid& c) {
    auto* w = new QTableWidget;
    w->setEditTriggers(QAbstractItemView::NoEditTriggers);
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    w->verticalHeader()->setDefaultSectionSize(w->fontMetrics().height() + 6);
    w->horizontalHeader()->setStretchLastSection(true);
    binder_.grid(c, w);
    return w;
}

QWidget* MainWindow::buildRacePanel() {
    MainScreen& m = host_.main;
    QGroupBox* panel = frame(m.Frm_Main);
    auto* v = new QVBoxLayout(panel);

    auto boxed = [this, v](Frame& f, std::initializer_list<QWidget*> children) {
        QGroupBox* g = frame(f);
        auto* h = new QHBoxLayout(g);
        h->setContentsMargins(6, 2, 6, 4);
        for (QWidget* child : children) {
            h->addWidget(child);
        }
        v->addWidget(g);
        return g;
    };

    boxed(m.Frm_Comment1, {textBox(m.Txt_Event)});
    boxed(m.Frm_Comment0, {textBox(m.Txt_Date)});
    QComboBox* weather = comboBox(m.Cmb_Tenki);
    boxed(m.Frm_Comment2, {weather});
    QLineEdit* kion = textBox(m.Txt_Kion);
    kion->setMaximumWidth(60);
    QGroupBox* temperature = boxed(m.Frm_Comment3, {kion, label(m.Lbl_KionUnit)});
    static_cast<QHBoxLayout*>(temperature->layout())->addStretch();
    boxed(m.Frm_Comment6, {comboBox(m.Cmb_Course)});

    QGroupBox* runTime = frame(m.Frm_Comment4);
    auto* g = new QGridLayout(runTime);
    QLineEdit* hours = textBox(m.Txt_RunH);
    QLineEdit* minutes = textBox(m.Txt_RunN);
    hours->setMaximumWidth(48);
    minutes->setMaximumWidth(48);
    g->addWidget(label(m.Lbl_RunCaption), 0, 0);
    g->addWidget(hours, 0, 1);
    g->addWidget(label(m.Lbl_RunHUnit), 0, 2);
    g->addWidget(minutes, 0, 3);
    g->addWidget(label(m.Lbl_RunNUnit), 0, 4);
    g->addWidget(label(m.Lbl_StTime), 1, 0, 1, 5);
    QLabel* remain = label(m.Lbl_ZanTime);
    QLabel* clock = label(m.Lbl_SysTime);
    for (QLabel* l : {remain, clock}) {
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 1.4);
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignCenter);
        l->setMargin(3);
    }
    g->addWidget(remain, 2, 0, 1, 5);
    g->addWidget(clock, 3, 0, 1, 5);
    v->addWidget(runTime);

    QGroupBox* other = frame(m.ImFrame3D3);
    auto* oh = new QHBoxLayout(other);
    QLabel* otherLap = label(m.Lbl_OtherLap);
    QFont f = otherLap->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    otherLap->setFont(f);
    oh->addWidget(otherLap, 1);
    oh->addWidget(button(m.Btn_OtherLap));
    v->addWidget(other);

    boxed(m.ImFrame3D2, {label(m.Lbl_LocalIP)});
    binder_.timer(m.Time_System, this, [this] { run([this] { Time_System_Timer(host_); }); });
    binder_.timer(m.Time_ChkerRetry, this, [this] { run([this] { Time_ChkerRetry_Timer(host_); }); });
    v->addStretch();

    auto* buttons = new QGridLayout;
    buttons->addWidget(button(m.Btn_Start, [this] { Btn_Start_Click(host_); }), 0, 0);
    buttons->addWidget(button(m.Btn_Write), 0, 1);
    buttons->addWidget(button(m.Btn_Cource), 1, 0);
    buttons->addWidget(button(m.Btn_Car), 1, 1);
    buttons->addWidget(button(m.Btn_Drivers), 2, 0);
    buttons->addWidget(button(m.Btn_Mess), 2, 1);
    buttons->addWidget(button(m.Btn_End, [this] { Btn_End_Click(host_); }), 3, 0, 1, 2);
    v->addLayout(buttons);
    return panel;
}

QGroupBox* MainWindow::editor(Frame& f, Label& title, Grid& g, Button& ok, Button& cancel) {
    QGroupBox* w = frame(f);
    w->setParent(this);
    w->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(w);
    QLabel* heading = label(title);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    v->addWidget(heading);
    v->addWidget(grid(g), 1);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(button(ok));
    h->addWidget(button(cancel));
    v->addLayout(h);
    w->resize(560, 420);
    return w;
}

void MainWindow::buildEditors() {
    MainScreen& m = host_.main;
    editor(m.Frm_Drivers, m.Label6_Drivers, m.Spd_Drivers, m.Btn_DrvOk, m.Btn_DrvCancel);
    buildSettingsPanel();
    editor(m.Frm_Course, m.Label6_Course, m.Spd_Course, m.Btn_CourceOK, m.Btn_CourceCancel);
    editor(m.Frm_Car, m.Label6_Car, m.Spd_Car, m.Btn_CarOK, m.Btn_CarCancel);
}

// The settings panel is laid out by position: its height, its grid's height and its buttons'
// top are the sizes the main screen's opening sets.
void MainWindow::buildSettingsPanel() {
    MainScreen& m = host_.main;
    settingsPanel_ = frame(m.Frm_Mess);
    settingsPanel_->setParent(this);
    settingsPanel_->setAutoFillBackground(true);
    QLabel* heading = label(m.Label6_Mess);
    heading->setParent(settingsPanel_);
    heading->move(12, 8);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    settingsGrid_ = grid(m.Spd_Mess);
    settingsGrid_->setParent(settingsPanel_);
    settingsOk_ = button(m.Btn_MessOk);
    settingsOk_->setParent(settingsPanel_);
    settingsCancel_ = button(m.Btn_MessCancel);
    settingsCancel_->setParent(settingsPanel_);
    applyPanelSizes(15);
}

void MainWindow::applyPanelSizes(int twipsPerPixel) {
    const MainScreen& m = host_.main;
    const int px = std::max(1, twipsPerPixel);
    const int width = 560;
    const int gridTop = 32;
    settingsPanel_->resize(width, std::max(m.Frm_MessHeight / px, 120));
    settingsGrid_->setGeometry(12, gridTop, width - 24, std::max(m.Spd_MessHeight / px, 60));
    const int okTop = m.Btn_MessOkTop > 0 ? m.Btn_MessOkTop / px : gridTop + settingsGrid_->height() + 8;
    const int cancelTop = m.Btn_MessCancelTop > 0 ? m.Btn_MessCancelTop / px : okTop;
    settingsCancel_->setGeometry(width - 12 - 100, cancelTop, 100, settingsCancel_->sizeHint().height());
    settingsOk_->setGeometry(width - 12 - 210, okTop, 100, settingsOk_->sizeHint().height());
}

}  // namespace rennik::ui
