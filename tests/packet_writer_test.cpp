// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/packet_writer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "protocol/packet_header.h"
#include "tests/test_sockets.h"

namespace vantrel {
namespace {

std::vector<std::uint8_t> Bytes(const CPacketWriter& writer) {
    return {writer.Data(), writer.Data() + writer.Length()};
}

TEST(PacketWriter, BuildsTheSearchAndLoginRequestsByteForByte) {
    CPacketWriter writer;
    const std::uint8_t one[] = {0, 0, 0, 1};
    ASSERT_TRUE(writer.Begin(0, MAGIC_DISCOVERY));
    ASSERT_TRUE(writer.AppendBytes(one, sizeof one));
    ASSERT_TRUE(writer.Finalize());
    const std::vector<std::uint8_t> search = {'M', 'O', '_', 'I', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                              0,   4,   0,   0,   0, 4, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(search, Bytes(writer));

    ASSERT_TRUE(writer.Begin(0, MAGIC_UPGRADE));
    ASSERT_TRUE(writer.Finalize());
    std::vector<std::uint8_t> login(23, 0);
    login[0] = 'M', login[1] = 'O', login[2] = '_', login[3] = 'M';
    EXPECT_EQ(login, Bytes(writer));
}

TEST(PacketWriter, KeepsTheFirstLengthZeroUntilFinalize) {
    CPacketWriter writer;
    ASSERT_TRUE(writer.Begin(0x0d0c, MAGIC_UPGRADE));
    ASSERT_TRUE(writer.AppendByte(0x1ff));
    ASSERT_TRUE(writer.AppendU32(0x04030201));
    auto bytes = Bytes(writer);
    ASSERT_EQ(28u, bytes.size());
    EXPECT_EQ(0x0c, bytes[4]);
    EXPECT_EQ(0x0d, bytes[5]);
    EXPECT_EQ((std::vector<std::uint8_t>{0, 0, 0, 0}),
              std::vector<std::uint8_t>(bytes.begin() + 15, bytes.begin() + 19));
    EXPECT_EQ((std::vector<std::uint8_t>{5, 0, 0, 0}),
              std::vector<std::uint8_t>(bytes.begin() + 19, bytes.begin() + 23));
    EXPECT_EQ((std::vector<std::uint8_t>{0xff, 1, 2, 3, 4}),
              std::vector<std::uint8_t>(bytes.begin() + 23, bytes.end()));
    ASSERT_TRUE(writer.Finalize());
    bytes = Bytes(writer);
    EXPECT_EQ((std::vector<std::uint8_t>{5, 0, 0, 0}),
              std::vector<std::uint8_t>(bytes.begin() + 15, bytes.begin() + 19));
}

TEST(PacketWriter, EmptyAndSourcelessAppendsChangeNothing) {
    CPacketWriter writer;
    EXPECT_FALSE(writer.AppendByte(1)) << "no packet begun";
    ASSERT_TRUE(writer.Begin(1, MAGIC_DISCOVERY));
    EXPECT_TRUE(writer.AppendBytes(nullptr, 0));
    EXPECT_FALSE(writer.AppendBytes(nullptr, 3));
    EXPECT_EQ(23, writer.Length());
    EXPECT_EQ(0, writer.Data()[19]);
}

TEST(PacketWriter, GrowsInWholeStepsOfOneHundred) {
    const std::vector<std::uint8_t> filler(2000, 0xab);
    struct Row {
        std::size_t body;
        std::int32_t capacity;
    };
    for (const Row row : {Row{77, 100}, Row{78, 200}, Row{1029, 1100}, Row{0, 100}}) {
        CPacketWriter writer;
        ASSERT_TRUE(writer.Begin(13, MAGIC_UPGRADE));
        ASSERT_TRUE(writer.AppendBytes(filler.data(), row.body));
        EXPECT_EQ(row.capacity, writer.Capacity()) << "body " << row.body;
        EXPECT_EQ(static_cast<std::int32_t>(23 + row.body), writer.Length());
    }
    // An upload chunk built field by field grows once, 100 to 1100.
    CPacketWriter writer;
    ASSERT_TRUE(writer.Begin(12, MAGIC_UPGRADE));
    ASSERT_TRUE(writer.AppendByte(0));
    ASSERT_TRUE(writer.AppendU32(1024));
    EXPECT_EQ(100, writer.Capacity());
    ASSERT_TRUE(writer.AppendBytes(filler.data(), 1024));
    EXPECT_EQ(1100, writer.Capacity());
    EXPECT_EQ(1052, writer.Length());
    EXPECT_EQ(0xab, writer.Data()[1051]);
    EXPECT_EQ(0, writer.Data()[23]);
}

TEST(PacketWriter, BeginDiscardsThePreviousPacket) {
    const std::vector<std::uint8_t> filler(500, 0xee);
    CPacketWriter writer;
    ASSERT_TRUE(writer.Begin(2, MAGIC_DISCOVERY));
    ASSERT_TRUE(writer.AppendBytes(filler.data(), filler.size()));
    ASSERT_TRUE(writer.Finalize());
    ASSERT_TRUE(writer.Begin(3, MAGIC_UPGRADE));
    EXPECT_EQ(23, writer.Length());
    EXPECT_EQ(100, writer.Capacity());
    ASSERT_TRUE(writer.Finalize());
    std::vector<std::uint8_t> expected(23, 0);
    expected[0] = 'M', expected[1] = 'O', expected[2] = '_', expected[3] = 'M', expected[4] = 3;
    EXPECT_EQ(expected, Bytes(writer));
}

TEST(PacketWriter, SendToDeliversOneWholeDatagramAndRefusesAnOversizedOne) {
    test::LoopbackUdp sender;
    test::LoopbackUdp receiver;
    CPacketWriter writer;
    ASSERT_TRUE(writer.Begin(0, MAGIC_DISCOVERY));
    ASSERT_TRUE(writer.AppendU32(0x01000000));
    ASSERT_TRUE(writer.Finalize());
    ASSERT_EQ(STATUS_OK,
              writer.SendTo(sender.socket.Get(), test::LoopbackAddress(), receiver.port));
    ASSERT_EQ(STATUS_OK,
              writer.SendTo(sender.socket.Get(), test::LoopbackAddress(), receiver.port));
    for (int i = 0; i < 2; ++i) {
        std::uint8_t datagram[64];
        EXPECT_EQ(27, ReceiveSome(receiver.socket.Get(), datagram, sizeof datagram));
    }

    // A datagram cannot carry 70000 bytes: the send fails as a whole.
    const std::vector<std::uint8_t> filler(70000, 1);
    ASSERT_TRUE(writer.Begin(0, MAGIC_DISCOVERY));
    ASSERT_TRUE(writer.AppendBytes(filler.data(), filler.size()));
    ASSERT_TRUE(writer.Finalize());
    EXPECT_EQ(STATUS_SOCKET_ERROR,
              writer.SendTo(sender.socket.Get(), test::LoopbackAddress(), receiver.port));
}

TEST(PacketWriter, SendAllDeliversALargePacketWhole) {
    test::LoopbackTcp connection;
    std::vector<std::uint8_t> body(3 * 1024 * 1024);
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<std::uint8_t>(i * 7);
    }
    CPacketWriter writer;
    ASSERT_TRUE(writer.Begin(13, MAGIC_UPGRADE));
    ASSERT_TRUE(writer.AppendBytes(body.data(), body.size()));
    ASSERT_TRUE(writer.Finalize());
    std::vector<std::uint8_t> received;
    std::thread reader(
        [&] { received = test::ReadAvailable(connection.server.Get(), writer.Length()); });
    EXPECT_EQ(STATUS_OK, writer.SendAll(connection.client.Get()));
    reader.join();
    EXPECT_EQ(Bytes(writer), received);
}

TEST(PacketWriter, SendAllToAClosedConnectionFailsWithoutKillingTheProgram) {
    test::LoopbackTcp connection;
    connection.server.Reset();
    CPacketWriter writer;
    ASSERT_TRUE(writer.Begin(0, MAGIC_UPGRADE));
    ASSERT_TRUE(writer.Finalize());
    // The first send may still be taken; once the peer's reset is back, a
    // further send must fail with an error rather than SIGPIPE.
    Status status = STATUS_OK;
    for (int i = 0; i < 100 && status == STATUS_OK; ++i) {
        status = writer.SendAll(connection.client.Get());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(STATUS_SOCKET_ERROR, status);
}

}  // namespace
}  // namespace vantrel
