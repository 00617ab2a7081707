// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/packet_header.h"

#include <cstring>

namespace vantrel {

Magic MagicBytes(const char* magic) {
    Magic bytes{};
    for (std::size_t i = 0; i < bytes.size() && magic[i] != '\0'; ++i) {
        bytes[i] = static_cast<std::uint8_t>(magic[i]);
    }
    return bytes;
}

std::optional<PacketHeader> ReadHeader(const std::uint8_t* bytes, const Magic& magic) {
    if (std::memcmp(bytes, magic.data(), magic.size()) != 0) {
        return std::nullopt;
    }
    PacketHeader header;
    header.op =
        static_cast<std::uint16_t>(bytes[HEADER_OP_OFFSET] | (bytes[HEADER_OP_OFFSET + 1] << 8));
    header.scrambleFlag = bytes[HEADER_SCRAMBLE_FLAG_OFFSET];
    std::memcpy(header.scrambleKey.data(), bytes + HEADER_SCRAMBLE_KEY_OFFSET,
                header.scrambleKey.size());
    const std::uint8_t* length = bytes + HEADER_BODY_LENGTH_OFFSET;
    header.bodyLength =
        static_cast<std::uint32_t>(length[0]) | static_cast<std::uint32_t>(length[1]) << 8 |
        static_cast<std::uint32_t>(length[2]) << 16 | static_cast<std::uint32_t>(length[3]) << 24;
    return header;
}

void Descramble(std::uint8_t* body, std::size_t length, const PacketHeader& header) {
    if (header.scrambleFlag != 1) {
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        body[i] ^= header.scrambleKey[i % header.scrambleKey.size()];
    }
}

}  // namespace vantrel
