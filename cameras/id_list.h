// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// The ids of the cameras, for a message that names them: the first 20 and
// how many more, or "none".
[[nodiscard]] std::string IdList(const std::vector<CameraRecord>& cameras);

}  // namespace vantrel
