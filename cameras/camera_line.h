// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "protocol/camera_record.h"

namespace vantrel {

// The camera's web address: "http://A" on port 80, "http://A:P" otherwise.
[[nodiscard]] std::string WebAddress(const CameraRecord& camera);

// What to do about the camera, in the list's words: change its network
// settings (another subnet), upgrade its application firmware (none there),
// or, when it is ready, its web address.
[[nodiscard]] std::string CameraStatusText(const CameraRecord& camera);

// A list line in UTF-8: the name as ShownText shows it, left-aligned in 25
// columns, then the camera's status text.
[[nodiscard]] std::string CameraLineText(const CameraRecord& camera);

}  // namespace vantrel
