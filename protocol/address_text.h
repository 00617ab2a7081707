// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The dotted-quad text of four stored bytes, first byte first: an address
// or port-free version in network order, or a firmware version.
[[nodiscard]] std::string DottedQuad(std::uint32_t networkOrder);

// An address as a person or a spreadsheet writes it, in network order: four
// decimal numbers of 0 to 255 apart by dots, spaces and tabs around allowed. Leading
// zeros are decimal ("010" is 10), as a zero-padded column means them; the
// octal, hex and short forms of the C library are not addresses.
[[nodiscard]] std::optional<std::uint32_t> ReadAddress(std::string_view text);

}  // namespace vantrel
