#include "ui/layout_dump.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "base/text_file.h"

namespace rennik::ui {
namespace {

const QString kMainWindow = QStringLiteral("Main");

QString rect(const QRect& r) {
    return QStringLiteral("%1\t%2\t%3\t%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect global(const QWidget& w, const QRect& local) { return local.translated(w.mapToGlobal(QPoint(0, 0))); }

}  // namespace

LayoutDump::LayoutDump(QString path) : path_(std::move(path)) { qApp->installEventFilter(this); }

bool LayoutDump::write(const QWidget& window) const {
    const QScreen* screen = window.screen();
    QString text = QStringLiteral("screen\t") +
                   rect(screen != nullptr ? screen->availableGeometry() : QRect()) +
                   QStringLiteral("\nwindow\t") + rect(window.frameGeometry()) + QLatin1Char('\n');
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty()) {
            continue;
        }
        const QRect shown = w->isVisible() ? w->visibleRegion().boundingRect() : QRect();
        text += QStringLiteral("widget\t%1\t%2\t%3\t")
                    .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))
                    .arg(w->isVisible() ? 1 : 0) +
                rect(global(*w, w->rect())) + QLatin1Char('\t') +
                rect(shown.isEmpty() ? QRect() : global(*w, shown)) + QLatin1Char('\n');
    }
    const QByteArray bytes = text.toUtf8();
    return text_file::writeBytesAtomic(text_file::pathFromUtf8(path_.toStdString()),
                                       std::string_view(bytes.constData(), bytes.size()));
}

// Every change of the main window's layout, coalesced into one write once the event loop has
// finished with it (a layout places the children only after the window's own event).
bool LayoutDump::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            break;
        default:
            return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || pending_) {
        return false;
    }
    // The main window's own windows (the live view, the stints) are part of its layout.
    QWidget* main = widget->window();
    while (main->parentWidget() != nullptr) {
        main = main->parentWidget()->window();
    }
    if (main->objectName() != kMainWindow) {
        return false;
    }
    pending_ = true;
    QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(main)] {
        pending_ = false;
        if (window != nullptr && window->isVisible()) {
            write(*window);
        }
    });
    return false;
}

}  // namespace rennik::ui
