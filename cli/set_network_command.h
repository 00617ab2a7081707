// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cameras/network_settings.h"

namespace vantrel::cli {

struct SetNetworkOptions {
    std::vector<std::string> ids;  // one, unless a range is given
    std::optional<std::string> ip;
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    std::optional<std::string> dns;
    std::optional<std::string> port;
    bool dhcp = false;
    // Searches to wait for; none: until the answers have settled.
    std::optional<std::uint64_t> rounds;
    std::string passwordFile;
    // Many cameras at once: a plan file, or a range of addresses for the
    // ids, for every camera (all) or those on another subnet (foreign).
    std::string plan;
    std::optional<std::string> ipFrom;
    bool all = false;
    bool foreign = false;
    bool dryRun = false;
    std::string report;
};

// What the options change, for the form the dialog would hold.
[[nodiscard]] NetworkChanges ChangesOf(const SetNetworkOptions& options);

// "vantrel-cli set-network" for one camera: finds it, checks the settings
// as the window's Network Settings does, sends them and waits for the camera
// to show them. A plan or a range goes to RunSitePlan.
[[nodiscard]] int RunSetNetwork(const SetNetworkOptions& options);

}  // namespace vantrel::cli
