#include "carlink/lap_rows.h"

#include "carlink/lap_table.h"

namespace rennik {

const std::vector<LapRowCache::Row>& LapRowCache::rows(const Grid& table) {
    rows_.resize(static_cast<std::size_t>(table.rowCount()));
    for (int r = 1; r <= table.rowCount(); ++r) {
        Row& row = rows_[static_cast<std::size_t>(r) - 1];
        if (row.stamp != table.rowRevision(r)) {
            row.stamp = table.rowRevision(r);
            row.ticks = RowLapTicks(table, r);
            row.driver = table.cell(r, LapColumn::Driver);
        }
    }
    return rows_;
}

}  // namespace rennik
