// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "protocol/camera_record.h"

namespace vantrel {

// What a camera's line offers: the one thing to do about it, which a
// double-click does.
enum class CameraAction {
    WebPage,          // on a local subnet with application firmware
    NetworkSettings,  // on another subnet: it cannot be reached until moved
    Upgrade,          // on a local subnet without application firmware
};

[[nodiscard]] CameraAction ActionFor(const CameraRecord& camera);

// Only a camera on a local subnet can be reached over TCP, for its web
// page or an upload.
[[nodiscard]] bool Reachable(const CameraRecord& camera);
// "Access IP Camera" is offered for the line that leads to a web page.
[[nodiscard]] bool OffersWebPage(const CameraRecord& camera);

// Whether a camera's set-network result says that the password was wrong:
// its results 1, 5 and 6. Replies are not matched to requests, so other
// values are no one's answer in particular.
[[nodiscard]] bool IsPasswordRefusal(std::uint16_t result);

}  // namespace vantrel
