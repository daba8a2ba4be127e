#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The screen as plain data: every control of the program with what a person sees of it.
// Handlers change controls only through these setters; each setter that changes something
// raises the control's revision, and the binding redraws exactly the controls (and grid rows)
// whose revision moved since it last looked.
namespace rennik {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colours {
inline constexpr Rgb White{255, 255, 255};
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb LightYellow{255, 255, 192};
inline constexpr Rgb Grey{192, 192, 192};
inline constexpr Rgb Lime{0, 255, 0};
inline constexpr Rgb Green{0, 192, 0};
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Pink{255, 128, 255};
}  // namespace colours

class Control {
public:
    explicit Control(std::string name, std::string text = {})
        : name_(std::move(name)), text_(std::move(text)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    std::uint64_t revision() const { return revision_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { change(enabled_, on); }
    bool visible() const { return visible_; }
    void setVisible(bool on) { change(visible_, on); }

    // No colour means the design colour of the control's kind.
    const std::optional<Rgb>& foreColor() const { return fore_; }
    void setForeColor(Rgb c) { change(fore_, std::optional<Rgb>(c)); }
    const std::optional<Rgb>& backColor() const { return back_; }
    void setBackColor(Rgb c) { change(back_, std::optional<Rgb>(c)); }
    // Back to the design colours of the control's kind.
    void clearColors() {
        change(fore_, std::optional<Rgb>());
        change(back_, std::optional<Rgb>());
    }

    // The text shown when the pointer rests on the control; empty for none.
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string text) { change(toolTip_, std::move(text)); }

protected:
    template <typename T>
    void change(T& field, T value) {
        if (!(field == value)) {
            field = std::move(value);
            touch();
        }
    }
    void touch() { ++revision_; }
    const std::string& textValue() const { return text_; }
    void setTextValue(std::string text) { change(text_, std::move(text)); }

private:
    std::string name_;
    std::string text_;
    bool enabled_ = true;
    bool visible_ = true;
    std::optional<Rgb> fore_;
    std::optional<Rgb> back_;
    std::string toolTip_;
    std::uint64_t revision_ = 0;
};

// Label, command button, frame and check box: a control with a caption.
class Captioned : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return textValue(); }
    void setCaption(std::string text) { setTextValue(std::move(text)); }
};

class Label : public Captioned {
public:
    using Captioned::Captioned;
};

// Frame: a captioned panel. A pop-up frame (an editor) has a size and a position on the main
// screen in twips; the frames of the screen's layout have none (width 0) and are placed by it.
class Frame : public Captioned {
public:
    Frame(std::string name, std::string caption, bool visible = true)
        : Captioned(std::move(name), std::move(caption)) {
        setVisible(visible);
    }
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void setSize(int width, int height) {
        change(width_, width);
        change(height_, height);
    }
    void move(int left, int top) {
        change(left_, left);
        change(top_, top);
    }

private:
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
};

class Button : public Captioned {
public:
    using Captioned::Captioned;
    // The down state of a two-state button.
    bool down() const { return down_; }
    void setDown(bool on) { change(down_, on); }

private:
    bool down_ = false;
};

class CheckBox : public Captioned {
public:
    using Captioned::Captioned;
    int value() const { return value_; }
    void setValue(int v) { change(value_, v); }

private:
    int value_ = 0;
};

// Text box: one line of editable text. A box with a maximum length takes no more characters
// than that from the keyboard or a paste, and beeps at what it refuses; 0 means no limit.
class TextBox : public Control {
public:
    using Control::Control;
    const std::string& text() const { return textValue(); }
    void setText(std::string text) { setTextValue(std::move(text)); }
    int maxLength() const { return maxLength_; }
    void setMaxLength(int chars) { change(maxLength_, chars); }

private:
    int maxLength_ = 0;
};

// Combo box: editable text with a drop-down list. Multi-column entries separate their
// columns by TAB; the list shows column 0 and the text takes column 0 when an entry is chosen.
class ComboBox : public TextBox {
public:
    using TextBox::TextBox;
    const std::vector<std::string>& items() const { return items_; }
    void clearItems() {
        if (!items_.empty()) {
            items_.clear();
            listIndex_ = -1;
            touch();
        }
    }
    void addItem(std::string item) {
        items_.push_back(std::move(item));
        touch();
    }

    // The entry last chosen from the list (0 is the first), -1 for none. Emptying the list
    // forgets it.
    int listIndex() const { return listIndex_; }
    // Chooses an entry as a click in the list does: the text becomes its column 0. An index
    // outside the list chooses nothing.
    void choose(int index);
    // The entry the box stands on: the one chosen, while the text is still its column 0;
    // otherwise the first entry whose column 0 is the text (typed, or kept across a reload of
    // the list); empty when no entry matches.
    std::string currentEntry() const;
    // Column `col` of a multi-column entry; empty when the entry has fewer columns.
    static std::string column(const std::string& entry, int col);

private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

// Meter: a bar gauge from 0 to 100; its fore colour is the colour of the bar.
class Meter : public Control {
public:
    using Control::Control;
    float value() const { return value_; }
    void setValue(float v) { change(value_, v); }

private:
    float value_ = 0.0F;
};

// Screen timer: a periodic tick with an interval in ms and an enabled flag. The binding runs
// it; a timer with interval 0 never ticks, enabled or not.
class Timer : public Control {
public:
    Timer(std::string name, int intervalMs, bool enabled) : Control(std::move(name)) {
        interval_ = intervalMs;
        setEnabled(enabled);
    }
    int interval() const { return interval_; }
    void setInterval(int ms) { change(interval_, ms); }
    bool running() const { return enabled() && interval_ > 0; }

private:
    int interval_ = 0;
};

// Grid: a header row 0 and data rows 1..rowCount, columns 1..colCount (column 0 is the row
// header and holds nothing). Each data row carries its own revision stamp, new whenever the
// row is created or changed, so that a redraw touches only the rows that changed.
class Grid : public Control {
public:
    Grid(std::string name, int colCount, int buttonColumn = 0);

    int colCount() const { return colCount_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // Rows added are empty; rows taken away are dropped from the end.
    void setRowCount(int rows);

    // Columns outside the grid read as empty text.
    const std::string& header(int col) const { return cell(0, col); }
    void setHeader(int col, std::string text);

    // Row 0 reads the header; cells outside the grid read as empty text.
    const std::string& cell(int row, int col) const;
    // Writing outside the data rows or columns is refused (false), never a crash.
    bool setCell(int row, int col, std::string text);

    // Takes data row `row` out; the rows below move up one place. False outside the data rows.
    bool deleteRow(int row);

    // The column that shows a delete button in every data row; 0 for none.
    int buttonColumn() const { return buttonColumn_; }

    // Columns the crew can type into, and the most characters a cell of such a column takes
    // from the keyboard or a paste (0: no limit). Text put in by the program is never cut.
    bool columnEditable(int col) const;
    void setColumnEditable(int col, bool on);
    int columnMaxLength(int col) const;
    void setColumnMaxLength(int col, int chars);
    // A cell the crew fills by choosing from a drop-down list instead of typing; no list for
    // every other cell.
    const std::vector<std::string>& cellChoices(int row, int col) const;
    void setCellChoices(int row, int col, std::vector<std::string> choices);

    int activeRow() const { return activeRow_; }
    int activeCol() const { return activeCol_; }
    void setActiveCell(int row, int col);

    // Raised when the row count, the columns or the active cell change.
    std::uint64_t shapeRevision() const { return shapeRevision_; }
    // Stamps come from one counter per grid and are never reused, so a row dropped and added
    // again never looks unchanged. A row outside the grid has stamp 0.
    std::uint64_t rowRevision(int row) const;

private:
    struct Row {
        std::vector<std::string> cells;
        std::uint64_t revision = 0;
    };
    void shapeChanged();

    struct Column {
        std::string header;
        bool editable = false;
        int maxLength = 0;
    };

    int colCount_;
    int buttonColumn_;
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    std::map<std::pair<int, int>, std::vector<std::string>> choices_;
    int activeRow_ = 0;
    int activeCol_ = 0;
    std::uint64_t shapeRevision_ = 0;
    std::uint64_t rowStamp_ = 0;
};

// A window of the program: caption, position and size in twips, as the platform measures a
// screen (15 twips to a pixel at the usual 96 dots per inch).
struct Form {
    std::string caption;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool visible = false;
};

// What a socket control is set to; the socket itself is a port owned by the host.
struct SocketSettings {
    std::string name;
    std::string remoteHost;
    int remotePort = 0;
    int localPort = 0;
};

}  // namespace rennik
