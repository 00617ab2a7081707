// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cameras/firmware_image.h"

namespace vantrel::cli {

struct UpgradeOptions {
    std::vector<std::string> ids;
    bool all = false;
    std::string image;
    unsigned jobs = 1;
    // Searches to wait for; none: until the answers have settled.
    std::optional<std::uint64_t> rounds;
    std::string passwordFile;
    std::string report;  // a JSON file of what happened to each camera
    bool wait = true;    // follow each camera through its restart
    unsigned waitSeconds = 300;
};

// "vantrel-cli upgrade": the image to each camera, up to jobs at once, each
// with the upgrade session the firmware dialog runs.
[[nodiscard]] int RunUpgrade(const UpgradeOptions& options);

}  // namespace vantrel::cli
