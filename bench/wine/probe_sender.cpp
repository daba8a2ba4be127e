// rennik1-probe-sender: the Linux side of the arrival probe. Sends datagrams to 127.0.0.1,
// each carrying the moment of its send on the clock that Wine's QueryPerformanceCounter counts
// (CLOCK_MONOTONIC_RAW, or CLOCK_MONOTONIC with --clock mono), read just before the send.
// With --fifo it sends from a realtime thread, so that load on the machine does not delay the
// send after its reading; with --spin N it keeps N processes spinning at normal priority while
// it sends, as other programs on the pit PC would.
//
//   rennik1-probe-sender --port P [--count N] [--interval-ms MS] [--clock raw|mono] [--fifo]
//                        [--spin N]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

long long nowNs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

std::vector<pid_t> spinners(int count) {
    std::vector<pid_t> children;
    const pid_t parent = getpid();
    for (int i = 0; i < count; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(0);
            }
            volatile unsigned long spins = 0;
            for (;;) {
                spins = spins + 1;
            }
        }
        if (child > 0) {
            children.push_back(child);
        }
    }
    return children;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 7031;
    int count = 500;
    double intervalMs = 20;
    clockid_t clock = CLOCK_MONOTONIC_RAW;
    bool fifo = false;
    int spin = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--fifo") {
            fifo = true;
            continue;
        }
        if (i + 1 == argc) {
            break;
        }
        const std::string value = argv[++i];
        if (a == "--port") {
            port = std::atoi(value.c_str());
        } else if (a == "--count") {
            count = std::atoi(value.c_str());
        } else if (a == "--interval-ms") {
            intervalMs = std::atof(value.c_str());
        } else if (a == "--clock") {
            clock = value == "mono" ? CLOCK_MONOTONIC : CLOCK_MONOTONIC_RAW;
        } else if (a == "--spin") {
            spin = std::atoi(value.c_str());
        }
    }
    if (fifo) {
        sched_param p{};
        p.sched_priority = 50;
        if (sched_setscheduler(0, SCHED_FIFO, &p) != 0) {
            std::perror("probe-sender: SCHED_FIFO");
        }
    }
    const std::vector<pid_t> others = spinners(spin);
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Sends at uneven moments, so that none falls in step with the receiver's waits.
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> vary(0.5, 1.5);
    for (int i = 0; i < count; ++i) {
        const long long waitNs = static_cast<long long>(intervalMs * vary(random) * 1e6);
        const timespec pause{static_cast<time_t>(waitNs / 1000000000LL),
                             static_cast<long>(waitNs % 1000000000LL)};
        nanosleep(&pause, nullptr);
        const std::string text = std::to_string(nowNs(clock));
        sendto(s, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    for (int i = 0; i < 3; ++i) {
        usleep(100000);
        sendto(s, "end", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    for (const pid_t child : others) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return 0;
}
