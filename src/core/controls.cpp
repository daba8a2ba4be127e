#include "core/controls.h"

namespace rennik {
namespace {
const std::string kEmpty;
}

Grid::Grid(std::string name, int colCount, int buttonColumn)
    : Control(std::move(name)),
      colCount_(colCount < 0 ? 0 : colCount),
      buttonColumn_(buttonColumn),
      headers_(static_cast<std::size_t>(colCount_) + 1) {}

void Grid::setRowCount(int rows) {
    rows = rows < 0 ? 0 : rows;
    if (rows == rowCount()) {
        return;
    }
    const auto old = static_cast<std::size_t>(rowCount());
    const Row empty{std::vector<std::string>(static_cast<std::size_t>(colCount_) + 1), 0};
    rows_.resize(static_cast<std::size_t>(rows), empty);
    for (std::size_t r = old; r < rows_.size(); ++r) {
        rows_[r].revision = ++rowStamp_;
    }
    if (activeRow_ > rows) {
        activeRow_ = rows;
    }
    shapeChanged();
}

void Grid::setHeader(int col, std::string text) {
    if (col < 1 || col > colCount_) {
        return;
    }
    auto& h = headers_[static_cast<std::size_t>(col)];
    if (h != text) {
        h = std::move(text);
        shapeChanged();
    }
}

const std::string& Grid::cell(int row, int col) const {
    if (col < 1 || col > colCount_ || row < 0 || row > rowCount()) {
        return kEmpty;
    }
    if (row == 0) {
        return headers_[static_cast<std::size_t>(col)];
    }
    return rows_[static_cast<std::size_t>(row - 1)].cells[static_cast<std::size_t>(col)];
}

bool Grid::setCell(int row, int col, std::string text) {
    if (col < 1 || col > colCount_ || row < 1 || row > rowCount()) {
        return false;
    }
    auto& r = rows_[static_cast<std::size_t>(row - 1)];
    auto& c = r.cells[static_cast<std::size_t>(col)];
    if (c != text) {
        c = std::move(text);
        r.revision = ++rowStamp_;
        touch();
    }
    return true;
}

std::uint64_t Grid::rowRevision(int row) const {
    if (row < 1 || row > rowCount()) {
        return 0;
    }
    return rows_[static_cast<std::size_t>(row - 1)].revision;
}

void Grid::setActiveCell(int row, int col) {
    if (row != activeRow_ || col != activeCol_) {
        activeRow_ = row;
        activeCol_ = col;
        shapeChanged();
    }
}

void Grid::shapeChanged() {
    ++shapeRevision_;
    touch();
}

}  // namespace rennik
