// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/socket.h"
#include "protocol/status.h"

namespace vantrel {

// Builds one outgoing packet at a time: Begin, the appends in body order,
// Finalize, then a send. The buffer starts at 100 bytes and grows in whole
// steps of 100.
class CPacketWriter {
  public:
    [[nodiscard]] bool Begin(std::uint16_t op, const char* magic);
    [[nodiscard]] bool AppendByte(std::uint32_t value);
    [[nodiscard]] bool AppendU32(std::uint32_t value);
    [[nodiscard]] bool AppendBytes(const void* source, std::size_t count);
    [[nodiscard]] bool Finalize();

    // The whole packet on a connected stream socket. With a timeout, a
    // packet that the system has not taken whole within it fails, so a peer
    // that stops reading cannot hold the caller for ever.
    [[nodiscard]] Status SendAll(SocketHandle socket) const;
    [[nodiscard]] Status SendAll(SocketHandle socket, std::uint32_t timeoutMs) const;
    // The whole packet as one datagram; address and port in network order.
    [[nodiscard]] Status SendTo(SocketHandle socket, std::uint32_t address,
                                std::uint16_t port) const;

    [[nodiscard]] const std::uint8_t* Data() const { return m_buffer.data(); }
    [[nodiscard]] std::int32_t Length() const { return m_length; }
    [[nodiscard]] std::int32_t Capacity() const { return m_capacity; }

  private:
    static constexpr std::int32_t GROWTH_STEP = 100;

    void Clear();
    // The whole packet, within the time if one is given.
    [[nodiscard]] Status SendWithin(SocketHandle socket,
                                    std::optional<std::uint32_t> timeoutMs) const;

    // Storage is kept between packets so that an upload does not allocate
    // for every chunk; m_capacity is the packet's own share of it.
    std::vector<std::uint8_t> m_buffer;
    std::int32_t m_length = 0;
    std::int32_t m_capacity = 0;
};

}  // namespace vantrel
