// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/body_cursor.h"
#include "protocol/socket.h"
#include "protocol/status.h"

namespace vantrel {

// Takes one datagram at a time from a UDP socket; a datagram holds exactly
// one packet, with nothing before or after it. Not copyable: the body
// cursor points into the reader's own buffer.
class CDatagramReader {
  public:
    static constexpr std::size_t BUFFER_SIZE = 102400;

    CDatagramReader() = default;
    CDatagramReader(const CDatagramReader&) = delete;
    CDatagramReader& operator=(const CDatagramReader&) = delete;

    // STATUS_OK (an empty datagram too, which then does not parse),
    // STATUS_TIMED_OUT, or STATUS_SOCKET_ERROR when the socket itself fails.
    [[nodiscard]] Status Receive(SocketHandle socket, std::uint32_t timeoutMs);
    [[nodiscard]] bool Parse(std::uint16_t& op, const char* magic);

    [[nodiscard]] bool ReadU16(std::uint16_t& value) { return m_body.ReadU16(value); }
    [[nodiscard]] bool ReadU32(std::uint32_t& value) { return m_body.ReadU32(value); }
    [[nodiscard]] bool ReadBytes(void* destination, std::size_t count) {
        return m_body.ReadBytes(destination, count);
    }

  private:
    CBodyCursor m_body;
    std::array<std::uint8_t, BUFFER_SIZE> m_buffer;
    std::size_t m_length = 0;
    bool m_parsed = false;
};

}  // namespace vantrel
