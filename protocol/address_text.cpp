// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/address_text.h"

#include <cstring>

#include "protocol/socket.h"

namespace vantrel {

std::string DottedQuad(std::uint32_t networkOrder) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &networkOrder, sizeof bytes);
    return std::to_string(bytes[0]) + '.' + std::to_string(bytes[1]) + '.' +
           std::to_string(bytes[2]) + '.' + std::to_string(bytes[3]);
}

std::uint32_t ReadAddress(const std::string& text) {
    return inet_addr(text.c_str());
}

}  // namespace vantrel
