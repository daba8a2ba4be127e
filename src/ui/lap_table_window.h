#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

#include "carlink/lap_rows.h"
#include "config/app_settings.h"
#include "core/controls.h"

class QLabel;

namespace rennik::ui {

// A window that shows a lap table it does not own: the running run's, or an earlier run's read
// back from the run store. It draws only while it is shown, and only when the table changed
// since it last drew. The lap chart and the stint table are such windows.
class LapTableWindow : public QWidget {
    Q_OBJECT

public:
    // Shows `laps`, whose ticks count at `settings`' precision, from now on; `title` names the
    // run. Both must outlive the window or be replaced by another follow() first (nullptr lets
    // go of them).
    void follow(const Grid* laps, const AppSettings* settings, const QString& title);
    // Names the run anew: the running run's name changes at each Start.
    void setTitle(const QString& title);
    // Brings the window in line with the table, when it is shown and the table changed.
    void refresh();

protected:
    // `kind` names the window in its title: "ラップチャート - <run>".
    LapTableWindow(QWidget* parent, const QString& objectName, QString kind);
    void showEvent(QShowEvent* event) override;
    // Draws the table anew on the next refresh, whether it changed or not.
    void forgetDrawing() { drawn_.reset(); }
    // Draws laps_ (never null here) as it stands.
    virtual void redraw() = 0;

    const Grid* laps_ = nullptr;
    const AppSettings* settings_ = nullptr;
    LapRowCache rows_;
    // The run's name, bold, above what the window shows; the window lays it out.
    QLabel* heading_ = nullptr;

private:
    QString kind_;
    std::optional<std::uint64_t> drawn_;
};

}  // namespace rennik::ui
