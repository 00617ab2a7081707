// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/socket.h"

#include <gtest/gtest.h>

#include "tests/test_sockets.h"

namespace vantrel {
namespace {

sockaddr_in Endpoint(const char* address, std::uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = inet_addr(address);
    endpoint.sin_port = port;
    return endpoint;
}

bool Bind(const UniqueSocket& socket, const sockaddr_in& endpoint) {
    return bind(socket.Get(), reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) == 0;
}

// Real failures of real calls: each system's own code for them must come
// out as the same reason, which is all the callers look at.
TEST(SocketFailure, RealFailuresHaveTheSameReasonOnEverySystem) {
    // Nothing queued on a non-blocking socket.
    test::LoopbackUdp idle;
    ASSERT_TRUE(SetBlocking(idle.socket.Get(), false));
    char byte = 0;
    EXPECT_GT(0, ReceiveSome(idle.socket.Get(), &byte, 1));
    EXPECT_EQ(SocketFailure::WouldBlock, FailureOf(LastSocketError()));

    // A second socket on a port that is taken, with no reuse asked for.
    const UniqueSocket second(socket(AF_INET, SOCK_DGRAM, 0));
    EXPECT_FALSE(Bind(second, Endpoint("127.0.0.1", idle.port)));
    EXPECT_EQ(SocketFailure::AddressInUse, FailureOf(LastSocketError()));

    if (test::UnderWine()) {
        // Platform skip: Wine binds an address the host does not have, and
        // its closes end a connection in order even with zero linger time.
        return;
    }
    // An address this host does not have (TEST-NET-2, never assigned).
    const UniqueSocket elsewhere(socket(AF_INET, SOCK_DGRAM, 0));
    EXPECT_FALSE(Bind(elsewhere, Endpoint("198.51.100.77", 0)));
    EXPECT_EQ(SocketFailure::Unreachable, FailureOf(LastSocketError()));
    EXPECT_TRUE(IsInterfaceUnavailable(LastSocketError()));

    // The peer resets the connection.
    test::LoopbackTcp connection;
    ASSERT_TRUE(SetSocketOption(connection.server.Get(), SOL_SOCKET, SO_LINGER, linger{1, 0}));
    connection.server.Reset();
    ASSERT_EQ(WaitResult::Readable, WaitReadable(connection.client.Get(), 2000));
    EXPECT_GT(0, ReceiveSome(connection.client.Get(), &byte, 1));
    const int reset = LastSocketError();
    EXPECT_EQ(SocketFailure::ConnectionReset, FailureOf(reset));
    EXPECT_FALSE(IsInterfaceUnavailable(reset));
    EXPECT_FALSE(SocketErrorText(reset).empty());
}

}  // namespace
}  // namespace vantrel
