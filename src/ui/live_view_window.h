#pragma once

#include <QWidget>

#include "core/host.h"
#include "live/live_server.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace rennik::ui {

// "スマホ表示": turns the live view for the crew's phones on and off. It chooses where the view
// listens (every network of the pit PC, or one) and on which port, kept in Rennik.ini; while on
// it shows the address to open, with its key, as text and as a QR code, and how many pages
// follow the run. Turned on again, the view has a new key.
class LiveViewWindow : public QWidget {
    Q_OBJECT

public:
    LiveViewWindow(Host& host, QWidget* parent);
    ~LiveViewWindow() override;

    // The run as the pages show it, after every handler, tick and datagram; nothing while off.
    void publish();
    bool on() const { return server_.running(); }
    // The address a phone opens, "" while off.
    QString address() const { return address_; }

private:
    void turnOn();
    void turnOff();
    void showState();

    Host& host_;
    live::LiveServer server_;
    QString address_;
    QComboBox* where_ = nullptr;
    QSpinBox* port_ = nullptr;
    QPushButton* toggle_ = nullptr;
    QLabel* link_ = nullptr;
    QLabel* code_ = nullptr;
    QLabel* pages_ = nullptr;
};

}  // namespace rennik::ui
