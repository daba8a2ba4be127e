#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/controls.h"

namespace rennik {

// What the lap summary reads of each row of a lap table: its ticks and its driver. A row is read
// again only when its stamp moves (a stamp is never given twice), so that closing a lap costs
// the same at lap 5,000 of a 24-hour race as at lap 10, however the crew edits the table.
class LapRowCache {
public:
    struct Row {
        std::uint64_t stamp = 0;
        std::optional<double> ticks;
        std::string driver;
    };

    // The rows of `table` as they stand now.
    const std::vector<Row>& rows(const Grid& table);

private:
    std::vector<Row> rows_;
};

}  // namespace rennik
