// SPDX-License-Identifier: GPL-3.0-or-later
// What every system shares of the socket layer: retries after signals,
// waits that resume with what is left, a connect with a time limit. The
// calls that differ live in socket_posix.cpp and socket_windows.cpp.
#include "protocol/socket.h"

#include <algorithm>
#include <chrono>

#include "protocol/socket_platform.h"

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

bool Interrupted() {
    return FailureOf(LastSocketError()) == SocketFailure::Interrupted;
}

std::int64_t MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return std::max<std::int64_t>(0, left.count());
}

// Calls once() until a signal no longer interrupts it.
template <typename Call>
auto RetryInterrupted(Call once) {
    for (;;) {
        const auto result = once();
        if (result >= 0 || !Interrupted()) {
            return result;
        }
    }
}

bool WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return RetryInterrupted([&] {
               return platform::PollWritable(socket, static_cast<int>(MillisecondsLeft(deadline)));
           }) > 0;
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = address;
    endpoint.sin_port = port;
    return endpoint;
}

}  // namespace

WaitResult WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) {
    if (socket == INVALID_SOCKET_HANDLE) {
        // Set the reason, so a caller asking for it does not read a stale one.
        platform::SetNotSocketError();
        return WaitResult::Failed;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::int64_t leftMs = timeoutMs;
    for (;;) {
        // Readable also covers a pending error or hang-up: the following
        // recv() reports those.
        const int result = platform::PollReadable(
            socket, static_cast<int>(std::min<std::int64_t>(leftMs, 1 << 30)));
        if (result > 0) {
            return WaitResult::Readable;
        }
        if (result == 0) {
            return WaitResult::TimedOut;
        }
        if (!Interrupted()) {
            return WaitResult::Failed;
        }
        leftMs = MillisecondsLeft(deadline);
    }
}

long SendSome(SocketHandle socket, const void* data, std::size_t count) {
    return RetryInterrupted([&] { return platform::SendOnce(socket, data, count); });
}

long ReceiveSome(SocketHandle socket, void* data, std::size_t count) {
    return RetryInterrupted([&] { return platform::ReceiveOnce(socket, data, count); });
}

bool PeekSender(SocketHandle socket, sockaddr_in& sender) {
    for (;;) {
        if (platform::PeekSenderOnce(socket, sender)) {
            return true;
        }
        if (!Interrupted()) {
            return false;
        }
    }
}

long SendDatagram(SocketHandle socket, const void* data, std::size_t count, std::uint32_t address,
                  std::uint16_t port) {
    const sockaddr_in destination = Endpoint(address, port);
    return RetryInterrupted([&] { return platform::SendToOnce(socket, data, count, destination); });
}

bool ConnectWithTimeout(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                        std::uint32_t timeoutMs) {
    const sockaddr_in peer = Endpoint(address, port);
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

bool SetSendTimeout(SocketHandle socket, std::uint32_t timeoutMs) {
    return platform::SetTimeoutOption(socket, SO_SNDTIMEO, timeoutMs);
}

bool SetReceiveTimeout(SocketHandle socket, std::uint32_t timeoutMs) {
    return platform::SetTimeoutOption(socket, SO_RCVTIMEO, timeoutMs);
}

bool IsInterfaceUnavailable(int error) {
    const SocketFailure failure = FailureOf(error);
    return failure == SocketFailure::Unreachable || failure == SocketFailure::NoBuffer;
}

}  // namespace vantrel
