// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel::fakecam {

// One simulated camera from "key=value" words separated by commas (or by
// spaces where there is no comma, so a name may hold spaces only in the
// comma form): id (required), name, ip, mask, gateway, dns, port, system, app,
// password. Versions are dotted quads like addresses; "app=0.0.0.0" plays a
// camera without application firmware. The record's password field holds
// the camera's own password.
[[nodiscard]] std::optional<CameraRecord> ParseCamera(std::string_view words, std::string& error);

// Cameras from a file, one description per line; blank lines and lines
// starting with '#' are skipped.
[[nodiscard]] std::optional<std::vector<CameraRecord>> ReadCameraFile(const std::string& path,
                                                                      std::string& error);

// count cameras CAM000000, CAM000001, ... on consecutive addresses from
// 10.200.0.1/8, or all on sameAddress/24 (network order) as new cameras come
// out of the box; all with port 80, both firmwares and the password given.
[[nodiscard]] std::vector<CameraRecord> GenerateCameras(
    std::size_t count, std::optional<std::uint32_t> sameAddress = {},
    std::string_view password = {});

}  // namespace vantrel::fakecam
