#include "ui/qt_ports.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_WIN
#include "ui/save_dialog_windows.h"
#endif

namespace rennik::ui {
namespace {

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer QtDialogs::messageBox(const MessageBoxRequest& request) {
    if (unattended_) {
        std::fprintf(stderr, "%s: %s\n", request.title.c_str(), request.text.c_str());
        return request.buttons == MsgButtons::YesNo ? request.defaultButton : Answer::Ok;
    }
    // A box asked before the main window shows (a run to resume) stands in the screen's middle.
    QWidget* parent = parent_ != nullptr && parent_->isVisible() ? parent_.data() : nullptr;
    QMessageBox box(qtIcon(request.icon), QString::fromStdString(request.title),
                    QString::fromStdString(request.text), QMessageBox::NoButton, parent);
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultButton == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText) {
    if (unattended_) {
        return {};
    }
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent_.data(), QString::fromStdString(title), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
    return ok ? answer.toStdString() : std::string();
}

void QtDialogs::beep() { QApplication::beep(); }

SaveFileAnswer QtDialogs::saveFileName(const SaveFileRequest& request) {
    if (unattended_) {
        return {};
    }
#ifdef Q_OS_WIN
    int filter = 0;
    const QString path = windowsSaveFileName(parent_.data(), QString::fromStdString(request.title),
                                             QString::fromStdString(request.filter),
                                             QString::fromStdString(request.fileName), filter);
    return {path.toStdString(), filter};
#else
    // "description|pattern|description|pattern" as Qt writes filters: "description (pattern)",
    // separated by ";;"; a description that already names its pattern is taken as it stands.
    const QStringList parts = QString::fromStdString(request.filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << (parts[i].contains(parts[i + 1]) ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    }
    QString chosen;
    const QString path = QFileDialog::getSaveFileName(parent_.data(), QString::fromStdString(request.title),
                                                      QString::fromStdString(request.fileName),
                                                      filters.join(";;"), &chosen);
    return {path.toStdString(), static_cast<int>(std::max<qsizetype>(filters.indexOf(chosen), 0))};
#endif
}

LocalDateTime QtWallClock::now() const {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime c = t.time();
    return {d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second()};
}

std::unique_ptr<UdpEndpoint> QtSocketFactory::create() {
    return std::make_unique<QtUdpEndpoint>(afterDatagram_, tally_);
}

void QtFocus::setFocus(const Control& control) {
    if (window_ == nullptr) {
        return;
    }
    if (auto* w = window_->findChild<QWidget*>(QString::fromStdString(control.name())); w != nullptr) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

void QtApplication::quit() { QCoreApplication::exit(0); }

}  // namespace rennik::ui
