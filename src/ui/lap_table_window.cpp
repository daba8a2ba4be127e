#include "ui/lap_table_window.h"

#include <QLabel>

#include <utility>

namespace rennik::ui {

LapTableWindow::LapTableWindow(QWidget* parent, const QString& objectName, QString kind)
    : QWidget(parent, Qt::Window), heading_(new QLabel), kind_(std::move(kind)) {
    setObjectName(objectName);
    QFont bold = heading_->font();
    bold.setBold(true);
    heading_->setFont(bold);
}

void LapTableWindow::follow(const Grid* laps, const AppSettings* settings, const QString& title) {
    laps_ = laps;
    settings_ = settings;
    rows_ = LapRowCache();
    drawn_.reset();
    setTitle(title);
    refresh();
}

void LapTableWindow::setTitle(const QString& title) {
    setWindowTitle(kind_ + QStringLiteral(" - ") + title);
    heading_->setText(title);
}

void LapTableWindow::refresh() {
    if (!isVisible() || laps_ == nullptr || (drawn_ && *drawn_ == laps_->revision())) {
        return;
    }
    redraw();
    drawn_ = laps_->revision();
}

void LapTableWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

}  // namespace rennik::ui
