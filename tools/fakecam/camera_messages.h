// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "protocol/camera_record.h"
#include "protocol/datagram_reader.h"
#include "protocol/packet_writer.h"

namespace vantrel::fakecam {

// The camera's side of the discovery datagrams.

// A search reply from the camera's settings: id, name, ip, mask, gateway,
// dns, an unused word, system and application versions, the HTTP port.
[[nodiscard]] bool BuildSearchReply(CPacketWriter& writer, const CameraRecord& camera);

struct SetNetworkRequest {
    char id[13];
    char user[13];
    char password[13];
    std::uint32_t ip;
    std::uint32_t mask;
    std::uint32_t gateway;
    std::uint32_t dns;
};

[[nodiscard]] bool ReadSetNetworkRequest(CDatagramReader& reader, SetNetworkRequest& request);

[[nodiscard]] bool BuildSetNetworkReply(CPacketWriter& writer, std::uint16_t result);

}  // namespace vantrel::fakecam
