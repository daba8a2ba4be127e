#include "base/socket_error.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <cerrno>
#endif

namespace rennik {
namespace {

SocketError socketErrorOf(int code) {
#ifdef _WIN32
    switch (code) {
        // A port another program holds exclusively, or one Windows keeps for itself, is
        // refused as "access denied": for the crew both are a port that is taken.
        case WSAEADDRINUSE:
        case WSAEACCES:
            return SocketError::PortInUse;
        case WSAEADDRNOTAVAIL:
        case WSAENETDOWN:
            return SocketError::NoNetwork;
        default:
            return SocketError::Other;
    }
#else
    switch (code) {
        case EADDRINUSE:
            return SocketError::PortInUse;
        case EACCES:
        case EPERM:
            return SocketError::NoPermission;
        case EADDRNOTAVAIL:
        case ENETDOWN:
        case ENODEV:
            return SocketError::NoNetwork;
        default:
            return SocketError::Other;
    }
#endif
}

}  // namespace

OpenResult OpenFailure(int platformCode) { return {socketErrorOf(platformCode), platformCode}; }

std::string PortErrorText(int port, const OpenResult& result) {
    const std::string name = "ポート " + std::to_string(port);
    switch (result.error) {
        case SocketError::None:
            return {};
        case SocketError::PortInUse:
            return name + " は他のプログラムが使用中です。";
        case SocketError::NoPermission:
            return name + " を開く権限がありません。セキュリティソフトの設定を確かめてください。";
        case SocketError::NoNetwork:
            return name + " を開けません。ネットワークの接続を確かめてください。";
        case SocketError::Other:
            break;
    }
    return name + " を開けません。エラー番号 " + std::to_string(result.code) + "。";
}

}  // namespace rennik
