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
        case ReplyKind::Baseline:
            return "held before this car's first lap";
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
    if (lap.hostMs && lap.hostLap == 1) {
        // The host times its first lap from its Start, which the car cannot see.
        line += "  host lap 1 " + lapTimeText(*lap.hostMs) + " (timed from the host's Start)";
    } else if (lap.hostMs) {
        line += "  host lap " + std::to_string(lap.hostLap.value_or(0)) + " " + lapTimeText(*lap.hostMs) +
                format("  host - own %+.1f ms", static_cast<double>(*lap.hostMs) - lap.ownMs);
    } else {
        line += "  no lap record from the host";
    }
    return line;
}

std::string summaryText(const CarSummary& s) {
    std::string text = "summary\n";
    text += "  laps             " + std::to_string(s.ownLapMs.size()) + "\n";
    for (std::size_t i = 0; i < s.ownLapMs.size(); ++i) {
        text += "    lap " + std::to_string(i + 1) + "  " + ownTime(s.ownLapMs[i]) + "\n";
    }
    const auto count = [&text](const char* name, int n) {
        char line[64];
        std::snprintf(line, sizeof line, "  %-17s%d\n", name, n);
        text += line;
    };
    count("reports sent", s.reports);
    count("reports dropped", s.droppedReports);
    count("windows unheard", s.unheardWindows);
    count("replies", s.replies);
    count("replies dropped", s.droppedReplies);
    count("repeats", s.repeats);
    count("earlier records", s.baselines);
    count("new records", s.newRecords);
    count("no record", s.noRecord);
    std::vector<double> errors;
    for (const LapComparison& lap : s.laps) {
        if (lap.hostMs && lap.hostLap != 1) {
            errors.push_back(std::fabs(static_cast<double>(*lap.hostMs) - lap.ownMs));
        }
    }
    if (!errors.empty()) {
        text += format("  |host - own|     p50 %.2f ms  max %.2f ms", percentile(errors, 50),
                       *std::max_element(errors.begin(), errors.end())) +
                "  over " + std::to_string(errors.size()) + (errors.size() == 1 ? " lap" : " laps") +
                " (lap 1 left out: the host times it from its Start)\n";
    }
    if (!s.latencyMs.empty()) {
        text += format("  reply latency    p50 %.3f ms  p99 %.3f ms\n", percentile(s.latencyMs, 50),
                       percentile(s.latencyMs, 99));
    }
    return text;
}

}  // namespace rennik::carsim
