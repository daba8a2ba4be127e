#include "soak_host.h"

#include <QTableWidget>

#include <utility>

#include "base/sjis.h"
#include "base/text_file.h"
#include "carlink/address_setup.h"
#include "core/startup.h"
#include "report/result_file.h"
#include "timing/run_control.h"

namespace rennik::bench {
namespace {

using Clock = std::chrono::steady_clock;

// An endpoint of the program, passed through; on the probe's port the probe hears it.
class ProbedEndpoint : public UdpEndpoint {
public:
    ProbedEndpoint(std::unique_ptr<UdpEndpoint> inner, const SocketProbe& probe)
        : inner_(std::move(inner)), probe_(probe) {}

    OpenResult open(int localPort, const std::string& remoteHost, int remotePort) override {
        const OpenResult result = inner_->open(localPort, remoteHost, remotePort);
        port_ = result.ok() ? localPort : 0;
        return result;
    }
    void send(const std::string& datagram) override {
        inner_->send(datagram);
        if (heard() && probe_.sent) {
            probe_.sent();
        }
    }
    void sendTo(const std::string& datagram, const std::string& host, int port) override {
        inner_->sendTo(datagram, host, port);
    }
    void close() override {
        inner_->close();
        port_ = 0;
    }
    void setReceiver(Receiver receiver) override {
        // The handler may close or end this endpoint: nothing of it is touched after the call.
        inner_->setReceiver([this, probe = &probe_, receiver = std::move(receiver)](
                                const std::string& datagram, const std::string& fromHost, Clock::time_point arrived) {
            const bool probed = heard();
            if (probed && probe->read) {
                probe->read(arrived);
            }
            receiver(datagram, fromHost, arrived);
            if (probed && probe->handled) {
                probe->handled();
            }
        });
    }
    void deliverPending() override { inner_->deliverPending(); }
    std::string localIp() const override { return inner_->localIp(); }

private:
    bool heard() const { return port_ != 0 && port_ == probe_.port; }

    std::unique_ptr<UdpEndpoint> inner_;
    const SocketProbe& probe_;
    int port_ = 0;
};

// Rennik.ini as the soak needs it; everything else the program writes with its defaults.
const std::filesystem::path& prepared(const std::filesystem::path& folder) {
    text_file::writeBytesAtomic(folder / "Rennik.ini", sjis::fromUtf8("[計測環境設定]\r\n"
                                                                      "計測精度=1/1000\r\n"
                                                                      "ラップ加算無通信秒数=1\r\n"));
    return folder;
}

}  // namespace

void BenchApplication::timePaints(QWidget* widget, std::function<void(std::chrono::nanoseconds)> onPaint) {
    painted_ = widget;
    onPaint_ = std::move(onPaint);
}

bool BenchApplication::notify(QObject* receiver, QEvent* event) {
    if (event->type() != QEvent::Paint || !onPaint_ || painted_.isNull() || !receiver->isWidgetType()) {
        return QApplication::notify(receiver, event);
    }
    auto* widget = static_cast<QWidget*>(receiver);
    if (widget != painted_ && !painted_->isAncestorOf(widget)) {
        return QApplication::notify(receiver, event);
    }
    const auto began = Clock::now();
    const bool result = QApplication::notify(receiver, event);
    onPaint_(Clock::now() - began);
    return result;
}

std::unique_ptr<UdpEndpoint> ProbedSockets::create() {
    return std::make_unique<ProbedEndpoint>(program_.create(), probe);
}

void ProbedSockets::setRedraw(std::function<void()> redraw) {
    program_.setAfterDatagram([this, redraw = std::move(redraw)] {
        const auto began = Clock::now();
        redraw();
        if (probe.redrawn) {
            probe.redrawn(Clock::now() - began);
        }
    });
}

SoakHost::SoakHost(double speed)
    : ticks(speed),
      host(Ports{dialogs, clock, ticks, sockets, focus, app}, prepared(dir.path())),
      window(host) {
    focus.setWindow(&window);
    sockets.setRedraw([this] { window.sync(); });
    Mf_Open_Load(host, 28800, 16200);
    window.run([this] { Timer1_Timer(host); });
}

void SoakHost::enterAddress(const std::string& address) {
    dialogs.typeNext(address);
    window.run([this] { Btn_ClientNoSet_Click(host, 0); });
}

void SoakHost::start() {
    window.run([this] { Btn_Start_Click(host); });
}

void SoakHost::stop() {
    dialogs.answerNext(Answer::Yes);
    window.run([this] { Btn_Start_Click(host); });
}

void SoakHost::save(const std::string& path) {
    dialogs.saveAsNext(path);
    window.run([this] { Btn_Write_Click(host); });
}

QTableWidget* SoakHost::lapTable() {
    return window.findChild<QTableWidget*>(QString::fromStdString(host.main.car.Spd_LapTime.name()));
}

}  // namespace rennik::bench
