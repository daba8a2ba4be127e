// The settings panel "環境設定" of the main screen, laid out by position: its height, its grid's
// height and its buttons' top are the sizes the main screen's opening sets. Where the font needs
// taller rows than those sizes give, the grid and the panel grow by the difference, so that no
// row's text (nor the precision list) is cut.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>

#include <algorithm>

#include "config/settings_panel.h"
#include "ui/main_window.h"

namespace rennik::ui {

void MainWindow::buildSettingsPanel() {
    MainScreen& m = host_.main;
    settingsPanel_ = new QGroupBox;
    binder_.frame(m.Frm_Mess, settingsPanel_, [this] { return settingsGrowth_; });
    settingsPanel_->setParent(this);
    settingsPanel_->setAutoFillBackground(true);
    settingsHeading_ = label(m.Label6_Mess);
    settingsHeading_->setParent(settingsPanel_);
    QFont font = settingsHeading_->font();
    font.setBold(true);
    settingsHeading_->setFont(font);
    GridEvents events;
    events.cellChanged = [this](int col, int row, int fromCol, int fromRow) {
        run([=, this] { Spd_Mess_CellChanged(host_, col, row, fromCol, fromRow); });
    };
    settingsGrid_ = grid(m.Spd_Mess, std::move(events));
    settingsGrid_->setParent(settingsPanel_);
    settingsGrid_->horizontalHeader()->hide();
    settingsGrid_->verticalHeader()->hide();
    // The labels keep their whole text; the values take the rest.
    settingsGrid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    settingsOk_ = button(m.Btn_MessOk, [this] { Btn_MessOk_Click(host_); });
    settingsOk_->setParent(settingsPanel_);
    settingsCancel_ = button(m.Btn_MessCancel, [this] { Btn_MessCancel_Click(host_); });
    settingsCancel_->setParent(settingsPanel_);
    applyPanelSizes(15);
}

void MainWindow::applyPanelSizes(int twipsPerPixel) {
    const MainScreen& m = host_.main;
    const int px = std::max(1, twipsPerPixel);
    twipsPerPixel_ = px;
    binder_.setTwipsPerPixel(px);
    const int width = std::max(m.Frm_Mess.width() / px, 560);
    const int headingHeight = settingsHeading_->fontMetrics().height() + 4;
    settingsHeading_->setGeometry(12, 8, width - 24, headingHeight);
    const int gridTop = std::max(32, 8 + headingHeight + 6);
    const int modelHeight = std::max(m.Spd_MessHeight / px, 60);
    const int rows = std::max(1, m.Spd_Mess.rowCount());
    // Every row as tall as its text and the precision list need; the seven rows share the
    // grid's height, so that none is hidden behind a scroll bar.
    QComboBox list;
    list.setFont(settingsGrid_->font());
    list.addItem(QStringLiteral("1/1000"));
    // A cell is a row less its grid line.
    const int needed = std::max(settingsGrid_->fontMetrics().height() + 8,
                                std::max(list.sizeHint().height(), list.minimumSizeHint().height()) + 1);
    const int rowHeight = std::max((modelHeight - 2) / rows, needed);
    const int gridHeight = std::max(modelHeight, rows * rowHeight + 2);
    settingsGrid_->setGeometry(12, gridTop, width - 24, gridHeight);
    settingsGrid_->verticalHeader()->setMinimumSectionSize(1);
    settingsGrid_->verticalHeader()->setDefaultSectionSize(rowHeight);
    // The buttons stand where the model puts them, or below the grid where it needs that room;
    // the panel ends below them.
    const int belowGrid = gridTop + gridHeight + 8;
    const int okTop = std::max(belowGrid, m.Btn_MessOkTop / px);
    const int cancelTop = std::max(belowGrid, m.Btn_MessCancelTop / px);
    const int buttonHeight = std::max(settingsOk_->sizeHint().height(), settingsCancel_->sizeHint().height());
    settingsCancel_->setGeometry(width - 12 - 100, cancelTop, 100, buttonHeight);
    settingsOk_->setGeometry(width - 12 - 210, okTop, 100, buttonHeight);
    const int modelPanelHeight = m.Frm_Mess.height() / px;
    settingsGrowth_ =
        QSize(0, std::max(0, std::max(okTop, cancelTop) + buttonHeight + 10 - modelPanelHeight));
    binder_.sync();
}

}  // namespace rennik::ui
