#include "carsim/printing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace rennik::carsim {
namespace {

std::string format(const char* fmt, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, fmt, a, b, c);
    return text;
}

std::string ownTime(double ms) { return lapTimeText(std::llround(ms)) + format(" (%.1f ms)", ms); }

const char* kindText(ReplyKind kind) {
    switch (kind) {
        case ReplyKind::NewRecord:
            return "new";
        case ReplyKind::Repeat:
            return "repeat";
        case ReplyKind::NoRecord:
            break;
    }
    return "no record";
}

}  // namespace

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

std::string replyLine(const ReplyEvent& event) {
    const DecodedReply& r = event.reply;
    std::string line = "[";
    line += std::to_string(event.window);
    line += "] ";
    line += r.mark;
    line += " ";
    if (r.record) {
        const LapRecordFields& f = *r.record;
        line += "lap " + f.lapField + "  last " + lapTimeText(f.lastLapMs) + "  driver best " +
                lapTimeText(f.driverBestMs) + "  driver avg " + lapTimeText(f.driverAverageMs) + "  " +
                f.date + "  clock " + f.clock + "  end " + f.endTime;
    } else {
        line += "(no lap record yet)";
    }
    line += "  msg \"" + r.message + "\"  " + kindText(event.kind);
    if (event.latencyMs) {
        line += format("  %.3f ms", *event.latencyMs);
    }
    return line;
}

std::string lapLine(const LapComparison& lap) {
    std::string line = "lap " + std::to_string(lap.lap) + ": own " + ownTime(lap.ownMs);
    if (lap.hostMs) {
        line += "  host lap " + std::to_string(lap.hostLap.value_or(0)) + " " + lapTimeText(*lap.hostMs) +
                format("  host - own %+.1f ms", static_cast<double>(*lap.hostMs) - lap.ownMs);
    } else if (lap.hostLap) {
        line += "  host recorded no lap (repeat of lap " + std::to_string(*lap.hostLap) + ")";
    } else {
        line += "  no lap record from the host";
    }
    return line;
}

std::string summaryText(const CarSummary& s) {
    std::string text = "summary\n";
    text += "  laps          " + std::to_string(s.ownLapMs.size()) + "\n";
    for (std::size_t i = 0; i < s.ownLapMs.size(); ++i) {
        text += "    lap " + std::to_string(i + 1) + "  " + ownTime(s.ownLapMs[i]) + "\n";
    }
    text += "  reports sent  " + std::to_string(s.reports) + "\n";
    text += "  replies       " + std::to_string(s.replies) + "\n";
    text += "  repeats       " + std::to_string(s.repeats) + "\n";
    text += "  new records   " + std::to_string(s.newRecords) + "\n";
    text += "  no record     " + std::to_string(s.noRecord) + "\n";
    std::vector<double> errors;
    for (const LapComparison& lap : s.laps) {
        if (lap.hostMs) {
            errors.push_back(std::fabs(static_cast<double>(*lap.hostMs) - lap.ownMs));
        }
    }
    if (!errors.empty()) {
        text += format("  |host - own|  p50 %.2f ms  max %.2f ms", percentile(errors, 50),
                       *std::max_element(errors.begin(), errors.end())) +
                "  over " + std::to_string(errors.size()) + " laps\n";
    }
    if (!s.latencyMs.empty()) {
        text += format("  reply latency p50 %.3f ms  p99 %.3f ms\n", percentile(s.latencyMs, 50),
                       percentile(s.latencyMs, 99));
    }
    return text;
}

}  // namespace rennik::carsim
