// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/body_cursor.h"
#include "protocol/socket.h"
#include "protocol/status.h"

namespace vantrel {

// Collects the bytes of a TCP connection and takes whole packets out of
// them. Bytes in front of a magic are dropped; an incomplete packet waits
// for more bytes. The body of the last packet taken stays readable while
// more bytes arrive. Not copyable: the body cursor points into the
// reader's own copy of the body.
class CStreamReader {
  public:
    static constexpr std::size_t RECEIVE_SIZE = 1024;

    CStreamReader() = default;
    CStreamReader(const CStreamReader&) = delete;
    CStreamReader& operator=(const CStreamReader&) = delete;

    // Takes in at most RECEIVE_SIZE bytes. STATUS_OK, STATUS_TIMED_OUT,
    // STATUS_DISCONNECTED (closed, aborted or reset by the peer) or
    // STATUS_SOCKET_ERROR; pending bytes stay on every failure.
    [[nodiscard]] Status Receive(SocketHandle socket, std::uint32_t timeoutMs);
    // Takes the next whole packet with this magic out of the pending bytes.
    [[nodiscard]] bool Parse(std::uint16_t& op, const char* magic);

    [[nodiscard]] bool ReadU16(std::uint16_t& value) { return m_cursor.ReadU16(value); }
    [[nodiscard]] bool ReadU32(std::uint32_t& value) { return m_cursor.ReadU32(value); }
    [[nodiscard]] bool ReadBytes(void* destination, std::size_t count) {
        return m_cursor.ReadBytes(destination, count);
    }

    [[nodiscard]] std::size_t PendingLength() const { return m_pending.size(); }

  private:
    CBodyCursor m_cursor;
    std::vector<std::uint8_t> m_body;
    std::vector<std::uint8_t> m_pending;
    std::array<std::uint8_t, RECEIVE_SIZE> m_recvBuffer;
};

}  // namespace vantrel
