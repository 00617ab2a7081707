// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The few calls whose spelling differs between systems, one definition in
// socket_posix.cpp or socket_windows.cpp; socket.cpp builds the rest of the
// socket layer on them. Not for use outside protocol/.

#include <cstddef>
#include <cstdint>

#include "protocol/socket.h"

namespace vantrel::platform {

// One wait of at most timeoutMs for the socket to become readable, or
// writable (a connection in progress has succeeded or failed): above 0 when
// it is, 0 when the wait ran out, below 0 on failure (also when it is
// interrupted). A closed handle is a failure with its reason set.
[[nodiscard]] int PollReadable(SocketHandle socket, int timeoutMs);
[[nodiscard]] int PollWritable(SocketHandle socket, int timeoutMs);

// Sets the thread's last socket error to "not a socket".
void SetNotSocketError();

// One send(), sendto() or recv(), never raising SIGPIPE: the byte count, or
// a negative number on failure (also when it is interrupted).
[[nodiscard]] long SendOnce(SocketHandle socket, const void* data, std::size_t count);
[[nodiscard]] long SendToOnce(SocketHandle socket, const void* data, std::size_t count,
                              const sockaddr_in& destination);
[[nodiscard]] long ReceiveOnce(SocketHandle socket, void* data, std::size_t count);

// One peek at the sender of the next queued datagram; false on failure.
[[nodiscard]] bool PeekSenderOnce(SocketHandle socket, sockaddr_in& sender);

// SO_SNDTIMEO or SO_RCVTIMEO in the form the system takes it.
[[nodiscard]] bool SetTimeoutOption(SocketHandle socket, int option, std::uint32_t timeoutMs);

}  // namespace vantrel::platform
