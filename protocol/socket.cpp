// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/socket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

#ifdef _WIN32
constexpr int SEND_FLAGS = 0;
using IoLength = int;
bool Interrupted() {
    return WSAGetLastError() == WSAEINTR;
}
int PollOnce(SocketHandle socket, int timeoutMs) {
    WSAPOLLFD entry{socket, POLLRDNORM, 0};
    const int result = WSAPoll(&entry, 1, timeoutMs);
    return result > 0 && (entry.revents & POLLNVAL) ? -1 : result;
}
#else
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
using IoLength = std::size_t;
bool Interrupted() {
    return errno == EINTR;
}
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
#else
    (void)interfaceIndex;
    (void)interfaceAddress;
    return SendDatagram(socket, data, count, address, port);
#endif
}

namespace {

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

bool WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int leftMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
#ifdef _WIN32
        WSAPOLLFD entry{socket, POLLWRNORM, 0};
        const int result = WSAPoll(&entry, 1, leftMs);
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
#ifdef _WIN32
        const bool pending = WSAGetLastError() == WSAEWOULDBLOCK;
#else
        const bool pending = errno == EINPROGRESS || errno == EINTR;
#endif
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
    return setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&timeout),
                      sizeof timeout) == 0;
}

}  // namespace

bool SetSendTimeout(SocketHandle socket, std::uint32_t timeoutMs) {
    return SetTimeout(socket, SO_SNDTIMEO, timeoutMs);
}

bool SetReceiveTimeout(SocketHandle socket, std::uint32_t timeoutMs) {
    return SetTimeout(socket, SO_RCVTIMEO, timeoutMs);
}

bool IsInterfaceUnavailable(int error) {
#ifdef _WIN32
    return error == WSAENETUNREACH || error == WSAEHOSTUNREACH || error == WSAEADDRNOTAVAIL ||
           error == WSAENETDOWN || error == WSAENOBUFS;
#else
    return error == ENETUNREACH || error == EHOSTUNREACH || error == EADDRNOTAVAIL ||
           error == ENETDOWN || error == ENODEV || error == ENXIO || error == ENOBUFS;
#endif
}

bool IsAddressInUse(int error) {
#ifdef _WIN32
    return error == WSAEADDRINUSE || error == WSAEACCES;
#else
    return error == EADDRINUSE;
#endif
}

}  // namespace vantrel
