#include "ui/grid_binding.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/qt_text.h"

namespace rennik::ui {
namespace {

constexpr std::uint64_t kNotDrawn = ~std::uint64_t{0};


// Calls a crew event's handler from the event loop; dropped when the table is gone first.
void post(QObject* context, const std::function<void(int, int)>& handler, int col, int row) {
    if (handler) {
        QMetaObject::invokeMethod(
            context, [handler, col, row] { handler(col, row); }, Qt::QueuedConnection);
    }
}

// What one bound table has drawn, and the way back from the crew to the model.
struct GridState {
    GridState(Grid& m, QTableWidget* t, GridEvents e, std::uint64_t& d)
        : model(m), table(t), events(std::move(e)), drawn(d) {}

    Grid& model;
    QTableWidget* table;
    GridEvents events;
    std::uint64_t& drawn;
    std::uint64_t shape = kNotDrawn;
    std::vector<std::uint64_t> rows;  // the stamp each table row was last drawn with
    bool drawing = false;             // the table's own signals during a redraw are not the crew's
    int openEditors = 0;              // editors the crew is typing in (at most one)

    void draw();
    // Brings the current cell to the model's active cell, unless the crew is editing a cell.
    void followActiveCell();
    // A change the crew made in the table itself goes into the model; what was drawn before it
    // stays drawn, the changed row included, so nothing is redrawn for it.
    void crewChange(int row, const std::function<void()>& change);
    void committed(int row, int col, const QString& text);
};

void GridState::draw() {
    drawing = true;
    if (shape != model.shapeRevision()) {
        shape = model.shapeRevision();
        QStringList headers;
        bool editable = false;
        for (int col = 1; col <= model.colCount(); ++col) {
            headers << qs(model.header(col));
            editable = editable || model.columnEditable(col);
        }
        table->setHorizontalHeaderLabels(headers);
        table->setRowCount(model.rowCount());
        rows.resize(static_cast<std::size_t>(model.rowCount()), kNotDrawn);
        table->setEditTriggers(
            editable ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked
                     : QAbstractItemView::NoEditTriggers);
    }
    for (int row = 1; row <= model.rowCount(); ++row) {
        auto& stamp = rows[static_cast<std::size_t>(viewIndex(row))];
        if (stamp == model.rowRevision(row)) {
            continue;
        }
        stamp = model.rowRevision(row);
        for (int col = 1; col <= model.colCount(); ++col) {
            if (col == model.buttonColumn()) {
                continue;  // painted by the delegate
            }
            auto* item = table->item(viewIndex(row), viewIndex(col));
            if (item == nullptr) {
                item = new QTableWidgetItem;
                table->setItem(viewIndex(row), viewIndex(col), item);
            }
            item->setText(qs(model.cell(row, col)));
        }
    }
    drawing = false;
    followActiveCell();
}

void GridState::followActiveCell() {
    // Moving the current cell would commit the editor the crew is typing in and send the rest
    // of the typing into another cell: the program's move waits until the edit is finished.
    if (openEditors > 0) {
        return;
    }
    if (model.activeRow() >= 1 && model.activeCol() >= 1 &&
        (table->currentRow() != viewIndex(model.activeRow()) ||
         table->currentColumn() != viewIndex(model.activeCol()))) {
        drawing = true;
        table->setCurrentCell(viewIndex(model.activeRow()), viewIndex(model.activeCol()));
        drawing = false;
    }
}

void GridState::crewChange(int row, const std::function<void()>& change) {
    const bool allDrawn = drawn == model.revision();
    const bool shapeDrawn = shape == model.shapeRevision();
    const bool rowDrawn = row >= 1 && row <= static_cast<int>(rows.size()) &&
                          rows[static_cast<std::size_t>(viewIndex(row))] == model.rowRevision(row);
    change();
    if (allDrawn) {
        drawn = model.revision();
    }
    if (shapeDrawn) {
        shape = model.shapeRevision();
    }
    if (rowDrawn) {
        rows[static_cast<std::size_t>(viewIndex(row))] = model.rowRevision(row);
    }
}

void GridState::committed(int row, int col, const QString& text) {
    crewChange(row, [&] {
        model.setCell(row, col, text.toStdString());
        if (auto* item = table->item(viewIndex(row), viewIndex(col)); item != nullptr) {
            item->setText(text);
        }
    });
    post(table, events.editFinished, col, row);
}

// Editors for the editable columns and the delete-button face of the button column. The button
// is painted, not a widget per row, so a grid of a thousand rows costs no more than its cells.
class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(std::shared_ptr<GridState> state, QObject* parent)
        : QStyledItemDelegate(parent), state_(std::move(state)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const int col = modelIndex(index.column());
        if (!state_->model.columnEditable(col)) {
            return nullptr;
        }
        post(state_->table, state_->events.editStarted, col, modelIndex(index.row()));
        ++state_->openEditors;
        // A cell with a list of choices is chosen in a drop-down list, never typed into.
        if (const auto& choices = state_->model.cellChoices(modelIndex(index.row()), col); !choices.empty()) {
            auto* list = new QComboBox(parent);
            for (const auto& choice : choices) {
                list->addItem(qs(choice));
            }
            return list;
        }
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        // A key or a paste beyond the column's length is cut there and answered with a beep.
        QObject::connect(editor, &QLineEdit::inputRejected, editor, [] { QApplication::beep(); });
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        --state_->openEditors;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const int col = modelIndex(index.column());
        const QString text = qs(state_->model.cell(modelIndex(index.row()), col));
        if (auto* list = qobject_cast<QComboBox*>(editor); list != nullptr) {
            list->setCurrentIndex(list->findText(text));
            return;
        }
        auto* box = static_cast<QLineEdit*>(editor);
        box->setMaxLength(editLimit(state_->model.columnMaxLength(col), text));
        box->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        const auto* list = qobject_cast<QComboBox*>(editor);
        state_->committed(modelIndex(index.row()), modelIndex(index.column()),
                          list != nullptr ? list->currentText() : static_cast<QLineEdit*>(editor)->text());
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (modelIndex(index.column()) != state_->model.buttonColumn()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionButton button;
        button.rect = option.rect.adjusted(2, 1, -2, -1);
        button.text = QStringLiteral("削除");
        button.palette = option.palette;
        button.fontMetrics = option.fontMetrics;
        button.state = QStyle::State_Raised | (option.state & QStyle::State_Enabled);
        const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
    }

private:
    std::shared_ptr<GridState> state_;
};

}  // namespace

int editLimit(int maxLength, const QString& text) {
    return maxLength > 0 ? std::max(maxLength, static_cast<int>(text.size())) : 32767;
}

std::function<void()> bindGrid(Grid& model, QTableWidget* table, GridEvents events, std::uint64_t& drawn) {
    auto state = std::make_shared<GridState>(model, table, std::move(events), drawn);
    table->setColumnCount(model.colCount());
    auto* delegate = new GridDelegate(state, table);
    table->setItemDelegate(delegate);
    // A move the program asked for while the crew was editing follows once the editor is gone,
    // unless the crew moved the current cell themselves meanwhile (the model then follows them).
    QObject::connect(
        delegate, &QAbstractItemDelegate::closeEditor, table, [state] { state->followActiveCell(); },
        Qt::QueuedConnection);
    QObject::connect(table, &QTableWidget::cellClicked, table, [state](int row, int col) {
        if (modelIndex(col) == state->model.buttonColumn()) {
            post(state->table, state->events.buttonClicked, modelIndex(col), modelIndex(row));
        }
    });
    QObject::connect(
        table, &QTableWidget::currentCellChanged, table, [state](int row, int col, int fromRow, int fromCol) {
            if (state->drawing || row < 0 || col < 0) {
                return;
            }
            state->crewChange(0, [&] { state->model.setActiveCell(modelIndex(row), modelIndex(col)); });
            if (const auto& handler = state->events.cellChanged) {
                QMetaObject::invokeMethod(
                    state->table,
                    [handler, col, row, fromCol, fromRow] {
                        handler(modelIndex(col), modelIndex(row), modelIndex(fromCol), modelIndex(fromRow));
                    },
                    Qt::QueuedConnection);
            }
        });
    return [state] { state->draw(); };
}

}  // namespace rennik::ui
