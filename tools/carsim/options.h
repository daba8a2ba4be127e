#pragma once

#include <QStringList>

#include <optional>
#include <string>

#include "carsim/car_engine.h"

namespace rennik::carsim {

struct Options {
    CarPlan plan;
    // --query ADDRESS: ask the host which slot ADDRESS is entered for, print it, exit.
    std::optional<std::string> query;
    double timeout = 2.0;  // seconds to wait for the answer to a query
};

// Reads the simulator's command line. --help and --version print and exit; a value out of
// range prints the reason and exits with status 2.
Options parseOptions(const QStringList& arguments);

}  // namespace rennik::carsim
