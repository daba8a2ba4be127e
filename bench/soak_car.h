#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// The car PC of the soak, on a thread of its own: laps of a few reports each, on the wall clock
// as the fast race clock has them. It keeps the lap rule from its side whatever the machine does
// to its thread: the first report of a lap goes only after more than the host's silence (with a
// margin), and a repeat only well within it, so that a thread held up on a busy machine delays a
// lap or drops a repeat but never runs two laps together or splits one. Every lap it drives is
// then one lap for the host, and the laps it was told can be held against the host's.
namespace rennik::bench {

struct SoakCarPlan {
    int laps = 0;
    double lapMs = 100;        // from one lap's first report to the next lap's, when on time
    double repeatGapMs = 2;    // between the reports of one contact
    int reportsPerContact = 3;
    double silenceMs = 50;     // the host's silence before a lap is added, on the wall clock
    std::string message;       // UTF-8, after the lap field
};

// A lap record the car was told: the reply that first carried it.
struct ToldLap {
    int lapNumber = 0;  // the lap field: the lap modulo 1,000
    std::int64_t lastLapMs = 0;
};

struct SoakCarSummary {
    int laps = 0;
    int reports = 0;
    int replies = 0;
    int heldBack = 0;        // laps begun later than planned, to keep the silence after a late report
    int repeatsDropped = 0;  // repeats not sent because the thread came back too late for them
    std::vector<ToldLap> told;
    QString error;
};

// Drives the car until its last lap is closed and its replies are in, while this thread's
// event loop serves the host.
SoakCarSummary driveSoakCar(const SoakCarPlan& plan);

}  // namespace rennik::bench
