// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace vantrel::bench {

// Writes a system image of the given size, whose bytes are not all alike,
// to the temporary folder under a name that starts with prefix; its path.
std::string MakeSystemImage(const std::string& prefix, std::uint64_t size);

}  // namespace vantrel::bench
