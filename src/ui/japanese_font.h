#pragma once

#include <QFont>

namespace rennik::ui {

// The program's font: "ＭＳ Ｐゴシック" where it is installed, otherwise the first Japanese
// Gothic face the machine has, so that every caption renders in Japanese.
QFont japaneseFont();

}  // namespace rennik::ui
