// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/datagram_reader.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#endif

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "protocol/packet_header.h"
#include "tests/test_sockets.h"

namespace vantrel {
namespace {

using test::MakePacket;

class DatagramReaderTest : public ::testing::Test {
  protected:
    // Sends the bytes as one datagram and takes it in.
    void Deliver(const std::vector<std::uint8_t>& datagram) {
        camera.SendTo(host, datagram);
        ASSERT_EQ(STATUS_OK, reader.Receive(host.socket.Get(), 1000));
    }
    bool Parse(std::uint16_t& op) { return reader.Parse(op, MAGIC_DISCOVERY); }

    test::LoopbackUdp host;
    test::LoopbackUdp camera;
    CDatagramReader reader;
};

TEST_F(DatagramReaderTest, RefusesDatagramsThatAreNotExactlyOnePacket) {
    const auto good = MakePacket(MAGIC_DISCOVERY, 1, {1, 2, 3, 4, 5});
    std::uint16_t op = 99;
    std::uint32_t value = 0;

    Deliver(std::vector<std::uint8_t>(good.begin(), good.begin() + 22));
    EXPECT_FALSE(Parse(op));
    auto longer = good;
    longer.push_back(0);
    Deliver(longer);
    EXPECT_FALSE(Parse(op));
    Deliver(std::vector<std::uint8_t>(good.begin(), good.end() - 1));
    EXPECT_FALSE(Parse(op));
    EXPECT_FALSE(reader.ReadU32(value)) << "a refused datagram has no body to read";
    Deliver(MakePacket(MAGIC_UPGRADE, 1, {1, 2, 3, 4, 5}));
    EXPECT_FALSE(Parse(op));
    auto huge = good;
    huge[15] = huge[16] = huge[17] = huge[18] = 0xff;
    Deliver(huge);
    EXPECT_FALSE(Parse(op));

    // After all that, a good packet still goes through.
    Deliver(good);
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(1, op);
    EXPECT_TRUE(reader.ReadU32(value));
    EXPECT_EQ(0x04030201u, value);
    EXPECT_FALSE(Parse(op)) << "a datagram is taken once";
}

TEST_F(DatagramReaderTest, AcceptsAnEmptyBodyFromWhichEveryReadFails) {
    Deliver(MakePacket(MAGIC_DISCOVERY, 3, {}));
    std::uint16_t op = 0;
    ASSERT_TRUE(Parse(op));
    EXPECT_EQ(3, op);
    std::uint16_t small = 0;
    std::uint8_t byte = 0;
    EXPECT_FALSE(reader.ReadU16(small));
    EXPECT_FALSE(reader.ReadBytes(&byte, 1));
}

TEST_F(DatagramReaderTest, ReadsFailWithoutMovingThePosition) {
    Deliver(MakePacket(MAGIC_DISCOVERY, 1, {1, 2, 3, 4, 5}));
    std::uint16_t op = 0;
    ASSERT_TRUE(Parse(op));
    std::uint32_t word = 0;
    std::uint16_t half = 0;
    std::uint8_t byte = 0;
    EXPECT_TRUE(reader.ReadU32(word));
    EXPECT_FALSE(reader.ReadU16(half));
    EXPECT_TRUE(reader.ReadBytes(&byte, 1));
    EXPECT_EQ(5, byte);
    EXPECT_FALSE(reader.ReadBytes(&byte, 1));
}

TEST_F(DatagramReaderTest, UndoesScramblingOnlyForFlagOne) {
    const std::uint8_t key[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    const std::vector<std::uint8_t> body = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::uint8_t> read(body.size());
    std::uint16_t op = 0;

    Deliver(MakePacket(MAGIC_DISCOVERY, 1, body, 1, key));
    ASSERT_TRUE(Parse(op));
    ASSERT_TRUE(reader.ReadBytes(read.data(), read.size()));
    EXPECT_EQ(body, read);

    // Flag 2 leaves the body as it stands, key or no key.
    auto plain = MakePacket(MAGIC_DISCOVERY, 1, body, 2, key);
    Deliver(plain);
    ASSERT_TRUE(Parse(op));
    ASSERT_TRUE(reader.ReadBytes(read.data(), read.size()));
    EXPECT_EQ(body, read);

    Deliver(MakePacket(MAGIC_DISCOVERY, 4, {}, 1, key));
    EXPECT_TRUE(Parse(op));
    EXPECT_EQ(4, op);
}

TEST_F(DatagramReaderTest, TimesOutOnSilenceAndTakesAnEmptyDatagramAsUnparsable) {
    EXPECT_EQ(STATUS_TIMED_OUT, reader.Receive(host.socket.Get(), 50));
    EXPECT_EQ(STATUS_TIMED_OUT, reader.Receive(host.socket.Get(), 0));
    Deliver(MakePacket(MAGIC_DISCOVERY, 1, {1, 2, 3, 4}));
    std::uint16_t op = 0;
    ASSERT_TRUE(Parse(op));
    // An empty datagram is taken in and ends the previous body.
    camera.SendTo(host, nullptr, 0);
    EXPECT_EQ(STATUS_OK, reader.Receive(host.socket.Get(), 1000));
    std::uint8_t byte = 0;
    EXPECT_FALSE(reader.ReadBytes(&byte, 1));
    EXPECT_FALSE(Parse(op));
    EXPECT_EQ(STATUS_SOCKET_ERROR, reader.Receive(INVALID_SOCKET_HANDLE, 10));
}

#ifdef _WIN32
TEST_F(DatagramReaderTest, ASignalDoesNotEndTheWaitEarly) {
    GTEST_SKIP() << "Windows: no signal interrupts a socket wait";
}
#else
extern "C" void CountSignal(int) {}

TEST_F(DatagramReaderTest, ASignalDoesNotEndTheWaitEarly) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = CountSignal;  // no SA_RESTART: poll() sees EINTR
    ASSERT_EQ(0, sigaction(SIGUSR1, &action, &previous));

    const pthread_t waiter = pthread_self();
    std::atomic<bool> done{false};
    std::thread signaller([&] {
        for (int i = 0; i < 10 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            pthread_kill(waiter, SIGUSR1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        camera.SendTo(host, MakePacket(MAGIC_DISCOVERY, 3, {0, 0}));
    });
    // Interrupted ten times, the wait still ends with the datagram.
    EXPECT_EQ(STATUS_OK, reader.Receive(host.socket.Get(), 5000));
    done = true;
    signaller.join();

    // Interrupted with nothing to come, it ends as a timeout, not a failure.
    std::thread interrupter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pthread_kill(waiter, SIGUSR1);
    });
    EXPECT_EQ(STATUS_TIMED_OUT, reader.Receive(host.socket.Get(), 200));
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);
}
#endif

}  // namespace
}  // namespace vantrel
