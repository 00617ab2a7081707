// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel {

// Discovery: one datagram per packet, magic "MO_I", UDP port 10000.
inline constexpr std::uint16_t DISCOVERY_PORT = 10000;
inline constexpr std::uint32_t LIMITED_BROADCAST = 0xffffffffu;  // 255.255.255.255
inline constexpr std::uint16_t OP_SEARCH_REQUEST = 0;
inline constexpr std::uint16_t OP_SEARCH_REPLY = 1;
inline constexpr std::uint16_t OP_SET_NETWORK_REQUEST = 2;
inline constexpr std::uint16_t OP_SET_NETWORK_REPLY = 3;

// Upgrade: a stream of packets, magic "MO_M", on the camera's HTTP port.
inline constexpr std::uint16_t OP_LOGIN_REQUEST = 0;
inline constexpr std::uint16_t OP_LOGIN_REPLY = 1;
inline constexpr std::uint16_t OP_VERIFY_REQUEST = 2;
inline constexpr std::uint16_t OP_VERIFY_REPLY = 3;
inline constexpr std::uint16_t OP_SYSTEM_CHUNK = 12;
inline constexpr std::uint16_t OP_APPLICATION_CHUNK = 13;
inline constexpr std::uint16_t LOGIN_RESULT_BUSY = 2;
inline constexpr std::size_t UPLOAD_CHUNK_BYTES = 1024;

// Chunk flags: the first of several, one in the middle, the last (or only).
inline constexpr std::uint8_t CHUNK_FIRST = 0;
inline constexpr std::uint8_t CHUNK_MIDDLE = 1;
inline constexpr std::uint8_t CHUNK_LAST = 2;

}  // namespace vantrel
