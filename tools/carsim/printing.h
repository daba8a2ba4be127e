#pragma once

#include <string>
#include <vector>

#include "carsim/car_engine.h"

// What the simulator prints: one line per reply and per lap, and the summary at the end.
namespace rennik::carsim {

std::string replyLine(const ReplyEvent& event);
std::string lapLine(const LapComparison& lap);
std::string summaryText(const CarSummary& summary);

// The p-th percentile (nearest rank) of the values; 0 when there are none.
double percentile(std::vector<double> values, double p);

}  // namespace rennik::carsim
