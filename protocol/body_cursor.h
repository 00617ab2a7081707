// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace vantrel {

// Sequential reads from the body of the packet a reader last parsed. A read
// that asks for more than is left fails and does not move the position.
// Values are copied as they stand on the wire: integers least significant
// byte first, addresses and ports in network order.
// ReadU16 and ReadU32 copy the wire bytes straight into the value, which
// gives the little-endian number only on a little-endian host.
static_assert(std::endian::native == std::endian::little,
              "CBodyCursor reads integers as they lie in memory");

class CBodyCursor {
  public:
    void Start(const std::uint8_t* body, std::size_t length) {
        m_position = body;
        m_left = length;
        m_current = true;
    }
    void Stop() {
        m_position = nullptr;
        m_left = 0;
        m_current = false;
    }

    [[nodiscard]] bool ReadU16(std::uint16_t& value) { return ReadBytes(&value, sizeof value); }
    [[nodiscard]] bool ReadU32(std::uint32_t& value) { return ReadBytes(&value, sizeof value); }
    [[nodiscard]] bool ReadBytes(void* destination, std::size_t count);

  private:
    const std::uint8_t* m_position = nullptr;
    std::size_t m_left = 0;
    bool m_current = false;
};

}  // namespace vantrel
