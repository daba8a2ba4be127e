#pragma once

#include <QString>

#include <string>

namespace rennik::ui {

// The model's texts are UTF-8; the widgets take them as Qt's own.
inline QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace rennik::ui
