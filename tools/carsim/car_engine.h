#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "carsim/reply.h"

class QTimer;
class QUdpSocket;

// The car PC of one slot, simulated: it reports while in contact with the pit, falls silent for
// the rest of the lap, echoes the lap number of the last record it was sent and measures its
// own laps on the monotonic clock, so the host's lap times can be held against them. A lossy
// radio link can be played: reports and replies are then lost on the way at random.
namespace rennik::carsim {

using Clock = std::chrono::steady_clock;

struct CarPlan {
    int slot = 0;
    QString host = QStringLiteral("127.0.0.1");
    QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4);
    double interval = 0.2;  // seconds between reports while in contact
    double contact = 1.0;   // seconds in contact at the start of each lap
    double lap = 5.0;       // seconds per lap
    double jitter = 0.0;    // each lap is longer or shorter by up to this many seconds
    // Laps driven; one more contact window at the end closes the last of them.
    int laps = 10;
    std::string message;  // UTF-8; goes out in Shift-JIS after the lap field
    // The chance (0 to 1) that a report never reaches the host, and, drawn apart, that a reply
    // never reaches the car.
    double loss = 0.0;
    // Of the jitter and of the losses. Each has a random stream of its own, so that the same
    // seed loses the same reports and replies whatever the jitter, and the same laps are driven
    // whatever the loss.
    unsigned seed = 1;
};

// What a reply's record is to the car: none, the one it holds already, a record the host had
// before this car closed any lap (of an earlier run or another car: the car takes it as the
// record it holds, not as one of its laps), or the record of a lap the host has just closed.
enum class ReplyKind { NoRecord, Repeat, Baseline, NewRecord };

struct ReplyEvent {
    DecodedReply reply;
    ReplyKind kind = ReplyKind::NoRecord;
    int window = 0;                   // contact window (0 = the first) in which it arrived
    std::optional<double> latencyMs;  // from the send of the report it answers
};

// One lap as both sides saw it: the car's own measure (between the first reports that reached
// the host in two contact windows) and the lap number and last-lap time of the first new record
// that came back in the window that closed it (none when no new record came in that window).
struct LapComparison {
    int lap = 0;  // the car's own count, from 1
    double ownMs = 0;
    std::optional<int> hostLap;
    std::optional<std::int64_t> hostMs;
};

struct CarSummary {
    // The send of the first report that was not lost, in every contact window that had one. A
    // window whose reports were all lost is one long silence to the host as well: the lap
    // measured across it is one lap on both sides.
    std::vector<Clock::time_point> windowStarts;
    std::vector<double> ownLapMs;
    std::vector<LapComparison> laps;
    std::vector<double> latencyMs;
    int reports = 0;         // every report made, the lost ones included
    int droppedReports = 0;  // lost on the way to the host
    int replies = 0;         // received, the lost ones not included
    int droppedReplies = 0;  // lost on the way to the car
    int unheardWindows = 0;  // contact windows whose reports were all lost
    int noRecord = 0;
    int repeats = 0;
    int baselines = 0;
    int newRecords = 0;
};

class CarEngine : public QObject {
    Q_OBJECT
public:
    explicit CarEngine(CarPlan plan, QObject* parent = nullptr);
    ~CarEngine() override;

    // Binds the car port and sends the first report at once; false (see error()) when the
    // port cannot be bound.
    bool start();
    // Stops sending; finished() follows.
    void stop();
    bool running() const { return running_; }
    QString error() const { return error_; }

    const CarSummary& summary() const { return summary_; }
    // The lap field the next report carries: that of the last record received, "000" before.
    const std::string& lapField() const { return lapField_; }

    // Called on the engine's own thread as things happen (for printing and for tests).
    std::function<void(const ReplyEvent&)> onReply;
    std::function<void(const LapComparison&)> onLap;

signals:
    void finished();

private:
    void tick();
    void sendReport();
    void beginWindow();
    void closeWindow();
    void beginLap(Clock::time_point sentAt);
    bool lost(std::mt19937& stream);
    void readReplies();
    void handleReply(const std::string& bytes, Clock::time_point at);
    void settleLap(std::optional<int> hostLap, std::optional<std::int64_t> hostMs);
    void scheduleNext();
    void finish();

    CarPlan plan_;
    QUdpSocket* socket_;
    QTimer* timer_;
    std::mt19937 random_;
    std::mt19937 reportLoss_;
    std::mt19937 replyLoss_;
    QString error_;
    bool running_ = false;

    std::string lapField_ = "000";
    std::string lastBody_;
    // Where the schedule stands: the planned start of the current window and its next report.
    Clock::time_point windowPlanned_{};
    Clock::time_point nextSend_{};
    int window_ = -1;
    bool startsWindow_ = false;
    bool windowHeard_ = false;  // a report of the current window was not lost
    bool finishing_ = false;
    // The lap closed by the current window, until a new record arrives in it.
    std::optional<LapComparison> pendingLap_;
    std::deque<Clock::time_point> unanswered_;
    CarSummary summary_;
};

}  // namespace rennik::carsim
