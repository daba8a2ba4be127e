#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/ports.h"

// Hand-written fakes of the platform ports for core tests: each records what the handlers ask
// of it and answers from what the test set up beforehand. Nothing here touches a real screen,
// clock or network.
namespace rennik::test {

// Message boxes and beeps. Every box is recorded; the answer is the next one queued with
// answerNext(), or the box's own default button when none is queued (as pressing Enter would).
class FakeDialogs : public Dialogs {
public:
    std::vector<MessageBoxRequest> boxes;
    std::deque<Answer> answers;
    int beeps = 0;
    // Runs while a box is open, before it answers: the place to deliver a datagram or tick a
    // timer, as the platform's nested event loop would.
    std::function<void(const MessageBoxRequest&)> whileOpen;

    void answerNext(Answer answer) { answers.push_back(answer); }

    Answer messageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        if (whileOpen) {
            whileOpen(request);
        }
        if (answers.empty()) {
            return request.defaultButton;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void beep() override { ++beeps; }

    // Input boxes: recorded; the answer is the next one queued with typeNext(), or "" (Cancel).
    struct InputRequest {
        std::string prompt;
        std::string title;
        std::string defaultText;
    };
    std::vector<InputRequest> inputs;
    std::deque<std::string> typed;

    void typeNext(std::string answer) { typed.push_back(std::move(answer)); }

    // Save dialogs: recorded; the answer is the next path (and filter) queued with saveAsNext(),
    // or "" (Cancel).
    std::vector<SaveFileRequest> saves;
    std::deque<SaveFileAnswer> savePaths;

    void saveAsNext(std::string path, int filter = 0) { savePaths.push_back({std::move(path), filter}); }

    SaveFileAnswer saveFileName(const SaveFileRequest& request) override {
        saves.push_back(request);
        if (savePaths.empty()) {
            return {};
        }
        SaveFileAnswer answer = std::move(savePaths.front());
        savePaths.pop_front();
        return answer;
    }

    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override {
        inputs.push_back({prompt, title, defaultText});
        if (typed.empty()) {
            return "";
        }
        std::string answer = std::move(typed.front());
        typed.pop_front();
        return answer;
    }
};

// The race clock, set by hand: count is what the test says, frozen or not. Its moments on the
// monotonic clock are whole ticks from the clock's epoch, so momentOf(t) counts as tick t.
class FakeTicks : public TickSource {
public:
    using Moment = std::chrono::steady_clock::time_point;
    std::int32_t now = 0;
    bool running = false;
    int msPerTick = 0;
    int starts = 0;
    int stops = 0;

    void start(int ms) override {
        msPerTick = ms;
        now = 0;
        running = true;
        ++starts;
    }
    void stop() override {
        running = false;
        ++stops;
    }
    std::int32_t count() const override { return now; }
    std::int32_t countAt(Moment moment) const override {
        return static_cast<std::int32_t>((moment - Moment{}) / std::chrono::milliseconds(1));
    }
    // Tick n is n ms after the clock's epoch: the count starts there.
    Moment startedAt() const override { return Moment{}; }
    Moment moment() const override { return momentOf(now); }
    std::optional<Moment> resumedFrom;
    void resume(int ms, Moment started) override {
        msPerTick = ms;
        running = true;
        resumedFrom = started;
    }
    static Moment momentOf(std::int32_t tick) { return Moment{} + std::chrono::milliseconds(tick); }
};

// Records where handlers put the focus.
class FakeFocus : public Focus {
public:
    std::vector<std::string> moves;
    void setFocus(const Control& control) override { moves.push_back(control.name()); }
};

class FakeClock : public WallClock {
public:
    LocalDateTime current{2024, 5, 12, 9, 30, 0};

    void set(const LocalDateTime& when) { current = when; }
    LocalDateTime now() const override { return current; }
    std::chrono::system_clock::time_point system{std::chrono::hours(24 * 20000)};
    std::chrono::system_clock::time_point instant() const override { return system; }
};

// What happened on the fake network, shared by the factory and every endpoint it made, so it
// can be read after an endpoint is gone and in whatever order the objects are destroyed.
struct FakeNetwork {
    struct Open {
        int localPort = 0;
        std::string remoteHost;
        int remotePort = 0;
        bool bound = false;
    };
    struct Datagram {
        int localPort = 0;
        std::string remoteHost;
        int remotePort = 0;
        std::string bytes;
    };

    // Ports that some other program holds: opening one of them fails.
    std::set<int> takenPorts;
    // Ports the system refuses for another reason (no permission, no network), and why.
    std::map<int, OpenResult> refusals;
    std::string localIp = "192.168.1.10";

    std::vector<Open> opens;
    std::vector<Datagram> sent;
    int closes = 0;
    // Datagrams that arrived but wait to be read, by local port; deliverPending() hands them over.
    std::vector<std::pair<int, std::function<void()>>> waiting;

    // Endpoints bound now, by local port, with their receivers.
    std::vector<std::pair<int, UdpEndpoint::Receiver*>> bound;

    // Hands every datagram waiting on `port` to its receiver, oldest first.
    void handOver(int port) {
        for (;;) {
            auto it = waiting.begin();
            while (it != waiting.end() && it->first != port) {
                ++it;
            }
            if (it == waiting.end()) {
                return;
            }
            const std::function<void()> hand = std::move(it->second);
            waiting.erase(it);
            hand();
        }
    }

    bool isBound(int port) const {
        for (const auto& [p, receiver] : bound) {
            if (p == port) {
                return true;
            }
        }
        return false;
    }
};

class FakeUdpEndpoint : public UdpEndpoint {
public:
    explicit FakeUdpEndpoint(std::shared_ptr<FakeNetwork> net) : net_(std::move(net)) {}
    ~FakeUdpEndpoint() override { unbind(); }

    OpenResult open(int localPort, const std::string& remoteHost, int remotePort) override {
        unbind();
        // A port bound twice fails, as it does on a real machine.
        OpenResult result;
        if (net_->takenPorts.count(localPort) != 0 || net_->isBound(localPort)) {
            result = {SocketError::PortInUse, 0};
        } else if (const auto refused = net_->refusals.find(localPort); refused != net_->refusals.end()) {
            result = refused->second;
        }
        const bool ok = result.ok();
        net_->opens.push_back({localPort, remoteHost, remotePort, ok});
        if (ok) {
            localPort_ = localPort;
            remoteHost_ = remoteHost;
            remotePort_ = remotePort;
            net_->bound.emplace_back(localPort, &receiver_);
        }
        return result;
    }

    void send(const std::string& datagram) override {
        net_->sent.push_back({localPort_, remoteHost_, remotePort_, datagram});
    }
    void sendTo(const std::string& datagram, const std::string& host, int port) override {
        net_->sent.push_back({localPort_, host, port, datagram});
    }
    void deliverPending() override {
        if (localPort_ != 0) {
            net_->handOver(localPort_);
        }
    }

    void close() override {
        ++net_->closes;
        unbind();
    }

    void setReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
    std::string localIp() const override { return net_->localIp; }

private:
    void unbind() {
        auto& b = net_->bound;
        for (auto it = b.begin(); it != b.end(); ++it) {
            if (it->second == &receiver_) {
                b.erase(it);
                break;
            }
        }
        localPort_ = 0;
    }

    std::shared_ptr<FakeNetwork> net_;
    Receiver receiver_;
    int localPort_ = 0;
    std::string remoteHost_;
    int remotePort_ = 0;
};

class FakeSocketFactory : public SocketFactory {
public:
    std::shared_ptr<FakeNetwork> net = std::make_shared<FakeNetwork>();
    int created = 0;

    std::unique_ptr<UdpEndpoint> create() override {
        ++created;
        return std::make_unique<FakeUdpEndpoint>(net);
    }

    // Hands a datagram to the endpoint bound to `localPort`, as if it had arrived from
    // `fromHost` at `arrived`; false when nothing is bound there or it has no receiver.
    bool deliver(int localPort, const std::string& datagram, const std::string& fromHost = "127.0.0.1",
                 FakeTicks::Moment arrived = FakeTicks::Moment{}) {
        for (const auto& [port, receiver] : net->bound) {
            if (port == localPort && *receiver) {
                // Copy first: the receiver may close or rebind its own endpoint.
                const UdpEndpoint::Receiver call = *receiver;
                call(datagram, fromHost, arrived);
                return true;
            }
        }
        return false;
    }
    // Hands over what waits on `localPort`, as the endpoint bound there would when asked.
    void deliverPendingOn(int localPort) { net->handOver(localPort); }
    // A datagram that arrived at tick `arrivedTick` but waits on the socket until the handler
    // of `localPort` reads it (deliverPending) or the test hands it over itself.
    void queue(int localPort, const std::string& datagram, const std::string& fromHost,
               std::int32_t arrivedTick) {
        net->waiting.emplace_back(localPort, [this, localPort, datagram, fromHost, arrivedTick] {
            deliver(localPort, datagram, fromHost, FakeTicks::momentOf(arrivedTick));
        });
    }
};

class FakeApplication : public Application {
public:
    int quits = 0;
    void quit() override { ++quits; }
};

// All fakes in one place; ports() hands them to a Host. Keep the FakePorts alive (and in
// place) for as long as the Host that uses it.
struct FakePorts {
    FakeDialogs dialogs;
    FakeClock clock;
    FakeTicks ticks;
    FakeSocketFactory sockets;
    FakeFocus focus;
    FakeApplication app;

    FakePorts() = default;
    FakePorts(const FakePorts&) = delete;
    FakePorts& operator=(const FakePorts&) = delete;

    Ports ports() { return Ports{dialogs, clock, ticks, sockets, focus, app}; }
};

}  // namespace rennik::test
