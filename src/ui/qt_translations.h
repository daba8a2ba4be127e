#pragma once

#include <QString>

namespace rennik::ui {

// Loads Qt's own Japanese texts (the buttons of the message boxes, the file dialog, the input
// box), whatever the system's language: the program's screen is always Japanese. They are
// looked for in the "translations" folder beside the program (the Windows package ships them
// there), then where Qt keeps its translations. Returns the file loaded, or "" when none was
// found and Qt's texts stay English.
QString loadQtTranslations();

}  // namespace rennik::ui
