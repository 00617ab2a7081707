// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The dotted-quad text of four stored bytes, first byte first: an address
// or port-free version in network order, or a firmware version.
[[nodiscard]] std::string DottedQuad(std::uint32_t networkOrder);

// A dotted-quad text to a network-order address; text that is not an
// address reads as 255.255.255.255.
[[nodiscard]] std::uint32_t ReadAddress(const std::string& text);

}  // namespace vantrel
