#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace rennik::ui {

// Keeps a plain-text picture of the main window's layout in a file, for trials that reach the
// controls by their design names rather than by pixels. Whenever the main window ("Main"), a
// window of its own or one of their widgets is shown, hidden, moved or resized, the file is
// written again, whole (through a temporary file, so a reader never sees half of it). UTF-8,
// one record a line, fields separated by TABs:
//   screen  x y w h            the screen's available area (without a taskbar), global pixels
//   window  x y w h            the main window with its frame
//   widget  name class visible x y w h  cx cy cw ch
// one widget line for every named widget of the main window and its own windows: its global
// rectangle, and the part of it not cut off by the widgets around it (cw and ch are 0 when
// nothing shows).
class LayoutDump : public QObject {
public:
    explicit LayoutDump(QString path);

    // Writes the file now; false when it cannot be written.
    bool write(const QWidget& window) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString path_;
    bool pending_ = false;
};

}  // namespace rennik::ui
