#include "live/live_server.h"

#include <httplib.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <vector>

#include "live/live_key.h"
#include "live/live_page.h"

namespace rennik::live {
namespace {

using namespace std::chrono_literals;

// How long a page waits for news before the stream says it is still there (a comment line),
// and how often a waiting stream looks whether the view has ended.
constexpr auto kKeepAlive = 15s;
constexpr auto kLook = 250ms;
// Requests answered, at most one in this time: 50 a second.
constexpr auto kTurn = 20ms;
// The longest the program waits for a view turned off to let go of its port, or at its end for
// the view's threads.
constexpr auto kMostFinish = 2000ms;

// The view's threads give way to the program's: a report, the lap display and the window
// always come first, however busy the pages keep the view. (On Linux each thread has a nice
// value of its own.)
void giveWay() {
#ifdef _WIN32
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
#endif
}

// Connections are handled by a fixed number of threads. While all are busy and a short queue is
// full, the server stops taking connections: the rest wait in the system's queue, or are refused
// there, rather than each holding a thread or memory of the program's.
class BoundedWorkers : public httplib::TaskQueue {
public:
    explicit BoundedWorkers(int workers) : most_(static_cast<std::size_t>(workers)) {
        for (int i = 0; i < workers; ++i) {
            threads_.emplace_back([this] {
                giveWay();
                work();
            });
        }
    }
    void enqueue(std::function<void()> job) override {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return jobs_.size() < most_ || stopping_; });
        jobs_.push_back(std::move(job));
        waiting_.notify_one();
    }
    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        waiting_.notify_all();
        room_.notify_all();
        for (std::thread& t : threads_) {
            t.join();
        }
    }

private:
    void work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                waiting_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
                if (jobs_.empty()) {
                    return;
                }
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            room_.notify_one();
            job();
        }
    }

    const std::size_t most_;
    std::mutex mutex_;
    std::condition_variable waiting_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

// The one answer to everything that is not the page or its stream under the key: the same
// status and words whatever was asked, so a wrong guess learns nothing.
void refuse(httplib::Response& res) {
    res.status = 403;
    res.set_content("Forbidden\n", "text/plain; charset=utf-8");
}

}  // namespace

struct LiveServer::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::string key;
    std::string snapshot = "{}";
    std::uint64_t version = 0;
    bool ended = false;
    int pages = 0;
    std::chrono::steady_clock::time_point nextTurn;  // of a request, see awaitTurn

    // Requests are answered one every kTurn at most, whoever asks: a crowd of pages or a flood
    // of requests waits its turn (on the view's threads, at no cost) instead of taking the
    // processor from the program. A page and its stream are two requests.
    void awaitTurn() {
        std::chrono::steady_clock::time_point turn;
        {
            std::lock_guard lock(mutex);
            turn = std::max(std::chrono::steady_clock::now(), nextTurn);
            nextTurn = turn + kTurn;
        }
        std::this_thread::sleep_until(turn);
    }
};

// A server being stopped, on a thread of its own: its port is free once `portFree`, and its
// threads have all ended once `ended`.
struct LiveServer::Stopping {
    std::mutex mutex;
    std::condition_variable changed;
    bool portFree = false;
    bool ended = false;

    void mark(bool Stopping::*what) {
        {
            std::lock_guard lock(mutex);
            this->*what = true;
        }
        changed.notify_all();
    }
    void await(bool Stopping::*what, std::chrono::milliseconds most) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, most, [&] { return this->*what; });
    }
};

LiveServer::LiveServer() = default;

LiveServer::~LiveServer() { finish(); }

std::string LiveServer::start(const std::string& address, int port, const std::string& key) {
    // The port of a view turned off just before is free as soon as its server lets go of it.
    stop();
    if (stopping_) {
        stopping_->await(&Stopping::portFree, kMostFinish);
    }
    auto shared = std::make_shared<Shared>();
    shared->key = key;
    auto server = std::make_unique<httplib::Server>();
    server->new_task_queue = [] { return new BoundedWorkers(kConnectionWorkers); };
    server->set_read_timeout(3s);
    server->set_write_timeout(3s);
    server->set_keep_alive_timeout(2);
    server->set_keep_alive_max_count(20);
    server->set_payload_max_length(1024);
    // Each event goes out as it is written, not held back for the acknowledgement of the one
    // before (which a phone may delay by 40 ms).
    server->set_tcp_nodelay(true);
    // The port is this program's alone while the view is on: another program that holds it is
    // said plainly, never shared. A port left in TIME_WAIT by the view turned off just before
    // is taken again.
    server->set_socket_options([](socket_t sock) {
        int yes = 1;
#ifdef _WIN32
        setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
    });

    server->Get(R"(/([^/]+)/)", [shared](const httplib::Request& req, httplib::Response& res) {
        if (!SameKey(req.matches[1].str(), shared->key)) {
            return refuse(res);
        }
        res.set_content(std::string(kPageHtml), "text/html; charset=utf-8");
    });
    server->Get(R"(/([^/]+)/events)", [shared](const httplib::Request& req, httplib::Response& res) {
        if (!SameKey(req.matches[1].str(), shared->key)) {
            return refuse(res);
        }
        {
            std::lock_guard lock(shared->mutex);
            if (shared->pages >= kMostPages) {
                res.status = 503;
                res.set_content("Too many pages\n", "text/plain; charset=utf-8");
                return;
            }
            ++shared->pages;
        }
        struct Stream {
            std::uint64_t sent = 0;
            std::chrono::steady_clock::time_point quiet = std::chrono::steady_clock::now();
        };
        auto stream = std::make_shared<Stream>();
        res.set_chunked_content_provider(
            "text/event-stream",
            [shared, stream](std::size_t, httplib::DataSink& sink) {
                std::string message;
                {
                    std::unique_lock lock(shared->mutex);
                    shared->changed.wait_for(lock, kLook,
                                             [&] { return shared->version != stream->sent || shared->ended; });
                    if (shared->ended) {
                        message = "event: end\ndata: {}\n\n";
                    } else if (shared->version != stream->sent) {
                        stream->sent = shared->version;
                        message = "data: " + shared->snapshot + "\n\n";
                    }
                }
                const auto now = std::chrono::steady_clock::now();
                if (message.empty() && now - stream->quiet >= kKeepAlive) {
                    message = ": still here\n\n";
                }
                if (message.empty()) {
                    return true;
                }
                stream->quiet = now;
                if (!sink.write(message.data(), message.size())) {
                    return false;
                }
                if (message.rfind("event: end", 0) == 0) {
                    sink.done();
                }
                return true;
            },
            [shared](bool) {
                std::lock_guard lock(shared->mutex);
                --shared->pages;
            });
    });
    // Whatever else: another address, another method (nothing here takes a change), a request
    // too large or malformed.
    server->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& res) {
            if (res.body.empty()) {
                refuse(res);
            }
            return httplib::Server::HandlerResponse::Handled;
        }));
    server->set_pre_routing_handler([shared](const httplib::Request&, httplib::Response&) {
        shared->awaitTurn();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server->set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; connect-src 'self'");
    });

    if (!server->bind_to_port(address, port)) {
        return "ポート " + std::to_string(port) + " を開けません。他のプログラムが使っているか、" + address +
               " がこのPCのアドレスではありません。";
    }
    shared_ = shared;
    server_ = std::move(server);
    listener_ = std::thread([server = server_.get()] {
        giveWay();
        server->listen_after_bind();
    });
    return {};
}

void LiveServer::stop() {
    if (server_) {
        {
            std::lock_guard lock(shared_->mutex);
            shared_->ended = true;
        }
        shared_->changed.notify_all();
        // The pages' streams say "end" within a look; then the server lets go of the port, and
        // its threads finish their connections: at once for the pages, after a few seconds for
        // a client that has gone silent, and only at its end for one that trickles its request
        // in a byte at a time. None of that holds the program up.
        auto stopping = std::make_shared<Stopping>();
        std::thread([server = std::move(server_), listener = std::move(listener_), stopping]() mutable {
            std::this_thread::sleep_for(kLook + 50ms);
            server->stop();
            stopping->mark(&Stopping::portFree);
            listener.join();
            server.reset();
            stopping->mark(&Stopping::ended);
        }).detach();
        stopping_ = std::move(stopping);
        shared_.reset();
    }
}

void LiveServer::finish() {
    stop();
    if (stopping_) {
        stopping_->await(&Stopping::ended, kMostFinish);
    }
}

bool LiveServer::running() const { return server_ != nullptr; }

void LiveServer::publish(std::string snapshot) {
    if (!shared_) {
        return;
    }
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->snapshot == snapshot) {
            return;
        }
        shared_->snapshot = std::move(snapshot);
        ++shared_->version;
    }
    shared_->changed.notify_all();
}

int LiveServer::pages() const {
    if (!shared_) {
        return 0;
    }
    std::lock_guard lock(shared_->mutex);
    return shared_->pages;
}

}  // namespace rennik::live
