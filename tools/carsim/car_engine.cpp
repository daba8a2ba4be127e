#include "carsim/car_engine.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>

#include "base/sjis.h"
#include "carlink/wire_format.h"

namespace rennik::carsim {
namespace {

// After the last report, the replies still on their way are waited for this long.
constexpr auto kGrace = std::chrono::milliseconds(200);

Clock::duration seconds(double s) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A random stream of its own for each use of the seed.
std::mt19937 stream(unsigned seed, unsigned use) {
    std::seed_seq sequence{seed, use};
    return std::mt19937(sequence);
}

}  // namespace

CarEngine::CarEngine(CarPlan plan, QObject* parent)
    : QObject(parent),
      plan_(std::move(plan)),
      socket_(new QUdpSocket(this)),
      timer_(new QTimer(this)),
      random_(plan_.seed),
      reportLoss_(stream(plan_.seed, 1)),
      replyLoss_(stream(plan_.seed, 2)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (finishing_) {
            finish();
        } else {
            tick();
        }
    });
    connect(socket_, &QUdpSocket::readyRead, this, [this] { readReplies(); });
}

CarEngine::~CarEngine() = default;

bool CarEngine::start() {
    // The car's port is the one the host sends its replies to.
    const int port = wire::carRemotePort(plan_.slot);
    // Not shared: a second simulator on the same port must fail here, not split the replies.
    if (!socket_->bind(plan_.bindAddress, static_cast<quint16>(port), QAbstractSocket::DontShareAddress)) {
        error_ = QStringLiteral("cannot bind UDP port %1: %2").arg(port).arg(socket_->errorString());
        return false;
    }
    running_ = true;
    finishing_ = false;
    const Clock::time_point now = Clock::now();
    windowPlanned_ = now;
    nextSend_ = now;
    startsWindow_ = true;
    tick();
    return true;
}

void CarEngine::stop() {
    if (running_) {
        finish();
    }
}

void CarEngine::tick() {
    if (startsWindow_) {
        beginWindow();
    }
    sendReport();
    scheduleNext();
}

void CarEngine::beginWindow() {
    closeWindow();
    ++window_;
    windowHeard_ = false;
    // A reply that has not come by now is not coming; later ones must not be timed from it.
    unanswered_.clear();
}

void CarEngine::closeWindow() {
    if (window_ >= 0 && !windowHeard_) {
        ++summary_.unheardWindows;
    }
    if (pendingLap_) {
        settleLap(std::nullopt, std::nullopt);  // no new record came in the window
    }
}

// The first report of a window that reaches the host ends the car's lap, as it ends the host's.
void CarEngine::beginLap(Clock::time_point sentAt) {
    windowHeard_ = true;
    summary_.windowStarts.push_back(sentAt);
    const std::size_t starts = summary_.windowStarts.size();
    if (starts >= 2) {
        const double own = msBetween(summary_.windowStarts[starts - 2], sentAt);
        summary_.ownLapMs.push_back(own);
        pendingLap_ = LapComparison{static_cast<int>(starts - 1), own, std::nullopt, std::nullopt};
    }
}

bool CarEngine::lost(std::mt19937& stream) {
    return plan_.loss > 0 && std::bernoulli_distribution(plan_.loss)(stream);
}

void CarEngine::sendReport() {
    const std::string bytes = sjis::fromUtf8(lapField_ + plan_.message);
    ++summary_.reports;
    if (lost(reportLoss_)) {
        ++summary_.droppedReports;
        return;
    }
    // The clock is read last, just before the send: the host times the lap from the arrival,
    // so any work between the reading and the send would count as lap-time error.
    const Clock::time_point sentAt = Clock::now();
    socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), QHostAddress(plan_.host),
                           static_cast<quint16>(wire::carLocalPort(plan_.slot)));
    unanswered_.push_back(sentAt);
    if (!windowHeard_) {
        beginLap(sentAt);
    }
}

void CarEngine::scheduleNext() {
    const Clock::time_point next = nextSend_ + seconds(plan_.interval);
    if (next - windowPlanned_ < seconds(plan_.contact)) {
        nextSend_ = next;
        startsWindow_ = false;
    } else if (window_ >= plan_.laps) {
        finishing_ = true;
        nextSend_ += kGrace;
    } else {
        std::uniform_real_distribution<double> vary(-plan_.jitter, plan_.jitter);
        const double lap = std::max(plan_.contact, plan_.lap + (plan_.jitter > 0 ? vary(random_) : 0.0));
        windowPlanned_ += seconds(lap);
        nextSend_ = windowPlanned_;
        startsWindow_ = true;
    }
    const double waitMs = std::max(0.0, msBetween(Clock::now(), nextSend_));
    timer_->start(static_cast<int>(std::ceil(waitMs)));
}

void CarEngine::readReplies() {
    const Clock::time_point at = Clock::now();
    // The car talks to its own host only: anything from another sender is dropped unread.
    const QHostAddress host(plan_.host);
    // A reply handler may stop the car, which closes the socket.
    while (running_ && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_->receiveDatagram();
        if (!d.senderAddress().isEqual(host, QHostAddress::ConvertV4MappedToIPv4)) {
            continue;
        }
        const QByteArray data = d.data();
        handleReply(std::string(data.constData(), static_cast<std::size_t>(data.size())), at);
    }
}

void CarEngine::handleReply(const std::string& bytes, Clock::time_point at) {
    if (lost(replyLoss_)) {
        ++summary_.droppedReplies;
        // It answered the oldest report still waiting: the next reply is timed from the one after.
        if (!unanswered_.empty()) {
            unanswered_.pop_front();
        }
        return;
    }
    ReplyEvent event;
    event.reply = decodeReply(sjis::toUtf8(bytes));
    event.window = std::max(window_, 0);
    ++summary_.replies;
    if (!unanswered_.empty()) {
        event.latencyMs = msBetween(unanswered_.front(), at);
        summary_.latencyMs.push_back(*event.latencyMs);
        unanswered_.pop_front();
    }
    const std::optional<LapRecordFields>& record = event.reply.record;
    if (!record) {
        event.kind = ReplyKind::NoRecord;
        ++summary_.noRecord;
    } else if (record->body == lastBody_) {
        event.kind = ReplyKind::Repeat;
        ++summary_.repeats;
    } else if (summary_.ownLapMs.empty()) {
        event.kind = ReplyKind::Baseline;
        ++summary_.baselines;
        lastBody_ = record->body;
    } else {
        event.kind = ReplyKind::NewRecord;
        ++summary_.newRecords;
        lastBody_ = record->body;
    }
    if (record) {
        lapField_ = record->lapField;
    }
    if (onReply) {
        onReply(event);
    }
    // With losses the reply to the report that closed the lap may be lost: the first new record
    // in the window, whichever report it answers, is the host's time of the lap.
    if (pendingLap_ && running_ && event.kind == ReplyKind::NewRecord) {
        settleLap(record->lapNumber, record->lastLapMs);
    }
}

void CarEngine::settleLap(std::optional<int> hostLap, std::optional<std::int64_t> hostMs) {
    pendingLap_->hostLap = hostLap;
    pendingLap_->hostMs = hostMs;
    summary_.laps.push_back(*pendingLap_);
    const LapComparison lap = *pendingLap_;
    pendingLap_.reset();
    if (onLap) {
        onLap(lap);
    }
}

void CarEngine::finish() {
    closeWindow();
    running_ = false;
    timer_->stop();
    socket_->close();
    emit finished();
}

}  // namespace rennik::carsim
