// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/address_holders.h"

#include <thread>
#include <unordered_map>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds READ_PERIOD{100};
// An address the table still lacks this long after its touch was sent to
// no link's neighbour: it is routed elsewhere, or the send failed.
constexpr std::chrono::milliseconds ABSENT_AFTER{300};

}  // namespace

std::optional<std::vector<AddressHolder>> FindAddressHolders(
    const std::vector<std::uint32_t>& addresses, std::chrono::milliseconds wait,
    const NeighbourAccess& access, std::stop_token stop) {
    std::vector<AddressHolder> held;
    if (addresses.empty()) {
        return held;
    }
    const Clock::time_point start = Clock::now();
    access.touch(addresses);
    for (;;) {
        const std::optional<std::vector<Neighbour>> table = access.read();
        if (!table || stop.stop_requested()) {
            return std::nullopt;
        }
        std::unordered_map<std::uint32_t, const Neighbour*> rows;
        for (const Neighbour& row : *table) {
            rows.emplace(row.address, &row);
        }
        const Clock::duration spent = Clock::now() - start;
        const bool last = spent >= wait;
        bool open = false;
        held.clear();
        for (const std::uint32_t address : addresses) {
            const auto row = rows.find(address);
            if (row == rows.end()) {
                open = open || spent < ABSENT_AFTER;
                continue;
            }
            const Neighbour& neighbour = *row->second;
            const bool known = !neighbour.hardware.empty();
            switch (neighbour.state) {
                case Neighbour::State::Reachable:
                    // Listed as answered but with no hardware address, as
                    // some systems list an address still being asked about.
                    if (known) {
                        held.push_back({address, neighbour.hardware});
                    } else {
                        open = true;
                    }
                    break;
                case Neighbour::State::Unconfirmed:
                    if (last && known) {
                        held.push_back({address, neighbour.hardware});
                    }
                    open = true;
                    break;
                case Neighbour::State::Resolving:
                    open = true;
                    break;
                case Neighbour::State::Failed:
                    break;
            }
        }
        if (!open || last) {
            return held;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(READ_PERIOD, wait - spent));
    }
}

}  // namespace vantrel
