#pragma once

#include <QString>

#include <cstdint>
#include <functional>

#include "core/controls.h"

class QTableWidget;

namespace rennik::ui {

// What the crew does in a grid, each with the model's column and row (1-based). Each reaches
// its handler from the event loop, once the table has finished with the event, so that a
// handler may open a box or redraw the grid without pulling an editor away from under the view.
struct GridEvents {
    // An editor opened on a cell.
    std::function<void(int col, int row)> editStarted;
    // An edit was committed (Enter, Tab, a click elsewhere), changed or not; the text is already
    // in the model. Escape commits nothing.
    std::function<void(int col, int row)> editFinished;
    // The delete button of a row was clicked.
    std::function<void(int col, int row)> buttonClicked;
    // The crew moved the current cell (mouse or keys) from (fromCol, fromRow), 0 for none; the
    // model's active cell already follows.
    std::function<void(int col, int row, int fromCol, int fromRow)> cellChanged;
};

// The model counts rows and columns from 1 (row 0 and column 0 hold its headers); a table
// counts its cells from 0. Every crossing between the two goes through these.
constexpr int viewIndex(int modelIndex) { return modelIndex - 1; }
constexpr int modelIndex(int viewIndex) { return viewIndex + 1; }

// Binds a table to a grid: cells of the model's editable columns take typing up to the column's
// length, the button column shows a delete button in every row, and the current cell and the
// model's active cell follow each other. `drawn` is the revision the binder last drew; a change
// the crew makes leaves drawn what was drawn before it. Returns the redraw, which touches only
// the rows whose stamp moved.
std::function<void()> bindGrid(Grid& model, QTableWidget* table, GridEvents events, std::uint64_t& drawn);

// The most characters an editor takes: the model's limit (0 for none), but never less than the
// text the program put in, which is shown whole.
int editLimit(int maxLength, const QString& text);

}  // namespace rennik::ui
