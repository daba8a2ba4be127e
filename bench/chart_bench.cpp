#include "chart_bench.h"

#include <QApplication>
#include <QPixmap>
#include <QtCharts/QChartView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/main_screen.h"
#include "timing/time_format.h"
#include "ui/lap_chart_window.h"

namespace rennik::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStintLaps = 40;
const char* const kDrivers[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤"};

double msSince(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// A lap as the car's own lap would fill its row: time text, driver, ticks.
void addLap(Grid& laps, const AppSettings& settings, std::mt19937& random) {
    const int row = laps.rowCount() + 1;
    const int stint = (row - 1) / kStintLaps;
    std::normal_distribution<double> spread(0.0, 600.0);
    auto ticks = static_cast<std::int32_t>(98'000 + spread(random));
    if (row % kStintLaps == 0) {
        ticks += 45'000;  // the driver change in the pit
    }
    laps.setRowCount(row);
    laps.setCell(row, LapColumn::Time, LapTimeText(ticks, settings));
    laps.setCell(row, LapColumn::Driver, kDrivers[stint % std::size(kDrivers)]);
    laps.setCell(row, LapColumn::Ticks, std::to_string(ticks));
}

// The drawing as the crew waits for it: the series brought in line, then the window painted.
double draw(ui::LapChartWindow& chart) {
    const auto began = Clock::now();
    chart.refresh();
    QApplication::processEvents();  // the chart lays out its axes and legend on the next turn
    const QPixmap painted = chart.view()->grab();
    return painted.isNull() ? -1.0 : msSince(began);
}

void printFigures(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double share) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(share * static_cast<double>(ms.size())))];
    };
    std::printf("%-44s %8.1f %8.1f %8.1f\n", what, at(0.5), at(0.99), ms.back());
}

}  // namespace

int runChartBench(int laps) {
    AppSettings settings;
    Grid table("Spd_LapTime(0)", LapColumn::Count);
    std::mt19937 random(7);
    for (int i = 0; i < laps - 100; ++i) {
        addLap(table, settings, random);
    }

    ui::LapChartWindow chart(nullptr);
    chart.resize(960, 560);
    chart.show();
    QApplication::processEvents();
    const auto began = Clock::now();
    chart.follow(&table, &settings, QStringLiteral("bench"));
    QApplication::processEvents();
    chart.view()->grab();
    const double first = msSince(began);
    std::vector<double> perLap;
    for (int i = 0; i < 100; ++i) {
        addLap(table, settings, random);
        perLap.push_back(draw(chart));
    }
    std::vector<double> edits;
    for (int i = 0; i < 20; ++i) {
        const int row = 1 + static_cast<int>(random() % static_cast<unsigned>(laps));
        table.setCell(row, LapColumn::Ticks, std::to_string(90'000 + i));
        edits.push_back(draw(chart));
    }

    std::printf("Lap chart of %d laps, %d stints, %d x %d pixels, offscreen\n", laps,
                (laps + kStintLaps - 1) / kStintLaps, chart.view()->width(), chart.view()->height());
    std::printf("%-44s %8s %8s %8s\n", "drawing (ms)", "p50", "p99", "max");
    std::printf("%-44s %8.1f\n", "first drawing of the whole run", first);
    printFigures("after each of the last 100 laps", perLap);
    printFigures("after a time corrected by hand", edits);
    std::printf("points drawn: %d\n", chart.points());
    return chart.points() == laps ? 0 : 1;
}

}  // namespace rennik::bench
