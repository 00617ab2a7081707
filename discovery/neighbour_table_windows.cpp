// SPDX-License-Identifier: GPL-3.0-or-later
// The neighbour table on Windows: the IP helper's table of neighbours.
#include "discovery/neighbour_table.h"

#include <memory>

#include "protocol/socket.h"

// After socket.h: the helper API needs Winsock 2's headers first.
#include <iphlpapi.h>
#include <netioapi.h>

namespace vantrel {

namespace {

Neighbour::State StateOf(NL_NEIGHBOR_STATE state) {
    switch (state) {
        case NlnsReachable:
        case NlnsPermanent:
            return Neighbour::State::Reachable;
        case NlnsStale:
        case NlnsDelay:
        case NlnsProbe:
            return Neighbour::State::Unconfirmed;
        case NlnsIncomplete:
            return Neighbour::State::Resolving;
        default:
            return Neighbour::State::Failed;
    }
}

}  // namespace

std::optional<std::vector<Neighbour>> ReadNeighbourTable() {
    MIB_IPNET_TABLE2* rows = nullptr;
    if (GetIpNetTable2(AF_INET, &rows) != NO_ERROR || rows == nullptr) {
        return std::nullopt;
    }
    const std::unique_ptr<MIB_IPNET_TABLE2, decltype(&FreeMibTable)> owner(rows, FreeMibTable);
    std::vector<Neighbour> table;
    table.reserve(rows->NumEntries);
    for (ULONG i = 0; i < rows->NumEntries; ++i) {
        const MIB_IPNET_ROW2& row = rows->Table[i];
        Neighbour neighbour;
        neighbour.address = row.Address.Ipv4.sin_addr.s_addr;
        neighbour.state = StateOf(row.State);
        if (row.PhysicalAddressLength > 0) {
            neighbour.hardware = HardwareText(row.PhysicalAddress, row.PhysicalAddressLength);
        }
        table.push_back(std::move(neighbour));
    }
    return table;
}

}  // namespace vantrel
