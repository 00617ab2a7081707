// SPDX-License-Identifier: GPL-3.0-or-later
// The host's interface table on Linux and other POSIX systems.
#include "discovery/host_interfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <memory>

#include "protocol/socket.h"

namespace vantrel {

std::optional<std::vector<HostInterface>> ReadHostInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> owner(list, freeifaddrs);
    std::vector<HostInterface> rows;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        HostInterface row;
        row.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        if (entry->ifa_netmask != nullptr) {
            row.mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
        }
        row.index = if_nametoindex(entry->ifa_name);
        row.name = entry->ifa_name;
        const unsigned flags = entry->ifa_flags;
        row.loopback = (flags & IFF_LOOPBACK) != 0 || (ntohl(row.address) >> 24) == 127;
        row.canBroadcast =
            row.index != 0 && (flags & IFF_UP) && (flags & IFF_BROADCAST) && !row.loopback;
        rows.push_back(row);
    }
    return rows;
}

}  // namespace vantrel
