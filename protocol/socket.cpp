// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/socket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <mswsock.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

#ifdef _WIN32
constexpr int SEND_FLAGS = 0;
using IoLength = int;
int PollOnce(SocketHandle socket, int timeoutMs) {
    WSAPOLLFD entry{socket, POLLRDNORM, 0};
    const int result = WSAPoll(&entry, 1, timeoutMs);
    if (result > 0 && (entry.revents & POLLNVAL)) {
        WSASetLastError(WSAENOTSOCK);
        return -1;
    }
    return result;
}
#else
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
using IoLength = std::size_t;
int PollOnce(SocketHandle socket, int timeoutMs) {
    pollfd entry{socket, POLLIN, 0};
    const int result = poll(&entry, 1, timeoutMs);
    if (result > 0 && (entry.revents & POLLNVAL)) {
        errno = EBADF;
        return -1;
    }
    return result;
}
#endif

bool Interrupted() {
    return FailureOf(LastSocketError()) == SocketFailure::Interrupted;
}

}  // namespace

void CloseSocket(SocketHandle socket) {
    if (socket == INVALID_SOCKET_HANDLE) {
        return;
    }
#ifdef _WIN32
    closesocket(socket);
#else
    close(socket);
#endif
}

int LastSocketError() {
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

SocketFailure FailureOf(int error) {
    switch (error) {
#ifdef _WIN32
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
#else
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
        case EINPROGRESS:
            return SocketFailure::WouldBlock;
        case EINTR:
            return SocketFailure::Interrupted;
        case ETIMEDOUT:
            return SocketFailure::TimedOut;
        case ENETUNREACH:
        case EHOSTUNREACH:
        case EADDRNOTAVAIL:
        case ENETDOWN:
        case ENODEV:
        case ENXIO:
            return SocketFailure::Unreachable;
        case ENOBUFS:
            return SocketFailure::NoBuffer;
        case ECONNRESET:
        case ECONNABORTED:
            return SocketFailure::ConnectionReset;
        case EADDRINUSE:
            return SocketFailure::AddressInUse;
#endif
        default:
            return SocketFailure::Other;
    }
}

std::string SocketErrorText(int error) {
#ifdef _WIN32
    char text[256] = {};
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    std::string words(text, length);
#else
    std::string words = std::strerror(error);
#endif
    return words.empty() ? "error " + std::to_string(error) : words;
}

WaitResult WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) {
    if (socket == INVALID_SOCKET_HANDLE) {
        // Set the reason, so a caller asking for it does not read a stale one.
#ifdef _WIN32
        WSASetLastError(WSAENOTSOCK);
#else
        errno = EBADF;
#endif
        return WaitResult::Failed;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::int64_t leftMs = timeoutMs;
    for (;;) {
        // Readable also covers a pending error or hang-up: the following
        // recv() reports those.
        const int result =
            PollOnce(socket, static_cast<int>(std::min<std::int64_t>(leftMs, 1 << 30)));
        if (result > 0) {
            return WaitResult::Readable;
        }
        if (result == 0) {
            return WaitResult::TimedOut;
        }
        if (!Interrupted()) {
            return WaitResult::Failed;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        leftMs = std::max<std::int64_t>(0, left.count());
    }
}

long SendSome(SocketHandle socket, const void* data, std::size_t count) {
    for (;;) {
        const auto sent =
            send(socket, static_cast<const char*>(data), static_cast<IoLength>(count), SEND_FLAGS);
        if (sent >= 0 || !Interrupted()) {
            return static_cast<long>(sent);
        }
    }
}

long ReceiveSome(SocketHandle socket, void* data, std::size_t count) {
    for (;;) {
        const auto received =
            recv(socket, static_cast<char*>(data), static_cast<IoLength>(count), 0);
        if (received >= 0 || !Interrupted()) {
            return static_cast<long>(received);
        }
    }
}

bool PeekSender(SocketHandle socket, sockaddr_in& sender) {
    char first = 0;
    for (;;) {
        socklen_t length = sizeof sender;
        if (recvfrom(socket, &first, 1, MSG_PEEK, reinterpret_cast<sockaddr*>(&sender), &length) >=
            0) {
            return true;
        }
#ifdef _WIN32
        // Windows fails a peek at a datagram longer than the buffer, yet
        // names the sender and leaves the datagram queued.
        if (WSAGetLastError() == WSAEMSGSIZE) {
            return true;
        }
#endif
        if (!Interrupted()) {
            return false;
        }
    }
}

long SendDatagram(SocketHandle socket, const void* data, std::size_t count, std::uint32_t address,
                  std::uint16_t port) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = address;
    destination.sin_port = port;
    for (;;) {
        const auto sent =
            sendto(socket, static_cast<const char*>(data), static_cast<IoLength>(count), SEND_FLAGS,
                   reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
        if (sent >= 0 || !Interrupted()) {
            return static_cast<long>(sent);
        }
    }
}

long SendDatagramOnInterface(SocketHandle socket, const void* data, std::size_t count,
                             unsigned interfaceIndex, std::uint32_t interfaceAddress,
                             std::uint32_t address, std::uint16_t port) {
#ifdef __linux__
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = address;
    destination.sin_port = port;
    iovec payload{const_cast<void*>(data), count};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &payload;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = static_cast<int>(interfaceIndex);
    info.ipi_spec_dst.s_addr = interfaceAddress;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    for (;;) {
        const auto sent = sendmsg(socket, &message, SEND_FLAGS);
        if (sent >= 0 || !Interrupted()) {
            return static_cast<long>(sent);
        }
    }
#elif defined(_WIN32)
    // The broadcast leaves by the interface IP_UNICAST_IF names (its index
    // in network order), then the socket goes back to the system's routing.
    (void)interfaceAddress;
    if (!SetSocketOption(socket, IPPROTO_IP, IP_UNICAST_IF, DWORD{htonl(interfaceIndex)})) {
        return -1;
    }
    const long sent = SendDatagram(socket, data, count, address, port);
    const int error = WSAGetLastError();
    (void)SetSocketOption(socket, IPPROTO_IP, IP_UNICAST_IF, DWORD{0});
    WSASetLastError(error);
    return sent;
#else
    (void)interfaceIndex;
    (void)interfaceAddress;
    return SendDatagram(socket, data, count, address, port);
#endif
}

bool SetBlocking(SocketHandle socket, bool blocking) {
#ifdef _WIN32
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
#else
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 &&
           fcntl(socket, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
#endif
}

bool AllowListenerRebind(SocketHandle socket) {
#ifdef _WIN32
    return SetSocketOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, BOOL{TRUE});
#else
    return SetSocketOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
}

bool IgnorePortUnreachable(SocketHandle socket) {
#ifdef _WIN32
    BOOL report = FALSE;
    DWORD returned = 0;
    return WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned,
                    nullptr, nullptr) == 0;
#else
    (void)socket;
    return true;
#endif
}

namespace {

bool WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int leftMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
#ifdef _WIN32
        // select(), not WSAPoll(): before Windows 10 2004 WSAPoll never
        // reported a refused connection, and the wait ran out instead. A
        // failed connection shows in the exception set.
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(socket, &writable);
        FD_SET(socket, &failed);
        timeval timeout{leftMs / 1000, leftMs % 1000 * 1000};
        const int result = select(0, nullptr, &writable, &failed, &timeout);
#else
        pollfd entry{socket, POLLOUT, 0};
        const int result = poll(&entry, 1, leftMs);
#endif
        if (result >= 0 || !Interrupted()) {
            return result > 0;
        }
    }
}

}  // namespace

bool ConnectWithTimeout(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                        std::uint32_t timeoutMs) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = address;
    peer.sin_port = port;
    if (!SetBlocking(socket, false)) {
        return false;
    }
    if (connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        const SocketFailure failure = FailureOf(LastSocketError());
        const bool pending =
            failure == SocketFailure::WouldBlock || failure == SocketFailure::Interrupted;
        if (!pending || !WaitWritable(socket, timeoutMs)) {
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) !=
                0 ||
            error != 0) {
            return false;
        }
    }
    return SetBlocking(socket, true);
}

namespace {

bool SetTimeout(SocketHandle socket, int option, std::uint32_t timeoutMs) {
#ifdef _WIN32
    const DWORD timeout = timeoutMs;
#else
    const timeval timeout{static_cast<time_t>(timeoutMs / 1000),
                          static_cast<suseconds_t>(timeoutMs % 1000 * 1000)};
#endif
    return SetSocketOption(socket, SOL_SOCKET, option, timeout);
}

}  // namespace

bool SetSendTimeout(SocketHandle socket, std::uint32_t timeoutMs) {
    return SetTimeout(socket, SO_SNDTIMEO, timeoutMs);
}

bool SetReceiveTimeout(SocketHandle socket, std::uint32_t timeoutMs) {
    return SetTimeout(socket, SO_RCVTIMEO, timeoutMs);
}

bool IsInterfaceUnavailable(int error) {
    const SocketFailure failure = FailureOf(error);
    return failure == SocketFailure::Unreachable || failure == SocketFailure::NoBuffer;
}

}  // namespace vantrel
