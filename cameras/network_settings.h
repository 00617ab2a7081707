// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/camera_record.h"

namespace vantrel {

// What the network settings form holds when the user presses "Set".
struct NetworkForm {
    std::string portText;
    bool dhcp = false;
    std::string ipText;
    std::string maskText;
    std::string gatewayText;
    std::string dnsText;
    std::string passwordText;
};

// What pressing "Set" gives: the texts the form shows afterwards, and either
// a message to show (the record untouched) or the record as accepted.
struct NetworkFormResult {
    int messageId = 0;         // a string id, or 0 when accepted
    std::string portText;      // the port actually taken, as a number
    std::string passwordText;  // the password as taken (only when accepted)
};

// A whole number the way a signed integer field reads it: spaces around a
// decimal number with an optional sign; anything else, or a number outside
// the 32-bit signed range, reads as 0.
[[nodiscard]] std::int32_t ReadSignedNumber(std::string_view text);

// The subnet mask scan (host order): false once the bits have changed a
// third time from the lowest bit up. With the top three bits required set,
// this leaves exactly the masks of 3 to 32 leading ones.
[[nodiscard]] bool PassesMaskScan(std::uint32_t mask);

// Checks a to f on host-order values, in order; the first failing check's
// message id, or 0 when all pass.
[[nodiscard]] int CheckAddresses(std::uint32_t ip, std::uint32_t mask, std::uint32_t gateway,
                                 std::uint32_t dns);

// What a change of settings gives, as typed; what it leaves out keeps the
// camera's own value.
struct NetworkChanges {
    std::optional<std::string> port;
    bool dhcp = false;
    std::optional<std::string> ip;
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    std::optional<std::string> dns;
};

// The form the window would hold for the camera with the changes typed in.
[[nodiscard]] NetworkForm FormFor(const CameraRecord& camera, const NetworkChanges& changes,
                                  std::string password = {});

// The whole "Set" step: port, DHCP, the four addresses and their checks,
// then the password cut to 11 characters. The record is written, all at
// once, only when every check passed.
[[nodiscard]] NetworkFormResult ApplyNetworkForm(const NetworkForm& form, CameraRecord& record);

// Stores the password a request carries, cut to the 11 characters a
// camera takes; returns it as taken.
std::string_view StorePassword(CameraRecord& record, std::string_view password);

// Whether a camera's search reply shows the settings asked for. A
// set-network request carries no HTTP port, and under DHCP the camera picks
// its own addresses, so those are not compared.
[[nodiscard]] bool ShowsSettings(const CameraRecord& reply, const CameraRecord& asked, bool dhcp);

}  // namespace vantrel
