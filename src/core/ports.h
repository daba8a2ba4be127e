#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/socket_error.h"
#include "core/controls.h"
#include "core/race_state.h"

// The small interfaces through which handlers reach the platform. The Qt binding implements
// them for the real program; tests implement them with scripted fakes.
namespace rennik {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, YesNo };
// The platform's answer codes: OK 1, Yes 6, No 7.
enum class Answer : std::int16_t { Ok = 1, Yes = 6, No = 7 };

struct MessageBoxRequest {
    std::string text;
    std::string title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    Answer defaultButton = Answer::Ok;
};

// The save-file dialog ComDilg: a title, the filter as description|pattern pairs separated by
// "|" ("テキストデータ (*.txt)|*.txt|全てのファイル (*.*)|*.*") and the file name it starts with.
struct SaveFileRequest {
    std::string title;
    std::string filter;
    std::string fileName;
};

// The file chosen in a save dialog (UTF-8), "" when it was cancelled, and which of the filter's
// description|pattern pairs was chosen, counted from 0.
struct SaveFileAnswer {
    std::string path;
    int filter = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal: other events (datagrams, timers) go on being handled while the box is open.
    virtual Answer messageBox(const MessageBoxRequest& request) = 0;
    // Modal input box with a prompt, a title and a default answer; Cancel answers "".
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    virtual void beep() = 0;
    // Modal save-file dialog.
    virtual SaveFileAnswer saveFileName(const SaveFileRequest& request) = 0;
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual LocalDateTime now() const = 0;
    // The same moment on the system clock, for what must be compared across a restart.
    virtual std::chrono::system_clock::time_point instant() const = 0;
};

// The race clock behind TickCount: ticks of 1 ms or 10 ms since the last start. It is derived
// from a monotonic clock, so a starved process or a minimised window never loses a tick.
class TickSource {
public:
    virtual ~TickSource() = default;
    // Counts from 0 again, one tick every msPerTick milliseconds.
    virtual void start(int msPerTick) = 0;
    // Freezes the count at its last value.
    virtual void stop() = 0;
    virtual std::int32_t count() const = 0;
    // The count at a moment of the monotonic clock (the arrival of a datagram): 0 before the
    // start, the frozen count after a stop.
    virtual std::int32_t countAt(std::chrono::steady_clock::time_point moment) const = 0;
    // The moment of the monotonic clock the count runs from (tick 0), and that clock now.
    virtual std::chrono::steady_clock::time_point startedAt() const = 0;
    virtual std::chrono::steady_clock::time_point moment() const = 0;
    // Runs on from a start made earlier, by a program that is gone: the count is what it would
    // have been had that program never stopped.
    virtual void resume(int msPerTick, std::chrono::steady_clock::time_point started) = 0;
};

// Moves the keyboard focus, for a handler that gives a refused entry back to its box.
class Focus {
public:
    virtual ~Focus() = default;
    virtual void setFocus(const Control& control) = 0;
};

// One UDP socket. Datagrams travel as raw bytes (Shift-JIS on the car link).
class UdpEndpoint {
public:
    virtual ~UdpEndpoint() = default;
    // `fromHost` is the sender as a dotted IPv4 address. `arrived` is the moment the datagram
    // reached this machine, on the monotonic clock of the race clock: as early as the platform
    // can tell it, at the latest the moment it was read.
    using Receiver = std::function<void(const std::string& datagram, const std::string& fromHost,
                                        std::chrono::steady_clock::time_point arrived)>;
    // Binds the local port and remembers where send() goes; says why when the port cannot be
    // bound.
    virtual OpenResult open(int localPort, const std::string& remoteHost, int remotePort) = 0;
    virtual void send(const std::string& datagram) = 0;
    // Sends from the bound port to another address than the one open() named.
    virtual void sendTo(const std::string& datagram, const std::string& host, int port) = 0;
    virtual void close() = 0;
    // Called on the user-interface thread for every datagram that arrives while open.
    virtual void setReceiver(Receiver receiver) = 0;
    // Hands every datagram already waiting on the socket to the receiver now, so that a
    // handler can judge a silence only after every report that came in before it.
    virtual void deliverPending() = 0;
    // This machine's own address on the local network, as the socket reports it.
    virtual std::string localIp() const = 0;
};

class SocketFactory {
public:
    virtual ~SocketFactory() = default;
    virtual std::unique_ptr<UdpEndpoint> create() = 0;
};

// The life of the program itself.
class Application {
public:
    virtual ~Application() = default;
    // Ends the program at once: every screen closes and no further handler runs.
    virtual void quit() = 0;
};

struct Ports {
    Dialogs& dialogs;
    WallClock& clock;
    TickSource& ticks;
    SocketFactory& sockets;
    Focus& focus;
    Application& app;
};

}  // namespace rennik
