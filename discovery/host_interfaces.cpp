// SPDX-License-Identifier: GPL-3.0-or-later
// What every system shares of the host interface table; reading it lives in
// host_interfaces_posix.cpp and host_interfaces_windows.cpp.
#include "discovery/host_interfaces.h"

#include <algorithm>

namespace vantrel {

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
