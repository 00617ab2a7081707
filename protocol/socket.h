// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one place that knows how sockets differ between Windows and POSIX.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <cerrno>
#endif

namespace vantrel {

#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle INVALID_SOCKET_HANDLE = INVALID_SOCKET;
#else
using SocketHandle = int;
inline constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;
#endif

// Closes a socket handle; INVALID_SOCKET_HANDLE is ignored.
void CloseSocket(SocketHandle socket);

// The reason for the last failed socket call on this thread: errno, or
// WSAGetLastError() on Windows.
[[nodiscard]] int LastSocketError();

// What a socket error code means, named the same on every system.
enum class SocketFailure {
    WouldBlock,       // a non-blocking call had nothing to do yet
    Interrupted,      // a signal ended the call before it did anything
    TimedOut,         // the connection timed out (Windows: also SO_RCVTIMEO)
    Unreachable,      // no address, link or route to the peer right now
    NoBuffer,         // the system is out of buffer space
    ConnectionReset,  // the peer reset or aborted the connection
    AddressInUse,     // another socket holds the address and port
    Other,
};
[[nodiscard]] SocketFailure FailureOf(int error);

// The system's words for a socket error code, for logs.
[[nodiscard]] std::string SocketErrorText(int error);

// setsockopt() with the option's value passed as the object it is.
template <typename Value>
[[nodiscard]] bool SetSocketOption(SocketHandle socket, int level, int name, const Value& value) {
    return setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
}

// Switches the socket between blocking and non-blocking calls.
[[nodiscard]] bool SetBlocking(SocketHandle socket, bool blocking);

// Lets a TCP listener bind its port again while connections of an earlier
// listener linger there. Windows allows that already, and its SO_REUSEADDR
// would let another program take the port instead.
[[nodiscard]] bool AllowListenerRebind(SocketHandle socket);

// Windows reports an ICMP port unreachable, caused by an earlier send to a
// peer that has gone, as a failed receive on the UDP socket. A socket that
// serves many peers must not fail for one that left; elsewhere an
// unconnected UDP socket never reports it.
[[nodiscard]] bool IgnorePortUnreachable(SocketHandle socket);

// Waits until the socket is readable. Signals do not end the wait early:
// it is resumed with what is left of the original timeout.
enum class WaitResult { Readable, TimedOut, Failed };
[[nodiscard]] WaitResult WaitReadable(SocketHandle socket, std::uint32_t timeoutMs);

// send() and recv() that retry when a signal interrupts them. A send on a
// connection the peer has closed fails with an error instead of raising
// SIGPIPE. Both return the byte count, or a negative number on failure.
[[nodiscard]] long SendSome(SocketHandle socket, const void* data, std::size_t count);
[[nodiscard]] long ReceiveSome(SocketHandle socket, void* data, std::size_t count);

// The sender of the next queued datagram, which stays queued for the next
// receive. False when the peek fails.
[[nodiscard]] bool PeekSender(SocketHandle socket, sockaddr_in& sender);

// sendto() an IPv4 address and port, both in network byte order.
[[nodiscard]] long SendDatagram(SocketHandle socket, const void* data, std::size_t count,
                                std::uint32_t address, std::uint16_t port);

// sendto() a limited broadcast out of one interface, named by its index and
// address, whether or not a route leads there: IP_PKTINFO on Linux,
// IP_UNICAST_IF on Windows. Elsewhere the interface is only a hint and the
// system's routing decides.
[[nodiscard]] long SendDatagramOnInterface(SocketHandle socket, const void* data, std::size_t count,
                                           unsigned interfaceIndex, std::uint32_t interfaceAddress,
                                           std::uint32_t address, std::uint16_t port);

// connect() an IPv4 TCP socket to an address and port (network order),
// waiting at most timeoutMs for the peer to answer. False when the
// connection is refused, cannot be made, or takes longer.
[[nodiscard]] bool ConnectWithTimeout(SocketHandle socket, std::uint32_t address,
                                      std::uint16_t port, std::uint32_t timeoutMs);

// Bounds every later blocking send() on the socket: one that makes no
// progress for timeoutMs fails instead of waiting for ever.
[[nodiscard]] bool SetSendTimeout(SocketHandle socket, std::uint32_t timeoutMs);

// The same for every later blocking recv(): one that waits timeoutMs for
// any byte fails.
[[nodiscard]] bool SetReceiveTimeout(SocketHandle socket, std::uint32_t timeoutMs);

// How many bytes handed to a TCP socket its peer has not yet acknowledged
// (sent or not); nothing where the system cannot tell.
[[nodiscard]] std::optional<std::size_t> UnacknowledgedBytes(SocketHandle socket);

// True for the reasons a send fails because an interface has no address,
// link or route right now, rather than because the socket itself is broken.
[[nodiscard]] bool IsInterfaceUnavailable(int error);

}  // namespace vantrel
