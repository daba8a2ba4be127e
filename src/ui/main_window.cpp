#include "ui/main_window.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "carlink/address_check.h"
#include "carlink/other_lap.h"
#include "config/car_master.h"
#include "config/course_master.h"
#include "config/driver_master.h"
#include "config/settings_panel.h"
#include "core/missing_entry_blink.h"
#include "core/startup.h"
#include "report/result_file.h"
#include "store/run_recording.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"
#include "timing/run_duration.h"
#include "ui/earlier_runs_dialog.h"
#include "ui/live_view_window.h"

namespace rennik::ui {

QMargins frameAllowance(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    const QMargins told = handle != nullptr ? handle->frameMargins() : QMargins();
    return told.isNull() ? QMargins(8, 31, 8, 8) : told;
}

MainWindow::MainWindow(Host& host) : host_(host), input_(this) {
    MainScreen& m = host_.main;
    setWindowTitle(QString::fromStdString(m.form.caption));
    setObjectName(QStringLiteral("Main"));

    content_ = new QWidget;
    auto* top = new QHBoxLayout(content_);
    top->setContentsMargins(6, 6, 6, 6);
    top->setSpacing(6);
    top->addWidget(buildCarPanel(m.car), 3);
    top->addWidget(buildRacePanel(), 1);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    content_->installEventFilter(this);
    buildEditors();
    binder_.sync();
    fitMinimumSize();
}

// A cell editor still open is committed while the bindings are alive: the close that the
// widget's own destructor performs would otherwise commit it into bindings already gone.
MainWindow::~MainWindow() { hide(); }

void MainWindow::run(const std::function<void()>& handler) {
    handler();
    // What the event changed (a click, an edit, a choice, a typed box) goes into the run store.
    RecordRun(host_);
    sync();
}

void MainWindow::tick(const std::function<void()>& handler) {
    handler();
    sync();
}

void MainWindow::sync() {
    binder_.sync();
    followLapTable();
    if (liveView_ != nullptr) {
        liveView_->publish();
    }
}

void MainWindow::showLiveView() {
    if (liveView_ == nullptr) {
        liveView_ = new LiveViewWindow(host_, this);
    }
    liveView_->show();
    liveView_->raise();
    liveView_->activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    host_.main.form.width = width() * twipsPerPixel_;
    host_.main.form.height = height() * twipsPerPixel_;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest) {
        fitMinimumSize();
    }
    return QWidget::eventFilter(watched, event);
}

QSize MainWindow::roomOnScreen() const {
    const QScreen* s = screen();
    const QRect area = s != nullptr ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    const QMargins frame = frameAllowance(this);
    return {area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom()};
}

void MainWindow::fitMinimumSize() {
    setMinimumSize(content_->minimumSizeHint().boundedTo(roomOnScreen()));
    if (!isVisible() || screen() == nullptr) {
        return;
    }
    const QRect area = screen()->availableGeometry();
    const QRect outside = frameGeometry();
    const int left = std::max(area.left(), std::min(outside.left(), area.right() + 1 - outside.width()));
    const int top = std::max(area.top(), std::min(outside.top(), area.bottom() + 1 - outside.height()));
    if (left != outside.left() || top != outside.top()) {
        move(left, top);
    }
}

void MainWindow::fitToScreen() {
    fitMinimumSize();
    resize(content_->sizeHint().expandedTo(QSize(1100, 680)).boundedTo(roomOnScreen()));
}

void MainWindow::reserve(QLabel* l, const QString& widest) {
    const QFontMetrics fm = l->fontMetrics();
    const int margins = 2 * l->margin() + 2;
    l->setMinimumSize(fm.horizontalAdvance(widest) + margins, fm.height() + margins);
}

void MainWindow::fixWidth(QLineEdit* box, const QString& widest) {
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(widest) + 16);
}

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

QComboBox* MainWindow::comboBox(ComboBox& c, bool editable, const std::function<void()>& onChosen) {
    auto* w = new QComboBox;
    w->setEditable(editable);
    w->setInsertPolicy(QComboBox::NoInsert);
    // A selector keeps the width of its place on the screen whatever length its entries have;
    // a long name is cut with an ellipsis in the list.
    w->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    w->setMinimumContentsLength(6);
    w->view()->setTextElideMode(Qt::ElideRight);
    std::function<void()> chosen;
    if (onChosen) {
        chosen = [this, onChosen] { run(onChosen); };
    }
    binder_.comboBox(c, w, std::move(chosen));
    input_.enterMovesOn(w);
    return w;
}

QTableWidget* MainWindow::grid(Grid& c, GridEvents events) {
    auto* w = new QTableWidget;
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    w->verticalHeader()->setDefaultSectionSize(w->fontMetrics().height() + 6);
    w->horizontalHeader()->setStretchLastSection(true);
    binder_.grid(c, w, std::move(events));
    return w;
}

std::function<void(int, int)> MainWindow::onCell(void (*handler)(Host&, int, int)) {
    return
        [this, handler](int col, int row) { run([this, handler, col, row] { handler(host_, col, row); }); };
}

QWidget* MainWindow::buildRacePanel() {
    MainScreen& m = host_.main;
    QGroupBox* panel = frame(m.Frm_Main);
    auto* v = new QVBoxLayout(panel);
    v->setSpacing(4);

    auto boxed = [this](Frame& f, std::initializer_list<QWidget*> children) {
        QGroupBox* g = frame(f);
        auto* h = new QHBoxLayout(g);
        h->setContentsMargins(6, 2, 6, 4);
        for (QWidget* child : children) {
            h->addWidget(child);
        }
        return g;
    };

    // The short entries of the event share a row: date, weather and temperature.
    v->addWidget(boxed(m.Frm_Comment1, {textBox(m.Txt_Event)}));
    QLineEdit* date = textBox(m.Txt_Date);
    date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 12);
    QComboBox* weather = comboBox(m.Cmb_Tenki);
    weather->setMinimumContentsLength(2);
    QLineEdit* kion = textBox(m.Txt_Kion);
    fixWidth(kion, QStringLiteral("-00.0"));
    auto* shortEntries = new QHBoxLayout;
    shortEntries->addWidget(boxed(m.Frm_Comment0, {date}), 3);
    shortEntries->addWidget(boxed(m.Frm_Comment2, {weather}), 2);
    shortEntries->addWidget(boxed(m.Frm_Comment3, {kion, label(m.Lbl_KionUnit)}), 2);
    v->addLayout(shortEntries);
    QComboBox* course = comboBox(m.Cmb_Course);
    input_.onFocusLost(course, [this] { run([this] { Cmb_Course_LostFocus(host_); }); });
    v->addWidget(boxed(m.Frm_Comment6, {course}));

    QGroupBox* runTime = frame(m.Frm_Comment4);
    auto* g = new QGridLayout(runTime);
    g->setContentsMargins(6, 4, 6, 6);
    g->setVerticalSpacing(4);
    QLineEdit* hours = textBox(m.Txt_RunH);
    QLineEdit* minutes = textBox(m.Txt_RunN);
    fixWidth(hours, QStringLiteral("000"));
    fixWidth(minutes, QStringLiteral("000"));
    input_.onFocus(hours, [this] { run([this] { Txt_RunH_GotFocus(host_); }); });
    input_.onFocusLost(hours, [this] { run([this] { Txt_RunH_LostFocus(host_); }); });
    input_.onFocus(minutes, [this] { run([this] { Txt_RunN_GotFocus(host_); }); });
    input_.onFocusLost(minutes, [this] { run([this] { Txt_RunN_LostFocus(host_); }); });
    g->addWidget(label(m.Lbl_RunCaption), 0, 0);
    g->addWidget(hours, 0, 1);
    g->addWidget(label(m.Lbl_RunHUnit), 0, 2);
    g->addWidget(minutes, 0, 3);
    g->addWidget(label(m.Lbl_RunNUnit), 0, 4);
    QLabel* started = label(m.Lbl_StTime);
    reserve(started, QStringLiteral("Start時間 00:00"));
    g->addWidget(started, 1, 0, 1, 5);
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
    oh->setContentsMargins(6, 2, 6, 4);
    QLabel* otherLap = label(m.Lbl_OtherLap);
    QFont f = otherLap->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    otherLap->setFont(f);
    oh->addWidget(otherLap, 1);
    oh->addWidget(button(m.Btn_OtherLap, [this] { Btn_OtherLap_Click(host_); }));
    binder_.timer(m.Time_OtherLap, this, [this] { run([this] { Time_OtherLap_Timer(host_); }); });
    v->addWidget(other);

    v->addWidget(boxed(m.ImFrame3D2, {label(m.Lbl_LocalIP)}));
    auto* live = new QPushButton(QStringLiteral("スマホ表示"));
    live->setObjectName(QStringLiteral("Btn_Live"));
    live->setAutoDefault(false);
    // Only reads the run: nothing of it changes, so nothing is recorded.
    connect(live, &QPushButton::clicked, this, [this] { showLiveView(); });
    v->addWidget(live);
    binder_.timer(m.Time_System, this, [this] { run([this] { Time_System_Timer(host_); }); });
    binder_.timer(m.Time_NoInputBlk, this, [this] { run([this] { Time_NoInputBlk_Timer(host_); }); });
    binder_.timer(m.Time_ChkerRetry, this, [this] { run([this] { Time_ChkerRetry_Timer(host_); }); });
    v->addStretch();

    auto* buttons = new QGridLayout;
    // The earlier runs sit beside the result's save, in the first row of the buttons.
    auto* first = new QHBoxLayout;
    first->addWidget(button(m.Btn_Start, [this] { Btn_Start_Click(host_); }), 1);
    first->addWidget(button(m.Btn_Write, [this] { Btn_Write_Click(host_); }), 1);
    auto* runs = new QPushButton(QStringLiteral("過去の走行"));
    runs->setObjectName(QStringLiteral("Btn_Runs"));
    runs->setAutoDefault(false);
    // Only reads the run store: nothing of the run in progress changes, so nothing is recorded.
    connect(runs, &QPushButton::clicked, this, [this] { showEarlierRuns(); });
    first->addWidget(runs, 1);
    buttons->addLayout(first, 0, 0, 1, 2);
    buttons->addWidget(button(m.Btn_Cource, [this] { Btn_Cource_Click(host_); }), 1, 0);
    buttons->addWidget(button(m.Btn_Car, [this] { Btn_Car_Click(host_); }), 1, 1);
    buttons->addWidget(button(m.Btn_Drivers, [this] { Btn_Drivers_Click(host_); }), 2, 0);
    buttons->addWidget(button(m.Btn_Mess, [this] { Btn_Mess_Click(host_); }), 2, 1);
    buttons->addWidget(button(m.Btn_End, [this] { Btn_End_Click(host_); }), 3, 0, 1, 2);
    v->addLayout(buttons);
    return panel;
}

void MainWindow::showEarlierRuns() {
    if (earlierRuns_ == nullptr) {
        earlierRuns_ = new EarlierRunsDialog(host_, this);
    } else {
        earlierRuns_->refresh();
    }
    earlierRuns_->show();
    earlierRuns_->raise();
    earlierRuns_->activateWindow();
}

// A master editor keeps its own layout inside the size the model gives it: the title, the grid
// and the buttons at the bottom right.
void MainWindow::editor(Frame& f, Label& title, Grid& g, Button& ok, void (*onOk)(Host&), Button& cancel,
                        void (*onCancel)(Host&), void (*onDelete)(Host&, int, int)) {
    QGroupBox* w = frame(f);
    w->setParent(this);
    w->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(w);
    QLabel* heading = label(title);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    v->addWidget(heading);
    GridEvents events;
    events.buttonClicked = onCell(onDelete);
    QTableWidget* table = grid(g, std::move(events));
    // The figures and names share the width; the delete buttons take no more than their caption.
    QHeaderView* header = table->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(viewIndex(g.buttonColumn()), QHeaderView::Fixed);
    table->setColumnWidth(viewIndex(g.buttonColumn()),
                          table->fontMetrics().horizontalAdvance(QStringLiteral("削除")) + 24);
    v->addWidget(table, 1);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(button(ok, [this, onOk] { onOk(host_); }));
    h->addWidget(button(cancel, [this, onCancel] { onCancel(host_); }));
    v->addLayout(h);
}

void MainWindow::buildEditors() {
    MainScreen& m = host_.main;
    editor(m.Frm_Drivers, m.Label6_Drivers, m.Spd_Drivers, m.Btn_DrvOk, Btn_DrvOk_Click, m.Btn_DrvCancel,
           Btn_DrvCancel_Click, Spd_Drivers_ButtonClicked);
    buildSettingsPanel();
    editor(m.Frm_Course, m.Label6_Course, m.Spd_Course, m.Btn_CourceOK, Btn_CourceOK_Click,
           m.Btn_CourceCancel, Btn_CourceCancel_Click, Spd_Course_ButtonClicked);
    editor(m.Frm_Car, m.Label6_Car, m.Spd_Car, m.Btn_CarOK, Btn_CarOK_Click, m.Btn_CarCancel,
           Btn_CarCancel_Click, Spd_Car_ButtonClicked);
}

}  // namespace rennik::ui
