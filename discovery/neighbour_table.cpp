// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/neighbour_table.h"

#include <algorithm>

#include "protocol/unique_socket.h"

namespace vantrel {

namespace {

// The discard service: a device that serves nothing there lets the
// datagram fall; it was sent only for the question it makes the system ask.
constexpr std::uint16_t DISCARD_PORT = 9;

}  // namespace

void TouchAddresses(const std::vector<std::uint32_t>& addresses) {
    const UniqueSocket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!socket.IsValid() || !SetBlocking(socket.Get(), false)) {
        return;
    }
    for (const std::uint32_t address : addresses) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(DISCARD_PORT);
        to.sin_addr.s_addr = address;
        // A failed send leaves the address unasked, which the table shows.
        (void)sendto(socket.Get(), "", 0, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
}

std::string HardwareText(const unsigned char* bytes, std::size_t size) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text;
    if (std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; })) {
        return text;  // some systems list addresses nobody answered for so
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (i != 0) {
            text += ':';
        }
        text += DIGITS[bytes[i] >> 4];
        text += DIGITS[bytes[i] & 0xf];
    }
    return text;
}

}  // namespace vantrel
