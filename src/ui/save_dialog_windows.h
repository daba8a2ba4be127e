#pragma once

#include <QString>

class QWidget;

namespace rennik::ui {

// Windows' own save dialog, called directly rather than through Qt's file dialog: Qt's dialog
// keeps its history and last folder in the registry (HKCU\Software\QtProject), and the program
// keeps nothing there. `filter` is "description|pattern|description|pattern"; `initialPath` is
// the folder and name the dialog opens with. Returns the chosen file, or "" when cancelled, and
// sets `chosenFilter` to the pair chosen, counted from 0. Windows asks before a file is replaced.
QString windowsSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& initialPath, int& chosenFilter);

}  // namespace rennik::ui
