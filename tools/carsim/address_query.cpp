#include "carsim/address_query.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "base/sjis.h"
#include "carlink/wire_format.h"

namespace rennik::carsim {

AddressQuery::AddressQuery(QString host, QHostAddress bindAddress, QObject* parent)
    : QObject(parent),
      host_(std::move(host)),
      bindAddress_(std::move(bindAddress)),
      socket_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, [this] {
        // Only the host asked answers; anything from another sender is dropped unread.
        const QHostAddress host(host_);
        while (socket_->hasPendingDatagrams()) {
            const QNetworkDatagram d = socket_->receiveDatagram();
            if (!d.senderAddress().isEqual(host, QHostAddress::ConvertV4MappedToIPv4)) {
                continue;
            }
            const QByteArray data = d.data();
            const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
            emit answered(QString::fromStdString(sjis::toUtf8(bytes)));
        }
    });
}

bool AddressQuery::ask(const std::string& addressUtf8) {
    if (socket_->state() != QAbstractSocket::BoundState &&
        !socket_->bind(bindAddress_, wire::kAddressReplyPort, QAbstractSocket::DontShareAddress)) {
        error_ = QStringLiteral("cannot bind UDP port %1: %2")
                     .arg(wire::kAddressReplyPort)
                     .arg(socket_->errorString());
        return false;
    }
    const std::string bytes = sjis::fromUtf8(addressUtf8);
    socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), QHostAddress(host_),
                           wire::kAddressCheckPort);
    return true;
}

}  // namespace rennik::carsim
