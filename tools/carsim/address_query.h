#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <string>

class QUdpSocket;

namespace rennik::carsim {

// The car PC asking the host, between runs, which car slot its address is entered for: the
// address text goes to the host's port 7001, the answer comes back on port 7002.
class AddressQuery : public QObject {
    Q_OBJECT
public:
    explicit AddressQuery(QString host, QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4),
                          QObject* parent = nullptr);

    // Binds port 7002 (once) and sends the address; false (see error()) when the port cannot
    // be bound. Each answer arrives through answered().
    bool ask(const std::string& addressUtf8);
    QString error() const { return error_; }

signals:
    // The answer decoded from Shift-JIS, as UTF-8 in a QString.
    void answered(const QString& text);

private:
    QString host_;
    QHostAddress bindAddress_;
    QUdpSocket* socket_;
    QString error_;
};

}  // namespace rennik::carsim
