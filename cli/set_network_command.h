// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cameras/network_settings.h"

namespace vantrel::cli {

struct SetNetworkOptions {
    std::string id;
    std::optional<std::string> ip;
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    std::optional<std::string> dns;
    std::optional<std::string> port;
    bool dhcp = false;
    std::uint64_t rounds = 2;
    std::string passwordFile;
};

// The form as the dialog would hold it for this camera: the camera's own
// values, with the ones given on the command line in their place.
[[nodiscard]] NetworkForm FormFor(const CameraRecord& camera, const SetNetworkOptions& options,
                                  std::string password);

// Whether a camera's search reply shows the settings asked for. A
// set-network request carries no HTTP port, and under DHCP the camera picks
// its own addresses, so those are not compared.
[[nodiscard]] bool ShowsSettings(const CameraRecord& reply, const CameraRecord& asked, bool dhcp);

// "vantrel-cli set-network": finds the camera, checks the settings as the
// dialog does, sends them and waits for the camera to show them.
[[nodiscard]] int RunSetNetwork(const SetNetworkOptions& options);

}  // namespace vantrel::cli
