// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "protocol/camera_record.h"
#include "protocol/datagram_reader.h"
#include "protocol/messages.h"
#include "protocol/packet_writer.h"

namespace vantrel {

// The discovery datagrams, magic "MO_I", as the host side speaks them.

// Search request: body 00 00 00 01, 27 bytes in all.
[[nodiscard]] bool BuildSearchRequest(CPacketWriter& writer);

// Set-network request from a record: 00 00 00 01, id, user name, password,
// ip, mask, gateway, dns; 82 bytes in all. The port is not sent.
[[nodiscard]] bool BuildSetNetworkRequest(CPacketWriter& writer, const CameraRecord& record);

// The fields of a search reply body (at least 64 bytes) into a cleared
// record: id, alias, ip, mask, gateway, dns, an unused word, the two
// versions, the port. False when the body is too short.
[[nodiscard]] bool ReadSearchReply(CDatagramReader& reader, CameraRecord& record);

// The result of a set-network reply; 0 is success.
[[nodiscard]] bool ReadSetNetworkResult(CDatagramReader& reader, std::uint16_t& result);

}  // namespace vantrel
