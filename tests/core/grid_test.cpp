#include "core/controls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace rennik {
namespace {

TEST(Grid, RowsGrowAndShrinkAndOutsideCellsAreRefused) {
    Grid g("Spd_LapTime", 5);
    g.setHeader(1, "ラップタイム");
    g.setRowCount(3);
    EXPECT_EQ(g.rowCount(), 3);
    EXPECT_TRUE(g.setCell(3, 5, "log"));
    EXPECT_TRUE(g.setCell(1, 1, "1'23\"456"));
    for (const auto& [row, col] : {std::pair{0, 1}, {4, 1}, {-1, 1}, {1, 0}, {1, 6}, {1, -1}}) {
        EXPECT_FALSE(g.setCell(row, col, "x")) << row << "," << col;
        if (row != 0) {
            EXPECT_EQ(g.cell(row, col), "") << row << "," << col;
        }
    }
    EXPECT_EQ(g.cell(0, 1), "ラップタイム");
    EXPECT_EQ(g.header(1), "ラップタイム");
    EXPECT_EQ(g.header(0), "");
    EXPECT_EQ(g.header(9), "");

    g.setActiveCell(3, 2);
    g.setRowCount(1);  // drops rows 2 and 3 from the end
    EXPECT_EQ(g.cell(1, 1), "1'23\"456");
    EXPECT_EQ(g.activeRow(), 1);
    g.setRowCount(3);  // the rows added again are empty
    EXPECT_EQ(g.cell(3, 5), "");
    g.setRowCount(-4);
    EXPECT_EQ(g.rowCount(), 0);
    EXPECT_FALSE(g.setCell(1, 1, "x"));

    Grid none("Spd_None", -1);
    EXPECT_EQ(none.colCount(), 0);
    EXPECT_EQ(none.header(1), "");
}

TEST(Grid, RowStampsMoveOnlyForChangedRowsAndAreNeverReused) {
    Grid g("Spd_Driver", 3);
    g.setRowCount(3);
    std::set<std::uint64_t> seen;
    for (int r = 1; r <= 3; ++r) {
        EXPECT_TRUE(seen.insert(g.rowRevision(r)).second) << "row " << r;
    }
    const auto row1 = g.rowRevision(1);
    const auto row3 = g.rowRevision(3);
    const auto shape = g.shapeRevision();
    const auto control = g.revision();

    g.setCell(2, 1, "佐藤");
    EXPECT_EQ(g.rowRevision(1), row1);
    EXPECT_EQ(g.rowRevision(3), row3);
    EXPECT_TRUE(seen.insert(g.rowRevision(2)).second);
    EXPECT_EQ(g.shapeRevision(), shape);
    EXPECT_GT(g.revision(), control);

    const auto row2 = g.rowRevision(2);
    const auto unchanged = g.revision();
    g.setCell(2, 1, "佐藤");  // the same text again: nothing to redraw
    EXPECT_EQ(g.rowRevision(2), row2);
    EXPECT_EQ(g.revision(), unchanged);

    g.setRowCount(5);  // rows kept keep their stamps
    EXPECT_EQ(g.rowRevision(1), row1);
    EXPECT_EQ(g.rowRevision(2), row2);
    EXPECT_GT(g.shapeRevision(), shape);
    g.setRowCount(1);
    g.setRowCount(3);  // re-created rows get stamps never seen before
    EXPECT_EQ(g.rowRevision(1), row1);
    for (int r = 2; r <= 3; ++r) {
        EXPECT_TRUE(seen.insert(g.rowRevision(r)).second) << "row " << r;
    }
    EXPECT_EQ(g.rowRevision(0), 0u);
    EXPECT_EQ(g.rowRevision(4), 0u);
}

}  // namespace
}  // namespace rennik
