// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer's calls on Windows: Winsock 2.
#include "protocol/socket.h"

#include <mswsock.h>

#include "protocol/socket_platform.h"

namespace vantrel {

namespace platform {

int PollReadable(SocketHandle socket, int timeoutMs) {
    WSAPOLLFD entry{socket, POLLRDNORM, 0};
    const int result = WSAPoll(&entry, 1, timeoutMs);
    if (result > 0 && (entry.revents & POLLNVAL)) {
        WSASetLastError(WSAENOTSOCK);
        return -1;
    }
    return result;
}

// select(), not WSAPoll(): before Windows 10 2004 WSAPoll never reported a
// refused connection, and the wait ran out instead. A failed connection
// shows in the exception set.
int PollWritable(SocketHandle socket, int timeoutMs) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval timeout{timeoutMs / 1000, timeoutMs % 1000 * 1000};
    return select(0, nullptr, &writable, &failed, &timeout);
}

void SetNotSocketError() {
    WSASetLastError(WSAENOTSOCK);
}

long SendOnce(SocketHandle socket, const void* data, std::size_t count) {
    return send(socket, static_cast<const char*>(data), static_cast<int>(count), 0);
}

long SendToOnce(SocketHandle socket, const void* data, std::size_t count,
                const sockaddr_in& destination) {
    return sendto(socket, static_cast<const char*>(data), static_cast<int>(count), 0,
                  reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
}

long ReceiveOnce(SocketHandle socket, void* data, std::size_t count) {
    return recv(socket, static_cast<char*>(data), static_cast<int>(count), 0);
}

bool PeekSenderOnce(SocketHandle socket, sockaddr_in& sender) {
    char first = 0;
    int length = sizeof sender;
    if (recvfrom(socket, &first, 1, MSG_PEEK, reinterpret_cast<sockaddr*>(&sender), &length) >= 0) {
        return true;
    }
    // Windows fails a peek at a datagram longer than the buffer, yet names
    // the sender and leaves the datagram queued.
    return WSAGetLastError() == WSAEMSGSIZE;
}

bool SetTimeoutOption(SocketHandle socket, int option, std::uint32_t timeoutMs) {
    return SetSocketOption(socket, SOL_SOCKET, option, DWORD{timeoutMs});
}

}  // namespace platform

void CloseSocket(SocketHandle socket) {
    if (socket != INVALID_SOCKET_HANDLE) {
        closesocket(socket);
    }
}

int LastSocketError() {
    return WSAGetLastError();
}

SocketFailure FailureOf(int error) {
    switch (error) {
        case WSAEWOULDBLOCK:
        case WSAEINPROGRESS:
            return SocketFailure::WouldBlock;
        case WSAEINTR:
            return SocketFailure::Interrupted;
        case WSAETIMEDOUT:
            return SocketFailure::TimedOut;
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
        case WSAEADDRNOTAVAIL:
        case WSAENETDOWN:
            return SocketFailure::Unreachable;
        case WSAENOBUFS:
            return SocketFailure::NoBuffer;
        case WSAECONNRESET:
        case WSAECONNABORTED:
            return SocketFailure::ConnectionReset;
        // A port held with SO_EXCLUSIVEADDRUSE refuses a bind with
        // WSAEACCES.
        case WSAEADDRINUSE:
        case WSAEACCES:
            return SocketFailure::AddressInUse;
        default:
            return SocketFailure::Other;
    }
}

std::string SocketErrorText(int error) {
    char text[256] = {};
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    return length == 0 ? "error " + std::to_string(error) : std::string(text, length);
}

// The broadcast leaves by the interface IP_UNICAST_IF names (its index in
// network order), then the socket goes back to the system's routing.
long SendDatagramOnInterface(SocketHandle socket, const void* data, std::size_t count,
                             unsigned interfaceIndex, std::uint32_t, std::uint32_t address,
                             std::uint16_t port) {
    if (!SetSocketOption(socket, IPPROTO_IP, IP_UNICAST_IF, DWORD{htonl(interfaceIndex)})) {
        return -1;
    }
    const long sent = SendDatagram(socket, data, count, address, port);
    const int error = WSAGetLastError();
    (void)SetSocketOption(socket, IPPROTO_IP, IP_UNICAST_IF, DWORD{0});
    WSASetLastError(error);
    return sent;
}

// Winsock tells the bytes in flight only through SIO_TCP_INFO, which
// neither MinGW's headers nor Wine offer; an upload then counts as sent,
// not confirmed, and the camera's return decides.
std::optional<std::size_t> UnacknowledgedBytes(SocketHandle) {
    return std::nullopt;
}

bool SetBlocking(SocketHandle socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

bool AllowListenerRebind(SocketHandle socket) {
    return SetSocketOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, BOOL{TRUE});
}

bool IgnorePortUnreachable(SocketHandle socket) {
    BOOL report = FALSE;
    DWORD returned = 0;
    return WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned,
                    nullptr, nullptr) == 0;
}

}  // namespace vantrel
