#include "soak_meter.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <psapi.h>
#else
#include <time.h>
#include <unistd.h>

#include <fstream>
#endif

#include <algorithm>
#include <cstdio>

#include "soak_host.h"

namespace rennik::bench {
namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the calling thread in ms, to which a busy machine's other programs add nothing;
// 0 where it cannot be read.
double threadCpuMs() {
#ifdef _WIN32
    return 0;
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
#endif
}

}  // namespace

double residentMb() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
#else
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    if (!(statm >> size >> resident)) {
        return 0;
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
#endif
}

SoakMeter::SoakMeter(SoakHost& soak, int laps)
    : soak_(soak), laps_(static_cast<std::size_t>(laps) + 2), lastArrived_(Clock::now()) {}

void SoakMeter::read(Moment arrived) {
    current_ = Datagram{Clock::now(), threadCpuMs(), arrived, std::nullopt, 0, 0, soak_.host.race.LapStartTick[0]};
    inDatagram_ = true;
    // The lap rule from the arrivals alone: a report after more than the silence begins a lap,
    // any other is a repeat. Should the car ever run two laps together or split one, this tells
    // such laps apart from laps the host lost.
    const std::int32_t tick = std::max(soak_.ticks.countAt(arrived), lastTick_);
    const double gapMs = ms(arrived - lastArrived_);
    if (tick - lastTick_ > soak_.host.race.Settings.NoInputTicks) {
        ++silences_;
        shortestSilenceMs_ = silences_ == 1 ? gapMs : std::min(shortestSilenceMs_, gapMs);
    } else {
        longestContactGapMs_ = std::max(longestContactGapMs_, gapMs);
    }
    lastTick_ = tick;
    lastArrived_ = arrived;
}

void SoakMeter::sent() {
    if (inDatagram_ && !current_.replied) {
        current_.replied = Clock::now();
        current_.repliedCpuMs = threadCpuMs();
    }
}

void SoakMeter::committed(std::chrono::nanoseconds d) {
    if (inDatagram_) {
        current_.commitMs += ms(d);
    }
}

void SoakMeter::handled() {
    inDatagram_ = false;
    const RaceState& race = soak_.host.race;
    // The lap start moves only when a report closes a lap.
    if (race.LapStartTick[0] == current_.lapStartBefore || !current_.replied) {
        return;
    }
    const int lap = race.LapCnt[0];
    if (lap < 1 || static_cast<std::size_t>(lap) >= laps_.size()) {
        return;
    }
    LapSample& s = laps_[static_cast<std::size_t>(lap)];
    s.closed = true;
    s.replyMs = ms(*current_.replied - current_.read);
    s.replyCpuMs = current_.repliedCpuMs - current_.readCpuMs;
    s.arrivalMs = ms(*current_.replied - current_.arrived);
    s.commitMs = current_.commitMs;
    lastClosed_ = lap;
    awaitingRedraw_ = true;
}

void SoakMeter::redrawn(std::chrono::nanoseconds d) {
    if (!awaitingRedraw_) {
        return;
    }
    awaitingRedraw_ = false;
    laps_[static_cast<std::size_t>(lastClosed_)].syncMs = ms(d);
    // Taken after the lap's figures, so that the reading never counts in them.
    if (lastClosed_ % 500 == 0) {
        rss_[lastClosed_] = residentMb();
        std::fprintf(stderr, "rennik1-bench: soak, lap %d, %.1f MB resident\n", lastClosed_, rss_[lastClosed_]);
    }
}

void SoakMeter::painted(std::chrono::nanoseconds d) {
    LapSample& s = laps_[static_cast<std::size_t>(lastClosed_)];
    s.paintMs += ms(d);
    ++s.paints;
}

}  // namespace rennik::bench
