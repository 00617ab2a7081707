// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/discovery_messages.h"

#include "protocol/packet_header.h"

namespace vantrel {

namespace {

// The number 1 in network order, first in both requests.
constexpr std::uint8_t REQUEST_MARK[4] = {0, 0, 0, 1};

}  // namespace

bool BuildSearchRequest(CPacketWriter& writer) {
    return writer.Begin(OP_SEARCH_REQUEST, MAGIC_DISCOVERY) &&
           writer.AppendBytes(REQUEST_MARK, sizeof REQUEST_MARK) && writer.Finalize();
}

bool BuildSetNetworkRequest(CPacketWriter& writer, const CameraRecord& record) {
    return writer.Begin(OP_SET_NETWORK_REQUEST, MAGIC_DISCOVERY) &&
           writer.AppendBytes(REQUEST_MARK, sizeof REQUEST_MARK) &&
           writer.AppendBytes(record.id, sizeof record.id) &&
           writer.AppendBytes(CAMERA_USER_NAME, sizeof CAMERA_USER_NAME) &&
           writer.AppendBytes(record.password, sizeof record.password) &&
           writer.AppendU32(record.ip) && writer.AppendU32(record.mask) &&
           writer.AppendU32(record.gateway) && writer.AppendU32(record.dns) && writer.Finalize();
}

bool ReadSearchReply(CDatagramReader& reader, CameraRecord& record) {
    std::uint32_t unused = 0;
    return reader.ReadBytes(record.id, sizeof record.id) &&
           reader.ReadBytes(record.alias, sizeof record.alias) && reader.ReadU32(record.ip) &&
           reader.ReadU32(record.mask) && reader.ReadU32(record.gateway) &&
           reader.ReadU32(record.dns) && reader.ReadU32(unused) &&
           reader.ReadU32(record.systemVersion) && reader.ReadU32(record.appVersion) &&
           reader.ReadU16(record.httpPort);
}

bool ReadSetNetworkResult(CDatagramReader& reader, std::uint16_t& result) {
    return reader.ReadU16(result);
}

}  // namespace vantrel
