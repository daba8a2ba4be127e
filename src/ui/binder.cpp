#include "ui/binder.h"

#include <QApplication>
#include <QSignalBlocker>

#include <algorithm>

#include "ui/qt_text.h"

namespace rennik::ui {
namespace {

QColor qc(const Rgb& c) { return QColor(c.r, c.g, c.b); }

// Captions keep the platform's line break as a carriage return; Qt breaks lines at LF.
QString captionText(const std::string& s) { return qs(s).replace(QLatin1Char('\r'), QLatin1Char('\n')); }

void drawCommon(const Control& c, QWidget* w, QPalette::ColorRole fore, QPalette::ColorRole back) {
    w->setEnabled(c.enabled());
    w->setVisible(c.visible());
    if (const QString tip = qs(c.toolTip()); w->toolTip() != tip) {
        w->setToolTip(tip);
    }
    // A colour the model no longer gives goes back to the one the widget inherits. The colours
    // drawn last are kept on the widget, so that one kept (the lap clock's) costs nothing.
    const char* const drawnColours = "rennikColours";
    const int had = w->property(drawnColours).toInt();
    const int has = (c.foreColor() ? 1 : 0) | (c.backColor() ? 2 : 0);
    if ((had & ~has) != 0) {
        w->setPalette(QPalette());
        if ((had & 2) != 0) {
            w->setAutoFillBackground(false);
        }
    }
    w->setProperty(drawnColours, has);
    if (has == 0) {
        return;
    }
    QPalette p = w->palette();
    if (c.foreColor()) {
        p.setColor(fore, qc(*c.foreColor()));
    }
    if (c.backColor()) {
        p.setColor(back, qc(*c.backColor()));
        w->setAutoFillBackground(true);
    }
    w->setPalette(p);
}

// Column 0 of a multi-column combo entry is what the list shows and the text takes.
QString firstColumn(const std::string& entry) { return qs(entry.substr(0, entry.find('\t'))); }

}  // namespace

Binder::Entry& Binder::add(const Control& control, QWidget* widget, std::function<void()> draw) {
    widget->setObjectName(qs(control.name()));
    entries_.push_back(std::make_unique<Entry>(Entry{&control, ~std::uint64_t{0}, std::move(draw)}));
    return *entries_.back();
}

void Binder::label(Captioned& c, QLabel* w) {
    // Captions are shown as they stand: a car's message such as "<b>" is text, not markup.
    w->setTextFormat(Qt::PlainText);
    add(c, w, [&c, w] {
        w->setText(captionText(c.caption()));
        drawCommon(c, w, QPalette::WindowText, QPalette::Window);
    });
}

void Binder::button(Button& c, QPushButton* w) {
    add(c, w, [&c, w] {
        w->setText(captionText(c.caption()));
        if (w->isCheckable()) {
            w->setChecked(c.down());
        }
        drawCommon(c, w, QPalette::ButtonText, QPalette::Button);
    });
}

void Binder::frame(Frame& c, QGroupBox* w, std::function<QSize()> grow) {
    add(c, w, [this, &c, w, grow = std::move(grow)] {
        w->setTitle(qs(c.caption()));
        if (c.width() > 0) {
            const int px = twipsPerPixel_;
            const QSize more = grow ? grow() : QSize(0, 0);
            w->setGeometry(std::max(0, c.left() / px - more.width() / 2),
                           std::max(0, c.top() / px - more.height() / 2), c.width() / px + more.width(),
                           c.height() / px + more.height());
        }
        const bool opening = c.visible() && w->isHidden();
        drawCommon(c, w, QPalette::WindowText, QPalette::Window);
        if (opening) {
            w->raise();  // an editor opens above everything it covers
        }
    });
}

void Binder::textBox(TextBox& c, QLineEdit* w) {
    Entry& e = add(c, w, [&c, w] {
        const QString text = qs(c.text());
        w->setMaxLength(editLimit(c.maxLength(), text));
        if (w->text() != text) {
            w->setText(text);
        }
        drawCommon(c, w, QPalette::Text, QPalette::Base);
    });
    QObject::connect(w, &QLineEdit::textEdited, w, [&c, &e](const QString& text) {
        c.setText(text.toStdString());
        e.drawn = c.revision();
    });
    // A key or a paste that the box's length refuses (in part) is answered with a beep.
    QObject::connect(w, &QLineEdit::inputRejected, w, [] { QApplication::beep(); });
}

void Binder::comboBox(ComboBox& c, QComboBox* w, std::function<void()> onChosen) {
    auto items = std::make_shared<std::vector<std::string>>();
    Entry& e = add(c, w, [&c, w, items] {
        const QSignalBlocker quiet(w);
        if (*items != c.items()) {
            *items = c.items();
            w->clear();
            for (const auto& item : c.items()) {
                w->addItem(firstColumn(item), qs(item));
            }
        }
        // The entry chosen stands for the text while it still shows it, so that of two entries
        // with the same name the one chosen stays current.
        const QString text = qs(c.text());
        const int chosen = c.listIndex();
        const bool onEntry = chosen >= 0 && chosen < w->count() && w->itemText(chosen) == text;
        if (onEntry ? w->currentIndex() != chosen : w->currentText() != text) {
            w->setCurrentIndex(onEntry ? chosen : w->findText(text));
            w->setEditText(text);
        }
        drawCommon(c, w, QPalette::Text, QPalette::Base);
        // The colour marks the box (a missing entry blinking); its drop-down list keeps the
        // ordinary colours, so that every entry stays readable.
        w->view()->setPalette(QApplication::palette(w->view()));
    });
    QObject::connect(w, &QComboBox::currentTextChanged, w, [&c, &e](const QString& text) {
        c.setText(text.toStdString());
        e.drawn = c.revision();
    });
    QObject::connect(w, &QComboBox::activated, w, [&c, &e, onChosen = std::move(onChosen)](int index) {
        c.choose(index);
        e.drawn = c.revision();
        if (onChosen) {
            onChosen();
        }
    });
}

void Binder::checkBox(CheckBox& c, QCheckBox* w) {
    Entry& e = add(c, w, [&c, w] {
        const QSignalBlocker quiet(w);
        w->setText(qs(c.caption()));
        w->setChecked(c.value() != 0);
        drawCommon(c, w, QPalette::WindowText, QPalette::Window);
    });
    QObject::connect(w, &QCheckBox::toggled, w, [&c, &e](bool on) {
        c.setValue(on ? 1 : 0);
        e.drawn = c.revision();
    });
}

void Binder::meter(Meter& c, QProgressBar* w) {
    add(c, w, [&c, w] {
        w->setValue(static_cast<int>(c.value()));
        drawCommon(c, w, QPalette::Highlight, QPalette::Base);
    });
}

void Binder::grid(Grid& c, QTableWidget* w, GridEvents events) {
    Entry& e = add(c, w, {});
    e.draw = [&c, w, draw = bindGrid(c, w, std::move(events), e.drawn)] {
        draw();
        drawCommon(c, w, QPalette::Text, QPalette::Base);
    };
}

void Binder::timer(Timer& c, QObject* owner, std::function<void()> onTick) {
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromStdString(c.name()));
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t, &QTimer::timeout, owner, std::move(onTick));
    entries_.push_back(std::make_unique<Entry>(Entry{&c, ~std::uint64_t{0}, [&c, t] {
                                                         if (!c.running()) {
                                                             t->stop();
                                                         } else if (!t->isActive() ||
                                                                    t->interval() != c.interval()) {
                                                             t->start(c.interval());
                                                         }
                                                     }}));
}

void Binder::setTwipsPerPixel(int twips) {
    if (twips > 0 && twips != twipsPerPixel_) {
        twipsPerPixel_ = twips;
        for (auto& e : entries_) {
            e->drawn = ~std::uint64_t{0};
        }
    }
}

void Binder::sync() {
    for (auto& e : entries_) {
        if (e->drawn != e->control->revision()) {
            e->drawn = e->control->revision();
            e->draw();
        }
    }
}

}  // namespace rennik::ui
