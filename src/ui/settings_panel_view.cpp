// The settings panel "環境設定" of the main screen, laid out by position: its height, its grid's
// height and its buttons' top are the sizes the main screen's opening sets.
#include <QHeaderView>
#include <QLabel>

#include <algorithm>

#include "config/settings_panel.h"
#include "ui/main_window.h"

namespace rennik::ui {

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
    GridEvents events;
    events.cellChanged = [this](int col, int row, int fromCol, int fromRow) {
        run([=, this] { Spd_Mess_CellChanged(host_, col, row, fromCol, fromRow); });
    };
    settingsGrid_ = grid(m.Spd_Mess, std::move(events));
    settingsGrid_->setParent(settingsPanel_);
    settingsGrid_->horizontalHeader()->hide();
    settingsGrid_->verticalHeader()->hide();
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
    const int gridTop = 32;
    // The seven rows share the grid's height, so that none is hidden behind a scroll bar.
    const int gridHeight = std::max(m.Spd_MessHeight / px, 60);
    settingsGrid_->setGeometry(12, gridTop, width - 24, gridHeight);
    const int rowHeight = std::max(1, (gridHeight - 2) / std::max(1, m.Spd_Mess.rowCount()));
    settingsGrid_->verticalHeader()->setMinimumSectionSize(1);
    settingsGrid_->verticalHeader()->setDefaultSectionSize(rowHeight);
    settingsGrid_->setColumnWidth(0, (width - 24) * 11 / 20);
    const int okTop = m.Btn_MessOkTop > 0 ? m.Btn_MessOkTop / px : gridTop + gridHeight + 8;
    const int cancelTop = m.Btn_MessCancelTop > 0 ? m.Btn_MessCancelTop / px : okTop;
    settingsCancel_->setGeometry(width - 12 - 100, cancelTop, 100, settingsCancel_->sizeHint().height());
    settingsOk_->setGeometry(width - 12 - 210, okTop, 100, settingsOk_->sizeHint().height());
    binder_.sync();
}

}  // namespace rennik::ui
