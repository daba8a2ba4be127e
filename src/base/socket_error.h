#pragma once

#include <string>

// Why a UDP port could not be opened, so that a box can tell the crew what to do about it.
namespace rennik {

enum class SocketError {
    None,
    PortInUse,     // another program holds the port
    NoPermission,  // the system (or a security program) refuses the port to this program
    NoNetwork,     // no network to bind on: the adapter is off or gone
    Other,
};

// The outcome of opening a socket: true when the port is bound.
struct OpenResult {
    SocketError error = SocketError::None;
    // The platform's own error number, for a reason the program has no words of its own for.
    int code = 0;

    bool ok() const { return error == SocketError::None; }
    operator bool() const { return ok(); }  // NOLINT(google-explicit-constructor): reads as the bool it was
};

// The outcome for an error number of the platform (errno, or WSAGetLastError on Windows).
OpenResult OpenFailure(int platformCode);

// The first line of the box for a port that could not be opened: "ポート 7011 は他のプログラムが
// 使用中です。", or what else kept it. Empty for no error.
std::string PortErrorText(int port, const OpenResult& result);

}  // namespace rennik
