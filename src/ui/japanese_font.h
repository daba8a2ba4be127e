#pragma once

#include <QFont>

namespace rennik::ui {

// The program's font: the first Japanese UI face the system has ("ＭＳ Ｐゴシック" first, then
// the usual faces of Windows and of Linux desktops, then any face that writes Japanese), at
// 10 points, or smaller where the face's lines would be taller than the screen allows.
QFont japaneseFont();

// The tallest line the program's font may have, in pixels, on a screen of `dotsPerInch` whose
// area left for windows is `availableHeight` pixels tall: a third more than the height of its
// 10-point characters, and no more than the main window's share of that height allows.
int tallestLine(double dotsPerInch, int availableHeight);

// `font` at the largest size, up to its own, whose lines are at most `maxLine` pixels tall (in
// half points, down to 7 points). Faces such as Meiryo have lines half as tall again as their
// characters; at the same size they would push the main window off a laptop's screen.
QFont fitToLine(QFont font, int maxLine);

}  // namespace rennik::ui
