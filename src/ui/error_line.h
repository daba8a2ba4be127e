#pragma once

#include <QString>

namespace rennik::ui {

// Tells a person why the program could not start or finish: on the error stream, or on Windows,
// where the program is a windowed one and has no console of its own, in a message box unless
// the error stream was handed over as a file or a pipe (redirected in a command prompt, by a
// script or by another program) or the program runs in a console. A windowed program cannot
// count on a console to write to: started from Explorer or a shortcut it has none, and one it
// attached to would show the line after the prompt had come back.
void tellError(const QString& line);

}  // namespace rennik::ui
