// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/host_interfaces.h"

#include <algorithm>

#ifdef _WIN32
#include <iphlpapi.h>
#include <winsock2.h>
#else
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#endif

#include <memory>

namespace vantrel {

#ifdef _WIN32

std::optional<std::vector<HostInterface>> ReadHostInterfaces() {
    ULONG size = 0;
    GetIpAddrTable(nullptr, &size, FALSE);
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (size == 0 || GetIpAddrTable(table, &size, FALSE) != NO_ERROR) {
        return std::nullopt;
    }
    std::vector<HostInterface> rows;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table->table[i];
        const bool loopback = (ntohl(row.dwAddr) >> 24) == 127;
        rows.push_back({row.dwAddr, row.dwMask, row.dwIndex, !loopback && row.dwBCastAddr != 0,
                        loopback, "interface " + std::to_string(row.dwIndex)});
    }
    return rows;
}

#else

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

#endif

std::vector<std::string> SearchedInterfaceNames(const std::vector<HostInterface>& rows) {
    std::vector<std::string> names;
    for (const HostInterface& row : rows) {
        if (row.canBroadcast && std::find(names.begin(), names.end(), row.name) == names.end()) {
            names.push_back(row.name);
        }
    }
    return names;
}

bool IsOnLocalSubnet(const CameraRecord& camera, const std::vector<HostInterface>& rows) {
    const std::uint32_t network = camera.ip & camera.mask;
    return std::any_of(rows.begin(), rows.end(), [network](const HostInterface& row) {
        return !row.loopback && (row.address & row.mask) == network;
    });
}

}  // namespace vantrel
