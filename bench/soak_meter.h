#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace rennik::bench {

class SoakHost;

// The host's work for the report that closed one lap, and the lap table's redraw that followed.
struct LapSample {
    bool closed = false;
    double replyMs = 0;     // from the read (the handler's call) to the reply sent
    double replyCpuMs = 0;  // the same, in CPU time of the host's thread
    double arrivalMs = 0;   // from the kernel's arrival stamp to the reply sent
    double commitMs = 0;    // the run store's commit, within the reply
    double syncMs = 0;      // the widgets brought in line with the model after the report
    double paintMs = 0;     // the lap table's paints from this lap's close to the next one's
    int paints = 0;
};

// Hears the car link's datagrams (through the probe of the host's sockets), the run store's
// commits and the lap table's paints, and keeps them by the lap each report closed. Everything
// runs on the host's own thread.
class SoakMeter {
public:
    using Moment = std::chrono::steady_clock::time_point;

    SoakMeter(SoakHost& soak, int laps);

    void read(Moment arrived);
    void sent();
    void committed(std::chrono::nanoseconds d);
    void handled();
    void redrawn(std::chrono::nanoseconds d);
    void painted(std::chrono::nanoseconds d);

    // By lap, from 1; a lap no report closed is not `closed`.
    const std::vector<LapSample>& laps() const { return laps_; }
    // Resident memory in MB, every 500 laps.
    const std::map<int, double>& rss() const { return rss_; }
    // Laps begun by a silence, as the reports arrived; the shortest such silence and the longest
    // gap between two reports of one contact, on the wall clock.
    int silences() const { return silences_; }
    double shortestSilenceMs() const { return shortestSilenceMs_; }
    double longestContactGapMs() const { return longestContactGapMs_; }

private:
    struct Datagram {
        Moment read;
        double readCpuMs = 0;
        Moment arrived;
        std::optional<Moment> replied;
        double repliedCpuMs = 0;
        double commitMs = 0;
        std::int32_t lapStartBefore = 0;
    };

    SoakHost& soak_;
    std::vector<LapSample> laps_;
    std::map<int, double> rss_;
    Datagram current_;
    bool inDatagram_ = false;
    bool awaitingRedraw_ = false;
    int lastClosed_ = 0;
    // The race clock starts at tick 0, where the silence before the first report is counted from.
    std::int32_t lastTick_ = 0;
    Moment lastArrived_;
    int silences_ = 0;
    double shortestSilenceMs_ = 0;
    double longestContactGapMs_ = 0;
};

// Resident memory of this process in MB; 0 where it cannot be read.
double residentMb();

// A duration in milliseconds, as the soak's table gives every figure.
inline double ms(std::chrono::nanoseconds d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace rennik::bench
