#include "core/controls.h"

namespace rennik {
namespace {
const std::string kNoText;
}

void ComboBox::choose(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) {
        return;
    }
    if (listIndex_ != index) {
        listIndex_ = index;
        touch();
    }
    setText(column(items_[static_cast<std::size_t>(index)], 0));
}

std::string ComboBox::currentEntry() const {
    if (listIndex_ >= 0 && listIndex_ < static_cast<int>(items_.size()) &&
        column(items_[static_cast<std::size_t>(listIndex_)], 0) == text()) {
        return items_[static_cast<std::size_t>(listIndex_)];
    }
    for (const auto& item : items_) {
        if (column(item, 0) == text()) {
            return item;
        }
    }
    return {};
}

std::string ComboBox::column(const std::string& entry, int col) {
    std::size_t begin = 0;
    for (int c = 0; c < col; ++c) {
        begin = entry.find('\t', begin);
        if (begin == std::string::npos) {
            return {};
        }
        ++begin;
    }
    return entry.substr(begin, entry.find('\t', begin) - begin);
}

Grid::Grid(std::string name, int colCount, int buttonColumn)
    : Control(std::move(name)),
      colCount_(colCount < 0 ? 0 : colCount),
      buttonColumn_(buttonColumn),
      columns_(static_cast<std::size_t>(colCount_) + 1) {}

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
    auto& h = columns_[static_cast<std::size_t>(col)].header;
    if (h != text) {
        h = std::move(text);
        shapeChanged();
    }
}

const std::string& Grid::cell(int row, int col) const {
    if (col < 1 || col > colCount_ || row < 0 || row > rowCount()) {
        return kNoText;
    }
    if (row == 0) {
        return columns_[static_cast<std::size_t>(col)].header;
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

bool Grid::deleteRow(int row) {
    if (row < 1 || row > rowCount()) {
        return false;
    }
    rows_.erase(rows_.begin() + (row - 1));
    if (activeRow_ > rowCount()) {
        activeRow_ = rowCount();
    }
    shapeChanged();
    return true;
}

bool Grid::columnEditable(int col) const {
    return col >= 1 && col <= colCount_ && columns_[static_cast<std::size_t>(col)].editable;
}

void Grid::setColumnEditable(int col, bool on) {
    if (col >= 1 && col <= colCount_ && col != buttonColumn_ &&
        columns_[static_cast<std::size_t>(col)].editable != on) {
        columns_[static_cast<std::size_t>(col)].editable = on;
        shapeChanged();
    }
}

int Grid::columnMaxLength(int col) const {
    return col >= 1 && col <= colCount_ ? columns_[static_cast<std::size_t>(col)].maxLength : 0;
}

void Grid::setColumnMaxLength(int col, int chars) {
    if (col >= 1 && col <= colCount_ && columns_[static_cast<std::size_t>(col)].maxLength != chars) {
        columns_[static_cast<std::size_t>(col)].maxLength = chars < 0 ? 0 : chars;
        shapeChanged();
    }
}

const std::vector<std::string>& Grid::cellChoices(int row, int col) const {
    static const std::vector<std::string> none;
    const auto it = choices_.find({row, col});
    return it == choices_.end() ? none : it->second;
}

void Grid::setCellChoices(int row, int col, std::vector<std::string> choices) {
    auto& held = choices_[{row, col}];
    if (held != choices) {
        held = std::move(choices);
        shapeChanged();
    }
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
