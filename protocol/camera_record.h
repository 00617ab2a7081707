// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <type_traits>

namespace vantrel {

// One camera as it last answered a search, plus the password typed in a
// dialog. Addresses and the port hold the bytes as they stand on the wire
// (network order); versions hold their four bytes in received order, and an
// appVersion of zero means the camera has no application firmware.
// Created cleared ({} gives all zero bytes) and always copied whole.
struct CameraRecord {
    char id[13];
    char password[13];
    char alias[21];
    std::uint32_t ip;
    std::uint32_t mask;
    std::uint32_t gateway;
    std::uint32_t dns;
    std::uint16_t httpPort;
    std::uint32_t systemVersion;
    std::uint32_t appVersion;
    std::uint8_t subnetMatch;
    std::uint8_t seen;
};

// The user name sent with a set-network or verify request: "admin" and
// eight zero bytes.
inline constexpr char CAMERA_USER_NAME[13] = "admin";

static_assert(std::is_trivially_copyable_v<CameraRecord>);
static_assert(std::is_standard_layout_v<CameraRecord>);

}  // namespace vantrel
