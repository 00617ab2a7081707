// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/address_text.h"

#include <charconv>
#include <cstring>

namespace vantrel {

std::string DottedQuad(std::uint32_t networkOrder) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &networkOrder, sizeof bytes);
    return std::to_string(bytes[0]) + '.' + std::to_string(bytes[1]) + '.' +
           std::to_string(bytes[2]) + '.' + std::to_string(bytes[3]);
}

std::optional<std::uint32_t> ReadAddress(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::uint8_t bytes[4];
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (std::size_t i = 0; i < sizeof bytes; ++i) {
        if (i > 0) {
            if (at == end || *at != '.') {
                return std::nullopt;
            }
            ++at;
        }
        // from_chars takes digits only: no sign, no spaces, no 0x.
        unsigned value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc{} || value > 255) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(value);
        at = next;
    }
    if (at != end) {
        return std::nullopt;
    }
    std::uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, bytes, sizeof bytes);
    return networkOrder;
}

}  // namespace vantrel
