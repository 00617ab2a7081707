// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// One IPv4 address of this host, as the system lists them.
struct HostInterface {
    std::uint32_t address = 0;  // network order
    std::uint32_t mask = 0;     // network order
    unsigned index = 0;         // the interface's index
    bool canBroadcast = false;  // up, not loopback, broadcast-capable
    bool loopback = false;      // this host only: never a camera's subnet
    std::string name;           // as the system names the interface
};

// The host's IPv4 addresses in the system's order; none when the table
// cannot be read.
[[nodiscard]] std::optional<std::vector<HostInterface>> ReadHostInterfaces();

// The names of the interfaces a search goes out on, each once, in order.
[[nodiscard]] std::vector<std::string> SearchedInterfaceNames(
    const std::vector<HostInterface>& rows);

// A camera is on a local subnet when its own network (its mask over its
// address) equals some row's network (the row's mask over its address).
// Loopback rows never count: no camera lives on this host's loopback.
[[nodiscard]] bool IsOnLocalSubnet(const CameraRecord& camera,
                                   const std::vector<HostInterface>& rows);

}  // namespace vantrel
