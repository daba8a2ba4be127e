#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The live view's web server: a read-only page of the run for the crew's phones, served on the
// pit network by the program itself. Every address but the page and its stream, under the key,
// gets the same plain refusal; nothing a request says can change anything.
//
// It runs on threads of its own and never touches the program's state: the program hands it
// each new snapshot (publish), which the open pages receive pushed as server-sent events.
// Bounded: a fixed number of connections are handled at once (more wait in the system's queue),
// a request's head and body are limited, a client silent for a few seconds is cut off, a few
// pages at most follow the run at once, and requests are answered at a steady pace at most, on
// threads that give way to the program's.
namespace httplib {
class Server;
}

namespace rennik::live {

inline constexpr int kMostPages = 12;       // pages following the run at once
inline constexpr int kConnectionWorkers = 24;  // connections handled at once

class LiveServer {
public:
    LiveServer();
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Listens on `address` ("0.0.0.0" for every interface) and `port` under `key`. Empty on
    // success, otherwise why not (the port is taken, the address is not this machine's).
    std::string start(const std::string& address, int port, const std::string& key);
    // Every open page is told the view has ended (within a second), and the server stops on a
    // thread of its own; returns at once.
    void stop();
    // stop(), and waits until the server's threads have ended, at most 2 s: a client that
    // trickles its request in keeps its thread until the request ends; that thread ends on its
    // own, or with the program.
    void finish();
    bool running() const;

    // The run as the pages show it (live_snapshot's JSON).
    void publish(std::string snapshot);
    // Pages following the run now.
    int pages() const;

private:
    struct Shared;
    struct Stopping;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<httplib::Server> server_;
    std::thread listener_;
    std::shared_ptr<Stopping> stopping_;  // the server turned off last
};

}  // namespace rennik::live
