// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "discovery/neighbour_table.h"

namespace vantrel {

// A device that answers for an address.
struct AddressHolder {
    std::uint32_t address = 0;  // network order
    std::string hardware;
};

// How long the asking takes at most, however many addresses: the system
// gives up on an address nobody holds after three tries a second apart.
inline constexpr std::chrono::milliseconds HOLDERS_WAIT{3200};

struct NeighbourAccess {
    std::function<std::optional<std::vector<Neighbour>>()> read = ReadNeighbourTable;
    std::function<void(const std::vector<std::uint32_t>&)> touch = TouchAddresses;
};

// Asks the link which of the addresses (each on a subnet of this
// computer's) some device holds: touches them all at once, then reads the
// neighbour table until each is answered or given up, or wait has passed.
// An address still unconfirmed then counts as held by the device last seen
// there. Nothing when the table cannot be read, or stop was asked for.
[[nodiscard]] std::optional<std::vector<AddressHolder>> FindAddressHolders(
    const std::vector<std::uint32_t>& addresses, std::chrono::milliseconds wait = HOLDERS_WAIT,
    const NeighbourAccess& access = {}, std::stop_token stop = {});

}  // namespace vantrel
