#include "live/live_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace rennik::live {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 18431;
const std::string kKey = "0123456789abcdef0123456789abcdef";

class LiveServerTest : public ::testing::Test {
protected:
    LiveServerTest() {
        EXPECT_EQ(server.start("127.0.0.1", kPort, kKey), "");
        server.publish(R"({"lap":"1周目"})");
    }
    ~LiveServerTest() override { server.finish(); }

    static httplib::Client client() {
        httplib::Client c("127.0.0.1", kPort);
        c.set_connection_timeout(2s);
        c.set_read_timeout(5s);
        return c;
    }
    static void expectRefused(const httplib::Result& r) {
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 403);
        EXPECT_EQ(r->body, "Forbidden\n");
    }

    LiveServer server;
};

// A page's stream, read on a thread of its own: every event with the moment it came.
struct PageStream {
    std::mutex mutex;
    std::vector<std::pair<Clock::time_point, std::string>> events;
    std::atomic<bool> closed = false;
    std::thread reader;

    explicit PageStream(const std::string& path) {
        reader = std::thread([this, path] {
            httplib::Client c("127.0.0.1", kPort);
            c.set_read_timeout(20s);
            std::string pending;
            c.Get(path, [&](const char* data, std::size_t n) {
                pending.append(data, n);
                for (std::size_t end; (end = pending.find("\n\n")) != std::string::npos;) {
                    std::lock_guard lock(mutex);
                    events.emplace_back(Clock::now(), pending.substr(0, end));
                    pending.erase(0, end + 2);
                }
                return true;
            });
            closed = true;
        });
    }
    ~PageStream() { reader.join(); }
    bool waitFor(const std::string& text, std::chrono::milliseconds most) {
        const auto until = Clock::now() + most;
        while (Clock::now() < until) {
            {
                std::lock_guard lock(mutex);
                for (const auto& e : events) {
                    if (e.second.find(text) != std::string::npos) {
                        return true;
                    }
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
};

TEST_F(LiveServerTest, ThePageOpensOnlyUnderTheKeyAndEveryOtherRequestGetsThePlainRefusal) {
    httplib::Client c = client();
    const httplib::Result page = c.Get("/" + kKey + "/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("Rennik1 ライブ"), std::string::npos);
    EXPECT_EQ(page->get_header_value("Cache-Control"), "no-store");
    EXPECT_EQ(page->get_header_value("Referrer-Policy"), "no-referrer");

    expectRefused(c.Get("/"));
    expectRefused(c.Get("/" + kKey));
    expectRefused(c.Get("/0123456789abcdef0123456789abcdee/"));
    expectRefused(c.Get("/0123456789abcdef0123456789abcdee/events"));
    expectRefused(c.Get("/" + kKey + "/../"));
    expectRefused(c.Get("/" + kKey + "/settings"));
    // Nothing changes anything: every method but GET is refused, even under the key.
    expectRefused(c.Post("/" + kKey + "/", "lap=5", "text/plain"));
    expectRefused(c.Put("/" + kKey + "/events", "x", "text/plain"));
    expectRefused(c.Delete("/" + kKey + "/"));
    // A body larger than any request here needs, and a head of 20 KB.
    expectRefused(c.Post("/" + kKey + "/", std::string(64 * 1024, 'x'), "text/plain"));
    httplib::Headers huge{{"X-Pad", std::string(20 * 1024, 'x')}};
    const httplib::Result tooLong = c.Get("/" + kKey + "/", huge);
    EXPECT_TRUE(!tooLong || tooLong->status >= 400);
    // The page still opens after all that.
    EXPECT_EQ(c.Get("/" + kKey + "/")->status, 200);
}

TEST_F(LiveServerTest, APageReceivesEachSnapshotAtOnceAndTheEndWithinASecond) {
    PageStream page("/" + kKey + "/events");
    ASSERT_TRUE(page.waitFor(R"(data: {"lap":"1周目"})", 2s));
    EXPECT_EQ(server.pages(), 1);
    const auto published = Clock::now();
    server.publish(R"({"lap":"2周目"})");
    ASSERT_TRUE(page.waitFor(R"(data: {"lap":"2周目"})", 1s));
    {
        std::lock_guard lock(page.mutex);
        EXPECT_LT(page.events.back().first - published, 200ms);
    }
    // The same snapshot again is no news.
    server.publish(R"({"lap":"2周目"})");
    std::this_thread::sleep_for(300ms);
    {
        std::lock_guard lock(page.mutex);
        EXPECT_EQ(page.events.size(), 2U);
    }
    const auto stopped = Clock::now();
    server.stop();
    ASSERT_TRUE(page.waitFor("event: end", 1s));
    EXPECT_LT(Clock::now() - stopped, 1s);
}

TEST_F(LiveServerTest, ManyPagesAndAThousandConnectionsAreBoundedAndThePageStillOpens) {
    std::vector<std::unique_ptr<PageStream>> pages;
    for (int i = 0; i < kMostPages; ++i) {
        pages.push_back(std::make_unique<PageStream>("/" + kKey + "/events"));
    }
    for (auto& p : pages) {
        ASSERT_TRUE(p->waitFor("data:", 3s));
    }
    // One page more than the server follows at once is turned away.
    httplib::Client c = client();
    const httplib::Result more = c.Get("/" + kKey + "/events");
    ASSERT_TRUE(more);
    EXPECT_EQ(more->status, 503);

    // A thousand connections at once that say nothing: the server takes what it handles and
    // the rest wait in the system's queue; once they are gone, the page opens again at once.
    std::vector<int> silent;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        silent.push_back(fd);
    }
    std::this_thread::sleep_for(1s);
    for (const int fd : silent) {
        ::close(fd);
    }
    const auto asked = Clock::now();
    const httplib::Result page = c.Get("/" + kKey + "/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_LT(Clock::now() - asked, 2s);
    server.stop();
}

TEST_F(LiveServerTest, RequestsAreAnsweredAtASteadyPaceWhoeverSendsThem) {
    // Sixty pages asked for at once by four clients: every one is answered, in its turn.
    const auto asked = Clock::now();
    std::atomic<int> answered = 0;
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i) {
        clients.emplace_back([&answered] {
            httplib::Client c = client();
            for (int n = 0; n < 15; ++n) {
                if (const httplib::Result r = c.Get("/" + kKey + "/"); r && r->status == 200) {
                    ++answered;
                }
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    EXPECT_EQ(answered, 60);
    EXPECT_GE(Clock::now() - asked, 59 * 20ms);
}

// A client that sends its request a byte every 100 ms and would take minutes to finish it, on a
// thread of its own until `enough`.
std::thread trickler(const std::atomic<bool>& enough) {
    return std::thread([&enough] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
            const std::string head = "GET /" + kKey + "/ HTTP/1.1\r\nX-Pad: " + std::string(4000, 'x');
            for (std::size_t i = 0; i < head.size() && !enough; ++i) {
                ::send(fd, &head[i], 1, MSG_NOSIGNAL);
                std::this_thread::sleep_for(100ms);
            }
        }
        ::close(fd);
    });
}

TEST_F(LiveServerTest, AClientTricklingItsRequestHoldsUpNeitherTurningOffAndOnNorTheEnd) {
    std::atomic<bool> enough = false;
    std::thread first = trickler(enough);
    std::this_thread::sleep_for(500ms);
    // Turned off and on again while the old server still serves that client: the port is back
    // at once, and the page opens.
    const auto turned = Clock::now();
    server.stop();
    EXPECT_EQ(server.start("127.0.0.1", kPort, kKey), "");
    EXPECT_LT(Clock::now() - turned, 1s);
    EXPECT_EQ(client().Get("/" + kKey + "/")->status, 200);
    // At the program's end the view waits for such a client at most 2 s.
    std::thread second = trickler(enough);
    std::this_thread::sleep_for(500ms);
    const auto ending = Clock::now();
    server.finish();
    EXPECT_LT(Clock::now() - ending, 2500ms);
    enough = true;
    first.join();
    second.join();
}

TEST(LiveServerPortTest, APortTakenIsSaidPlainly) {
    LiveServer first;
    ASSERT_EQ(first.start("127.0.0.1", kPort, kKey), "");
    LiveServer second;
    EXPECT_EQ(second.start("127.0.0.1", kPort, kKey),
              "ポート 18431 を開けません。他のプログラムが使っているか、127.0.0.1 がこのPCのアドレスではありません。");
    EXPECT_FALSE(second.running());
    // Turned off and on again at once: the port is free.
    first.finish();
    EXPECT_EQ(second.start("127.0.0.1", kPort, kKey), "");
}

}  // namespace
}  // namespace rennik::live
