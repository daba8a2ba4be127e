#include "ui/live_view_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHostAddress>
#include <QImage>
#include <QLabel>
#include <QNetworkInterface>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <qrcodegen.hpp>

#include "config/live_settings.h"
#include "live/live_key.h"
#include "live/live_snapshot.h"
#include "ui/qt_text.h"

namespace rennik::ui {
namespace {

// This machine's IPv4 addresses on its networks, the loopback last.
QStringList ownAddresses() {
    QStringList out;
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
            out << a.toString();
        }
    }
    out << QStringLiteral("127.0.0.1");
    return out;
}

// The QR code of `text`, each module `scale` pixels, with the quiet zone of four modules a
// phone's camera needs around it.
QPixmap qrCode(const QString& text, int scale) {
    const qrcodegen::QrCode code =
        qrcodegen::QrCode::encodeText(text.toUtf8().constData(), qrcodegen::QrCode::Ecc::MEDIUM);
    const int border = 4;
    const int side = code.getSize() + 2 * border;
    QImage image(side, side, QImage::Format_Mono);
    image.fill(1);
    for (int y = 0; y < code.getSize(); ++y) {
        for (int x = 0; x < code.getSize(); ++x) {
            if (code.getModule(x, y)) {
                image.setPixel(x + border, y + border, 0);
            }
        }
    }
    return QPixmap::fromImage(image.scaled(side * scale, side * scale));
}

}  // namespace

LiveViewWindow::LiveViewWindow(Host& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("LiveView"));
    setWindowTitle(QStringLiteral("スマホ表示"));
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.2);
    setFont(larger);

    const LiveSettings saved = loadLiveSettings(host_.race.IniPath);
    where_ = new QComboBox;
    where_->setObjectName(QStringLiteral("LiveAddress"));
    where_->addItem(QStringLiteral("すべてのネットワーク"), QStringLiteral("0.0.0.0"));
    for (const QString& a : ownAddresses()) {
        where_->addItem(a, a);
    }
    where_->setCurrentIndex(std::max(0, where_->findData(qs(saved.address))));
    port_ = new QSpinBox;
    port_->setObjectName(QStringLiteral("LivePort"));
    port_->setRange(1024, 65535);
    port_->setValue(saved.port);
    toggle_ = new QPushButton;
    toggle_->setObjectName(QStringLiteral("LiveToggle"));
    toggle_->setAutoDefault(false);
    connect(toggle_, &QPushButton::clicked, this, [this] { on() ? turnOff() : turnOn(); });
    link_ = new QLabel;
    link_->setObjectName(QStringLiteral("LiveLink"));
    link_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    code_ = new QLabel;
    code_->setAlignment(Qt::AlignCenter);
    pages_ = new QLabel;

    auto* g = new QGridLayout;
    g->addWidget(new QLabel(QStringLiteral("待ち受け")), 0, 0);
    g->addWidget(where_, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("ポート")), 1, 0);
    g->addWidget(port_, 1, 1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(g);
    v->addWidget(toggle_);
    v->addWidget(link_);
    v->addWidget(code_, 1);
    v->addWidget(pages_);
    v->addWidget(new QLabel(QStringLiteral("見るだけの表示です。アドレスを知っている人だけが開けます。\n"
                                           "切ると、開いているページはすべて終わります。")));
    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, [this] { showState(); });
    tick->start(1000);
    showState();
    resize(420, 560);
}

LiveViewWindow::~LiveViewWindow() = default;

void LiveViewWindow::turnOn() {
    const LiveSettings settings{where_->currentData().toString().toStdString(), port_->value()};
    const std::string key = live::NewKey();
    if (const std::string error = server_.start(settings.address, settings.port, key); !error.empty()) {
        host_.ports.dialogs.messageBox({error, "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
        return;
    }
    saveLiveSettings(settings, host_.race.IniPath);
    // A phone opens the address of this machine on the pit network; listening on one address,
    // that one.
    const QString host = settings.address == "0.0.0.0" ? ownAddresses().front() : qs(settings.address);
    address_ = QStringLiteral("http://%1:%2/%3/").arg(host).arg(settings.port).arg(qs(key));
    publish();
    showState();
}

void LiveViewWindow::turnOff() {
    server_.stop();
    address_.clear();
    showState();
}

void LiveViewWindow::publish() {
    if (server_.running()) {
        server_.publish(live::SnapshotJson(host_.main, host_.race));
    }
}

void LiveViewWindow::showState() {
    const bool live = on();
    toggle_->setText(live ? QStringLiteral("ライブ表示を切る") : QStringLiteral("ライブ表示を始める"));
    where_->setEnabled(!live);
    port_->setEnabled(!live);
    link_->setText(live ? address_ : QStringLiteral("切れています"));
    if (live) {
        if (code_->pixmap().isNull()) {
            code_->setPixmap(qrCode(address_, 6));
        }
        pages_->setText(QStringLiteral("見ているページ: %1").arg(server_.pages()));
    } else {
        code_->setPixmap(QPixmap());
        pages_->clear();
    }
}

}  // namespace rennik::ui
