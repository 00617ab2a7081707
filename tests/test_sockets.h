// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/unique_socket.h"

namespace vantrel::test {

// A UDP socket bound to an ephemeral loopback port.
struct LoopbackUdp {
    LoopbackUdp();
    UniqueSocket socket;
    std::uint16_t port = 0;  // network order
    void SendTo(const LoopbackUdp& peer, const void* data, std::size_t size) const;
    void SendTo(const LoopbackUdp& peer, const std::vector<std::uint8_t>& bytes) const {
        SendTo(peer, bytes.data(), bytes.size());
    }
    // To any port on loopback; port in network order.
    static void SendToPort(const LoopbackUdp& from, std::uint16_t port,
                           const std::vector<std::uint8_t>& bytes);
};

// A connected TCP pair on loopback: client and the server's accepted end.
struct LoopbackTcp {
    LoopbackTcp();
    UniqueSocket client;
    UniqueSocket server;
    void SendToClient(const std::vector<std::uint8_t>& bytes) const;
};

std::uint32_t LoopbackAddress();  // network order

// True for a Windows program that runs under Wine, whose sockets are
// Linux's underneath and differ from Windows' in a few corners.
bool UnderWine();

// A TCP socket listening on a free loopback port; port in host order.
UniqueSocket ListenOnLoopback(std::uint16_t& port, int backlog = 1);

// Bytes written to a socket by the other end, up to count or a 2 s silence.
std::vector<std::uint8_t> ReadAvailable(SocketHandle socket, std::size_t count);

// A packet with the given header fields and body, as a camera would send it.
std::vector<std::uint8_t> MakePacket(const char* magic, std::uint16_t op,
                                     const std::vector<std::uint8_t>& body,
                                     std::uint8_t scrambleFlag = 0,
                                     const std::uint8_t* key = nullptr);

}  // namespace vantrel::test
