// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/stream_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "protocol/packet_header.h"
#include "tests/test_sockets.h"

namespace vantrel {
namespace {

using test::MakePacket;

class StreamReaderTest : public ::testing::Test {
  protected:
    // Sends the bytes from the camera's end and takes them in with as many
    // receives as they need.
    void Deliver(const std::vector<std::uint8_t>& bytes) {
        connection.SendToClient(bytes);
        const std::size_t before = reader.PendingLength();
        while (reader.PendingLength() < before + bytes.size()) {
            ASSERT_EQ(STATUS_OK, reader.Receive(connection.client.Get(), 1000));
        }
    }
    bool Parse(std::uint16_t& op) { return reader.Parse(op, MAGIC_UPGRADE); }
    static std::vector<std::uint8_t> Join(std::vector<std::uint8_t> a,
                                          const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    test::LoopbackTcp connection;
    CStreamReader reader;
};

TEST_F(StreamReaderTest, DropsStrayBytesInFrontOfAPacket) {
    Deliver(Join({1, 2, 3, 4, 5}, MakePacket(MAGIC_UPGRADE, 3, {7, 0})));
    std::uint16_t op = 0;
    std::uint16_t result = 99;
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(3, op);
    ASSERT_TRUE(reader.ReadU16(result));
    EXPECT_EQ(7, result);
    EXPECT_EQ(0u, reader.PendingLength());
    EXPECT_FALSE(Parse(op));
}

TEST_F(StreamReaderTest, WaitsForTheRestOfAPacketWithoutLosingItsStart) {
    const auto packet = MakePacket(MAGIC_UPGRADE, 1, {0, 0, 'c', 'a', 'm'});
    std::uint16_t op = 0;
    Deliver(std::vector<std::uint8_t>(packet.begin(), packet.begin() + 10));
    EXPECT_FALSE(Parse(op));
    Deliver(std::vector<std::uint8_t>(packet.begin() + 10, packet.end() - 1));
    EXPECT_FALSE(Parse(op)) << "header whole, body one byte short";
    Deliver({packet.back()});
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(1, op);
    std::uint8_t body[5];
    ASSERT_TRUE(reader.ReadBytes(body, sizeof body));
    EXPECT_EQ('m', body[4]);
}

TEST_F(StreamReaderTest, TakesJoinedPacketsInOrderAndKeepsTheBodyReadable) {
    Deliver(Join(MakePacket(MAGIC_UPGRADE, 1, {1, 0, 9, 9}), MakePacket(MAGIC_UPGRADE, 3, {2, 0})));
    std::uint16_t op = 0;
    std::uint16_t value = 0;
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(1, op);
    // A further receive does not disturb the body taken.
    Deliver({0xaa, 0xbb});
    ASSERT_TRUE(reader.ReadU16(value));
    EXPECT_EQ(1, value);
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(3, op);
    ASSERT_TRUE(reader.ReadU16(value));
    EXPECT_EQ(2, value);
    EXPECT_FALSE(reader.ReadU16(value));
}

TEST_F(StreamReaderTest, KeepsTheLastThreeBytesWhenNoMagicIsFound) {
    std::vector<std::uint8_t> noise(100, 'x');
    noise[97] = 'M', noise[98] = 'O', noise[99] = '_';
    Deliver(noise);
    std::uint16_t op = 0;
    EXPECT_FALSE(Parse(op));
    EXPECT_EQ(3u, reader.PendingLength());
    const auto packet = MakePacket(MAGIC_UPGRADE, 3, {0, 0});
    Deliver(std::vector<std::uint8_t>(packet.begin() + 3, packet.end()));
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(3, op);
}

TEST_F(StreamReaderTest, NeverCompletesABodyOfFourGigabytes) {
    auto packet = MakePacket(MAGIC_UPGRADE, 1, std::vector<std::uint8_t>(1000, 0));
    packet[15] = packet[16] = packet[17] = packet[18] = 0xff;
    Deliver(packet);
    std::uint16_t op = 0;
    EXPECT_FALSE(Parse(op));
    EXPECT_EQ(packet.size(), reader.PendingLength());
}

TEST_F(StreamReaderTest, UndoesScramblingOnlyForFlagOne) {
    const std::uint8_t key[8] = {1, 2, 4, 8, 16, 32, 64, 128};
    const std::vector<std::uint8_t> body = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    Deliver(Join(MakePacket(MAGIC_UPGRADE, 1, body, 1, key),
                 MakePacket(MAGIC_UPGRADE, 1, body, 2, key)));
    std::uint16_t op = 0;
    for (int packet = 0; packet < 2; ++packet) {
        std::vector<std::uint8_t> read(body.size());
        ASSERT_TRUE(Parse(op));
        ASSERT_TRUE(reader.ReadBytes(read.data(), read.size()));
        EXPECT_EQ(body, read) << "packet " << packet;
    }
}

TEST_F(StreamReaderTest, ReportsTimeoutThenOrderlyCloseKeepingWhatIsPending) {
    EXPECT_EQ(STATUS_TIMED_OUT, reader.Receive(connection.client.Get(), 50));
    const auto packet = MakePacket(MAGIC_UPGRADE, 3, {0, 0});
    Deliver(std::vector<std::uint8_t>(packet.begin(), packet.begin() + 20));
    connection.server.Reset();
    EXPECT_EQ(STATUS_DISCONNECTED, reader.Receive(connection.client.Get(), 1000));
    EXPECT_EQ(20u, reader.PendingLength());
}

TEST_F(StreamReaderTest, ReportsAResetAsDisconnected) {
    // Closing with a zero linger time sends a reset instead of a close.
    ASSERT_TRUE(SetSocketOption(connection.server.Get(), SOL_SOCKET, SO_LINGER, linger{1, 0}));
    connection.server.Reset();
    EXPECT_EQ(STATUS_DISCONNECTED, reader.Receive(connection.client.Get(), 1000));
}

TEST_F(StreamReaderTest, ReportsABrokenHandleAsSocketError) {
    EXPECT_EQ(STATUS_SOCKET_ERROR, reader.Receive(INVALID_SOCKET_HANDLE, 10));
#ifndef _WIN32
    // Platform skip: WSAPoll, as Wine runs it, waits on a socket that was
    // never connected as on an idle one, so there it times out.
    UniqueSocket notConnected(socket(AF_INET, SOCK_STREAM, 0));
    EXPECT_EQ(STATUS_SOCKET_ERROR, reader.Receive(notConnected.Get(), 10));
#endif
}

}  // namespace
}  // namespace vantrel
