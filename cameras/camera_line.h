// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// How many ids of the other cameras on a camera's address its details name.
inline constexpr std::size_t SAME_ADDRESS_NAMED = 3;

// A line's details (its tooltip and accessible description) in UTF-8, one
// fact a line: the camera's id, addresses, HTTP port and firmware versions,
// then, when other listed cameras report its address, "Same address as"
// their ids (sameAddress: at most SAME_ADDRESS_NAMED are named, one more
// says there are others).
[[nodiscard]] std::string CameraDetailsText(const CameraRecord& camera,
                                            const std::vector<std::string>& sameAddress);

}  // namespace vantrel
