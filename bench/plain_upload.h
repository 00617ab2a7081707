// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace vantrel::bench {

// A sender with nothing but the protocol: login and verify, then the image
// in prebuilt 1052-byte chunk packets, the file read straight into the
// packet, and a wait until the camera has acknowledged every byte (as the
// upgrade session waits); the least any upload to the camera can cost.
// Address and port in network order; false when the upload failed.
[[nodiscard]] bool PlainUpload(std::uint32_t address, std::uint16_t port,
                               const std::string& password, const std::string& image,
                               std::uint64_t size);

}  // namespace vantrel::bench
