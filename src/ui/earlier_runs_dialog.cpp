#include "ui/earlier_runs_dialog.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "base/text_file.h"
#include "report/result_file.h"
#include "store/run_resume.h"
#include "timing/run_control.h"
#include "ui/grid_binding.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace rennik::ui {
namespace {


QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// A start the store could not read (no year) shows as a dash, never as "0000/00/00".
QString dateText(const LocalDateTime& t) {
    return t.year > 0 ? QStringLiteral("%1/%2/%3").arg(t.year).arg(twoDigits(t.month), twoDigits(t.day))
                      : QStringLiteral("-");
}
QString startText(const LocalDateTime& t) {
    return t.year > 0 ? twoDigits(t.hour) + QLatin1Char(':') + twoDigits(t.minute) : QStringLiteral("-");
}

// The columns of the list of runs.
enum RunColumn { Date, Start, Laps, Best, Drivers, Mark, RunColumns };

// The texts that set each column's width: the widest each column shows, with its heading.
const char* const kRunHeadings[RunColumns] = {"日付", "Start", "周回", "ベストラップ", "ドライバ", "状態"};
const char* const kRunWidest[RunColumns] = {"0000/00/00",          "00:00",        "99999",
                                            "9999周目 10'59\"999", "ドライバ名前", "計測中"};

// The characters' room in a cell beside the text.
constexpr int kCellPadding = 20;

QTableWidgetItem* readOnlyItem(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(align);
    return item;
}

QTableWidget* readOnlyTable(const QString& name, const QFontMetrics& fm) {
    auto* table = new QTableWidget;
    table->setObjectName(name);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(fm.height() + 8);
    table->horizontalHeader()->setMinimumHeight(fm.height() + 8);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return table;
}

// The room a table needs for `rows` rows under its headings.
int heightFor(const QTableWidget* table, int rows) {
    return table->horizontalHeader()->minimumHeight() + rows * table->verticalHeader()->defaultSectionSize() +
           table->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * table->frameWidth();
}

// A grid of a run's screen as the main screen draws it: the headings and cells of the model, the
// row numbers (the lap numbers) down the side.
void showGrid(const Grid& grid, QTableWidget* table) {
    table->setRowCount(0);
    table->setColumnCount(grid.colCount());
    QStringList headings;
    for (int col = 1; col <= grid.colCount(); ++col) {
        headings << qs(grid.header(col));
    }
    table->setHorizontalHeaderLabels(headings);
    table->setRowCount(grid.rowCount());
    for (int row = 1; row <= grid.rowCount(); ++row) {
        for (int col = 1; col <= grid.colCount(); ++col) {
            table->setItem(viewIndex(row), viewIndex(col), readOnlyItem(qs(grid.cell(row, col))));
        }
    }
}

// What the main screen's load puts on a screen and the run store does not keep (the slot's
// name, the tables' headings, the master lists), taken from the loaded main screen, so that a
// run's screen reads back as the main screen showed it and its result file is the same.
void loadLike(const MainScreen& loaded, MainScreen& screen) {
    const auto from = loaded.panels();
    const auto to = screen.panels();
    for (std::size_t i = 0; i < std::min(from.size(), to.size()); ++i) {
        const CarPanel& l = from[i];
        CarPanel& c = to[i];
        c.Frm_Runner.setCaption(l.Frm_Runner.caption());
        for (int col = 1; col <= LapColumn::Count; ++col) {
            c.Spd_LapTime.setHeader(col, l.Spd_LapTime.header(col));
        }
        for (int col = 1; col <= DriverColumn::Count; ++col) {
            c.Spd_DriverInfo.setHeader(col, l.Spd_DriverInfo.header(col));
        }
        for (const std::string& item : l.Cmb_Car.items()) {
            c.Cmb_Car.addItem(item);
        }
        for (const std::string& item : l.Cmb_Driver.items()) {
            c.Cmb_Driver.addItem(item);
        }
    }
}

}  // namespace

EarlierRunsDialog::EarlierRunsDialog(Host& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName(QStringLiteral("EarlierRuns"));
    setWindowTitle(QStringLiteral("過去の走行"));
    // Read from a step back: larger characters than the main screen's packed panels.
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.4);
    setFont(larger);
    const QFontMetrics fm(larger);

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("Lbl_RunsNote"));
    note_->setWordWrap(true);

    list_ = readOnlyTable(QStringLiteral("Spd_Runs"), fm);
    list_->setColumnCount(RunColumns);
    QStringList headings;
    for (const char* heading : kRunHeadings) {
        headings << QString::fromUtf8(heading);
    }
    list_->setHorizontalHeaderLabels(headings);
    list_->verticalHeader()->hide();
    QHeaderView* header = list_->horizontalHeader();
    for (int col = 0; col < RunColumns; ++col) {
        list_->setColumnWidth(col, std::max(fm.horizontalAdvance(QString::fromUtf8(kRunWidest[col])),
                                            fm.horizontalAdvance(headings[col])) +
                                       kCellPadding);
    }
    // The drivers of a long run take what room is left; the columns keep their own widths.
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionResizeMode(Drivers, QHeaderView::Stretch);
    int listWidth = 2 * list_->frameWidth() + list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int col = 0; col < RunColumns; ++col) {
        listWidth += list_->columnWidth(col);
    }
    list_->setMinimumSize(listWidth, heightFor(list_, 4));
    connect(list_, &QTableWidget::currentCellChanged, this, [this](int row, int, int fromRow, int) {
        if (row != fromRow) {
            choose(row);
        }
    });

    heading_ = new QLabel;
    heading_->setObjectName(QStringLiteral("Lbl_RunHeading"));
    heading_->setTextFormat(Qt::PlainText);
    QFont bold = larger;
    bold.setBold(true);
    heading_->setFont(bold);

    // The lap table as the main screen's: the time and the driver keep the width of their texts,
    // the remark takes the rest; the program's own columns (ticks, messages) stay hidden.
    laps_ = readOnlyTable(QStringLiteral("Spd_RunLaps"), fm);
    laps_->horizontalHeader()->setStretchLastSection(true);
    laps_->verticalHeader()->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("00000")) + kCellPadding);
    laps_->setColumnCount(LapColumn::Count);
    const int timeWidth = fm.horizontalAdvance(QStringLiteral("00'00\"000")) + kCellPadding;
    const int driverWidth = fm.horizontalAdvance(QStringLiteral("ドライバ名前")) + kCellPadding;
    laps_->setMinimumSize(laps_->verticalHeader()->minimumWidth() + timeWidth + driverWidth +
                              fm.horizontalAdvance(QStringLiteral("ピットイン給油")) + kCellPadding +
                              laps_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                              2 * laps_->frameWidth(),
                          heightFor(laps_, 8));

    drivers_ = readOnlyTable(QStringLiteral("Spd_RunDrivers"), fm);
    drivers_->horizontalHeader()->setStretchLastSection(true);
    drivers_->verticalHeader()->hide();
    drivers_->setColumnCount(DriverColumn::Count);
    const int figureWidth = fm.horizontalAdvance(QStringLiteral("10'59\"999-999L")) + kCellPadding;
    drivers_->setColumnWidth(viewIndex(DriverColumn::Name), driverWidth);
    drivers_->setColumnWidth(viewIndex(DriverColumn::BestLap), figureWidth);
    drivers_->setMinimumSize(driverWidth + 2 * figureWidth +
                                 drivers_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                 2 * drivers_->frameWidth(),
                             heightFor(drivers_, 4));

    save_ = new QPushButton(QStringLiteral("走行結果 保存"));
    save_->setObjectName(QStringLiteral("Btn_RunWrite"));
    save_->setAutoDefault(false);
    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    buildRunViews();
    auto* close = new QPushButton(QStringLiteral("閉じる"));
    close->setObjectName(QStringLiteral("Btn_RunsClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* b : {chart_, stintTable_, csv_, save_, close}) {
        b->setAutoDefault(false);
        b->setMinimumSize(b->sizeHint().width() + 24, fm.height() + 16);
    }

    auto* tables = new QHBoxLayout;
    tables->addWidget(laps_, 3);
    auto* driverSide = new QVBoxLayout;
    auto* driverHeading = new QLabel(QStringLiteral("ドライバ情報"));
    driverSide->addWidget(driverHeading);
    driverSide->addWidget(drivers_, 1);
    tables->addLayout(driverSide, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chart_);
    buttons->addWidget(stintTable_);
    buttons->addStretch();
    buttons->addWidget(csv_);
    buttons->addWidget(save_);
    buttons->addWidget(close);
    auto* v = new QVBoxLayout(this);
    v->addWidget(note_);
    v->addWidget(list_, 2);
    v->addWidget(heading_);
    v->addLayout(tables, 3);
    v->addLayout(buttons);

    refresh();
    sizeForScreen();
}

EarlierRunsDialog::~EarlierRunsDialog() = default;

void EarlierRunsDialog::refresh() {
    const std::int64_t chosen = view_ ? view_->id : 0;
    runs_.clear();
    QString note;
    if (!host_.recorder) {
        note = QStringLiteral("走行記録ファイルが開かれていないため、過去の走行を表示できません。");
    } else if (!host_.recorder->store().isOpen()) {
        note = QStringLiteral("走行記録ファイル %1 を読み込めないため、過去の走行を表示できません。")
                   .arg(qs(text_file::pathToUtf8(host_.recorder->store().file())));
    } else {
        runs_ = host_.recorder->store().runs();
        if (runs_.empty()) {
            note = QStringLiteral("記録された走行はまだありません。");
        }
    }
    note_->setText(note);
    note_->setVisible(!note.isEmpty());

    const std::optional<std::int64_t> recording =
        host_.recorder && IsRunning(host_.main) ? host_.recorder->run() : std::nullopt;
    int again = 0;
    {
        const QSignalBlocker quiet(list_);
        list_->setRowCount(0);
        list_->setRowCount(static_cast<int>(runs_.size()));
        for (int row = 0; row < list_->rowCount(); ++row) {
            const store::RunSummary& run = runs_[static_cast<std::size_t>(row)];
            QStringList drivers;
            for (const std::string& d : run.drivers) {
                drivers << qs(d);
            }
            const QString mark = run.finished          ? QString()
                                 : recording == run.id ? QStringLiteral("計測中")
                                                       : QStringLiteral("未終了");
            const QString cells[RunColumns] = {dateText(run.start),
                                               startText(run.start),
                                               QString::number(run.laps),
                                               qs(run.bestLap),
                                               drivers.join(QStringLiteral("、")),
                                               mark};
            for (int col = 0; col < RunColumns; ++col) {
                const bool figure = col == Laps;
                list_->setItem(
                    row, col,
                    readOnlyItem(cells[col], (figure ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
            }
            // A long list of drivers, cut at the column's edge, is read whole from its tooltip.
            list_->item(row, Drivers)->setToolTip(cells[Drivers]);
            if (run.id == chosen) {
                again = row;
            }
        }
        if (!runs_.empty()) {
            list_->setCurrentCell(again, 0);
        }
    }
    // The run chosen before stays chosen, read anew; otherwise the newest.
    choose(runs_.empty() ? -1 : again);
}

void EarlierRunsDialog::choose(int row) {
    letGoOfRun();
    view_.reset();
    laps_->setRowCount(0);
    drivers_->setRowCount(0);
    for (QPushButton* b : {save_, chart_, stintTable_, csv_}) {
        b->setEnabled(false);
    }
    heading_->clear();
    if (row < 0 || row >= static_cast<int>(runs_.size()) || !host_.recorder) {
        followChosen();
        return;
    }
    const store::RunSummary& run = runs_[static_cast<std::size_t>(row)];
    const std::optional<store::StoredRun> stored = host_.recorder->store().load(run.id);
    if (!stored) {
        heading_->setText(QStringLiteral("この走行を走行記録ファイルから読み込めません。"));
        followChosen();
        return;
    }
    // The run goes into a race state and screen of its own, as a resume would put it into the
    // program's: the tables and the result file are read from that screen, never made up here.
    auto view = std::make_unique<View>();
    view->id = run.id;
    view->start = stored->summary.start;
    loadLike(host_.main, view->screen);
    RestoreRun(*stored, view->race, view->screen);
    const CarPanel& car = view->screen.car;

    showGrid(car.Spd_LapTime, laps_);
    laps_->setColumnHidden(viewIndex(LapColumn::Ticks), true);
    laps_->setColumnHidden(viewIndex(LapColumn::MessageLog), true);
    const QFontMetrics fm = laps_->fontMetrics();
    laps_->setColumnWidth(viewIndex(LapColumn::Time),
                          fm.horizontalAdvance(QStringLiteral("00'00\"000")) + kCellPadding);
    laps_->setColumnWidth(viewIndex(LapColumn::Driver),
                          fm.horizontalAdvance(QStringLiteral("ドライバ名前")) + kCellPadding);
    showGrid(car.Spd_DriverInfo, drivers_);

    QString heading = dateText(view->start) + QLatin1Char(' ') + startText(view->start) +
                      QStringLiteral(" Start　") + QString::number(run.laps) + QStringLiteral("周");
    if (const QString event = qs(view->screen.Txt_Event.text()).trimmed(); !event.isEmpty()) {
        heading = event + QStringLiteral("　") + heading;
    }
    if (const QString carName = qs(car.Cmb_Car.text()).trimmed(); !carName.isEmpty()) {
        heading += QStringLiteral("　車輌 ") + carName;
    }
    heading_->setText(heading);
    for (QPushButton* b : {save_, chart_, stintTable_, csv_}) {
        b->setEnabled(true);
    }
    view_ = std::move(view);
    followChosen();
}

void EarlierRunsDialog::save() {
    if (view_) {
        SaveResultFile(host_, view_->screen, view_->start);
    }
}

void EarlierRunsDialog::sizeForScreen() {
    const QWidget* over = parentWidget() != nullptr ? parentWidget() : this;
    const QScreen* s = over->screen();
    const QRect area = s != nullptr ? s->availableGeometry() : QRect(0, 0, 1366, 728);
    const QMargins frame = frameAllowance(this);
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    resize(QSize(1100, 660).expandedTo(minimumSizeHint()).boundedTo(room));
}

}  // namespace rennik::ui
