// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/test_sockets.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <netinet/tcp.h>
#endif

#include <cstring>

#include "protocol/packet_writer.h"

namespace vantrel::test {

std::uint32_t LoopbackAddress() {
    return htonl(INADDR_LOOPBACK);
}

bool UnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

namespace {

sockaddr_in LoopbackEndpoint(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = LoopbackAddress();
    address.sin_port = port;
    return address;
}

std::uint16_t BoundPort(SocketHandle socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return address.sin_port;
}

}  // namespace

LoopbackUdp::LoopbackUdp() : socket(::socket(AF_INET, SOCK_DGRAM, 0)) {
    const sockaddr_in address = LoopbackEndpoint(0);
    EXPECT_EQ(0, bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
    port = BoundPort(socket.Get());
}

void LoopbackUdp::SendToPort(const LoopbackUdp& from, std::uint16_t port,
                             const std::vector<std::uint8_t>& bytes) {
    const sockaddr_in address = LoopbackEndpoint(port);
    ASSERT_EQ(static_cast<long>(bytes.size()),
              SendDatagram(from.socket.Get(), bytes.data(), bytes.size(), address.sin_addr.s_addr,
                           address.sin_port));
}

void LoopbackUdp::SendTo(const LoopbackUdp& peer, const void* data, std::size_t size) const {
    const sockaddr_in address = LoopbackEndpoint(peer.port);
    ASSERT_EQ(static_cast<long>(size),
              SendDatagram(socket.Get(), data, size, address.sin_addr.s_addr, address.sin_port));
}

UniqueSocket ListenOnLoopback(std::uint16_t& port, int backlog) {
    UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = LoopbackEndpoint(0);
    EXPECT_EQ(0, bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
    EXPECT_EQ(0, listen(listener.Get(), backlog));
    port = ntohs(BoundPort(listener.Get()));
    return listener;
}

LoopbackTcp::LoopbackTcp() {
    UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = LoopbackEndpoint(0);
    EXPECT_EQ(0, bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address));
    EXPECT_EQ(0, listen(listener.Get(), 1));
    address.sin_port = BoundPort(listener.Get());
    client.Reset(::socket(AF_INET, SOCK_STREAM, 0));
    EXPECT_EQ(0, connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address));
    server.Reset(accept(listener.Get(), nullptr, nullptr));
    EXPECT_TRUE(server.IsValid());
    // Small pieces must leave at once, so a test controls what arrives together.
    EXPECT_TRUE(SetSocketOption(server.Get(), IPPROTO_TCP, TCP_NODELAY, 1));
}

void LoopbackTcp::SendToClient(const std::vector<std::uint8_t>& bytes) const {
    ASSERT_EQ(static_cast<long>(bytes.size()), SendSome(server.Get(), bytes.data(), bytes.size()));
}

std::vector<std::uint8_t> ReadAvailable(SocketHandle socket, std::size_t count) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count) {
        if (WaitReadable(socket, 2000) != WaitResult::Readable) {
            break;
        }
        std::uint8_t chunk[65536];
        const long received = ReceiveSome(socket, chunk, sizeof chunk);
        if (received <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + received);
    }
    return bytes;
}

std::vector<std::uint8_t> MakePacket(const char* magic, std::uint16_t op,
                                     const std::vector<std::uint8_t>& body,
                                     std::uint8_t scrambleFlag, const std::uint8_t* key) {
    CPacketWriter writer;
    EXPECT_TRUE(writer.Begin(op, magic));
    EXPECT_TRUE(writer.AppendBytes(body.data(), body.size()));
    EXPECT_TRUE(writer.Finalize());
    std::vector<std::uint8_t> packet(writer.Data(), writer.Data() + writer.Length());
    packet[6] = scrambleFlag;
    if (key != nullptr) {
        std::memcpy(&packet[7], key, 8);
        if (scrambleFlag == 1) {
            for (std::size_t i = 0; i < body.size(); ++i) {
                packet[23 + i] ^= key[i % 8];
            }
        }
    }
    return packet;
}

}  // namespace vantrel::test
