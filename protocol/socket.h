// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one place that knows how sockets differ between Windows and POSIX.

#include <cstddef>
#include <cstdint>

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
inline constexpr int SOCKET_ERROR_CONNRESET = WSAECONNRESET;
inline constexpr int SOCKET_ERROR_CONNABORTED = WSAECONNABORTED;
#else
using SocketHandle = int;
inline constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;
inline constexpr int SOCKET_ERROR_CONNRESET = ECONNRESET;
inline constexpr int SOCKET_ERROR_CONNABORTED = ECONNABORTED;
#endif

// Closes a socket handle; INVALID_SOCKET_HANDLE is ignored.
void CloseSocket(SocketHandle socket);

// The reason for the last failed socket call on this thread.
[[nodiscard]] int LastSocketError();

// Waits until the socket is readable. Signals do not end the wait early:
// it is resumed with what is left of the original timeout.
enum class WaitResult { Readable, TimedOut, Failed };
[[nodiscard]] WaitResult WaitReadable(SocketHandle socket, std::uint32_t timeoutMs);

// send() and recv() that retry when a signal interrupts them. A send on a
// connection the peer has closed fails with an error instead of raising
// SIGPIPE. Both return the byte count, or a negative number on failure.
[[nodiscard]] long SendSome(SocketHandle socket, const void* data, std::size_t count);
[[nodiscard]] long ReceiveSome(SocketHandle socket, void* data, std::size_t count);

// sendto() an IPv4 address and port, both in network byte order.
[[nodiscard]] long SendDatagram(SocketHandle socket, const void* data, std::size_t count,
                                std::uint32_t address, std::uint16_t port);

// sendto() a limited broadcast out of one interface, named by its index and
// address, whether or not a route leads there. Elsewhere than Linux the
// interface is only a hint and the system's routing decides.
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

// True for the reasons a send fails because an interface has no address,
// link or route right now, rather than because the socket itself is broken.
[[nodiscard]] bool IsInterfaceUnavailable(int error);

// True when a bind failed because another socket holds the address and port.
[[nodiscard]] bool IsAddressInUse(int error);

}  // namespace vantrel
