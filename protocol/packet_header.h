// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vantrel {

// Every packet starts with this header:
//   0  magic (4)       15 bodyLength  (u32 LE, the one readers use)
//   4  op (u16 LE)     19 bodyLength2 (u32 LE, ignored by readers)
//   6  scrambleFlag    23 body
//   7  scrambleKey (8)
inline constexpr std::size_t PACKET_HEADER_SIZE = 23;
inline constexpr std::size_t HEADER_OP_OFFSET = 4;
inline constexpr std::size_t HEADER_SCRAMBLE_FLAG_OFFSET = 6;
inline constexpr std::size_t HEADER_SCRAMBLE_KEY_OFFSET = 7;
inline constexpr std::size_t HEADER_BODY_LENGTH_OFFSET = 15;
inline constexpr std::size_t HEADER_BODY_LENGTH2_OFFSET = 19;

inline constexpr char MAGIC_DISCOVERY[] = "MO_I";
inline constexpr char MAGIC_UPGRADE[] = "MO_M";

using Magic = std::array<std::uint8_t, 4>;
using ScrambleKey = std::array<std::uint8_t, 8>;

// The four magic bytes of a text, zero-padded when the text is shorter.
[[nodiscard]] Magic MagicBytes(const char* magic);

struct PacketHeader {
    std::uint16_t op = 0;
    std::uint8_t scrambleFlag = 0;
    ScrambleKey scrambleKey{};
    std::uint32_t bodyLength = 0;
};

// Reads the header in the first PACKET_HEADER_SIZE bytes; none when the
// packet carries another magic.
[[nodiscard]] std::optional<PacketHeader> ReadHeader(const std::uint8_t* bytes, const Magic& magic);

// Undoes the XOR scrambling a camera may apply to a body (scrambleFlag 1).
void Descramble(std::uint8_t* body, std::size_t length, const PacketHeader& header);

}  // namespace vantrel
