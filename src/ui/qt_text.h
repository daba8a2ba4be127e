#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <string>

namespace rennik::ui {

// The model's texts are UTF-8; the widgets take them as Qt's own.
inline QString qs(const std::string& s) { return QString::fromStdString(s); }

// A widget's font made larger by `factor`, bold or not: a figure read from a step back.
inline void scaleFont(QWidget* w, double factor, bool bold) {
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * factor);
    f.setBold(bold);
    w->setFont(f);
}

}  // namespace rennik::ui
