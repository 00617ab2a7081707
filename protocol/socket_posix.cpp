// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer's calls on Linux and other POSIX systems.
#include "protocol/socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/sockios.h>
#endif

#include <cerrno>
#include <cstring>

#include "protocol/socket_platform.h"

namespace vantrel {

namespace platform {

namespace {

int PollOnce(SocketHandle socket, short events, int timeoutMs) {
    pollfd entry{socket, events, 0};
    const int result = poll(&entry, 1, timeoutMs);
    if (result > 0 && (entry.revents & POLLNVAL)) {
        errno = EBADF;
        return -1;
    }
    return result;
}

}  // namespace

int PollReadable(SocketHandle socket, int timeoutMs) {
    return PollOnce(socket, POLLIN, timeoutMs);
}

int PollWritable(SocketHandle socket, int timeoutMs) {
    return PollOnce(socket, POLLOUT, timeoutMs);
}

void SetNotSocketError() {
    errno = EBADF;
}

long SendOnce(SocketHandle socket, const void* data, std::size_t count) {
    return static_cast<long>(send(socket, data, count, MSG_NOSIGNAL));
}

long SendToOnce(SocketHandle socket, const void* data, std::size_t count,
                const sockaddr_in& destination) {
    return static_cast<long>(sendto(socket, data, count, MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&destination),
                                    sizeof destination));
}

long ReceiveOnce(SocketHandle socket, void* data, std::size_t count) {
    return static_cast<long>(recv(socket, data, count, 0));
}

bool PeekSenderOnce(SocketHandle socket, sockaddr_in& sender) {
    char first = 0;
    socklen_t length = sizeof sender;
    return recvfrom(socket, &first, 1, MSG_PEEK, reinterpret_cast<sockaddr*>(&sender), &length) >=
           0;
}

bool SetTimeoutOption(SocketHandle socket, int option, std::uint32_t timeoutMs) {
    const timeval timeout{static_cast<time_t>(timeoutMs / 1000),
                          static_cast<suseconds_t>(timeoutMs % 1000 * 1000)};
    return SetSocketOption(socket, SOL_SOCKET, option, timeout);
}

}  // namespace platform

void CloseSocket(SocketHandle socket) {
    if (socket != INVALID_SOCKET_HANDLE) {
        close(socket);
    }
}

int LastSocketError() {
    return errno;
}

SocketFailure FailureOf(int error) {
    switch (error) {
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
        case EPIPE:  // a send after the peer closed
            return SocketFailure::ConnectionReset;
        case EADDRINUSE:
            return SocketFailure::AddressInUse;
        default:
            return SocketFailure::Other;
    }
}

std::string SocketErrorText(int error) {
    std::string words = std::strerror(error);
    return words.empty() ? "error " + std::to_string(error) : words;
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
        const auto sent = sendmsg(socket, &message, MSG_NOSIGNAL);
        if (sent >= 0 || errno != EINTR) {
            return static_cast<long>(sent);
        }
    }
#else
    // Without IP_PKTINFO the interface is only a hint: routing decides.
    (void)interfaceIndex;
    (void)interfaceAddress;
    return SendDatagram(socket, data, count, address, port);
#endif
}

std::optional<std::size_t> UnacknowledgedBytes(SocketHandle socket) {
#ifdef SIOCOUTQ
    // For TCP the output queue holds every byte not yet acknowledged.
    int queued = 0;
    if (ioctl(socket, SIOCOUTQ, &queued) == 0 && queued >= 0) {
        return static_cast<std::size_t>(queued);
    }
#else
    (void)socket;
#endif
    return std::nullopt;
}

bool SetBlocking(SocketHandle socket, bool blocking) {
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 &&
           fcntl(socket, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

bool AllowListenerRebind(SocketHandle socket) {
    return SetSocketOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);
}

bool IgnorePortUnreachable(SocketHandle) {
    // An unconnected UDP socket never reports one here.
    return true;
}

}  // namespace vantrel
