// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// One IPv4 row of the system's neighbour table: what it knows of the
// device behind an address on one of this computer's subnets.
struct Neighbour {
    enum class State {
        Resolving,    // asked, no answer yet
        Reachable,    // answered lately, or set by hand
        Unconfirmed,  // answered once, not confirmed since
        Failed,       // asked, and nothing answered
    };
    std::uint32_t address = 0;  // network order
    State state = State::Failed;
    std::string hardware;  // "02:42:0a:47:01:32"; empty when none is known
};

// The table as it stands; nothing when it cannot be read. Reading it
// needs no privilege on Linux (rtnetlink) or Windows (the IP helper).
[[nodiscard]] std::optional<std::vector<Neighbour>> ReadNeighbourTable();

// Sends an empty datagram to each address, so that the system asks the
// link who holds it; the answers reach the neighbour table.
void TouchAddresses(const std::vector<std::uint32_t>& addresses);

// Six bytes as the hardware address is written: two hex digits each,
// apart by colons. All zero bytes are no device's: empty.
[[nodiscard]] std::string HardwareText(const unsigned char* bytes, std::size_t size);

}  // namespace vantrel
