#pragma once

#include <QString>

namespace rennik::ui {

// Tells a person why the program could not start or finish: on the error stream, or on Windows,
// where the program is a windowed one with no console, in a message box unless its output was
// handed over (redirected by a script or a console). That is the rule Qt follows for --help and
// --version there, so every line the program prints before its window reaches the same place.
void tellError(const QString& line);

}  // namespace rennik::ui
