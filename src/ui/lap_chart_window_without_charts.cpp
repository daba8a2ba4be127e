// The lap chart's window in a Windows package made without Qt Charts: it says so, and points to
// what the package does have. The stint table and the CSV exports are the same in every build.
#include <QLabel>
#include <QVBoxLayout>

#include "ui/lap_chart_window.h"

namespace rennik::ui {

LapChartWindow::LapChartWindow(QWidget* parent)
    : LapTableWindow(parent, QStringLiteral("LapChart"), QStringLiteral("ラップチャート")) {
    auto* notice = new QLabel(QStringLiteral("この Rennik1 は Qt Charts なしで作られたため、ラップチャートを表示できません。\n"
                                             "スティント表と CSV 保存は使えます。"));
    notice->setAlignment(Qt::AlignCenter);
    auto* v = new QVBoxLayout(this);
    v->addWidget(heading_);
    v->addWidget(notice, 1);
    resize(640, 240);
}

LapChartWindow::~LapChartWindow() = default;

void LapChartWindow::redraw() {}

int LapChartWindow::points() const { return 0; }

}  // namespace rennik::ui
