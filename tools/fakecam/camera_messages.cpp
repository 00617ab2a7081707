// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fakecam/camera_messages.h"

#include "protocol/messages.h"
#include "protocol/packet_header.h"

namespace vantrel::fakecam {

bool BuildSearchReply(CPacketWriter& writer, const CameraRecord& camera) {
    return writer.Begin(OP_SEARCH_REPLY, MAGIC_DISCOVERY) &&
           writer.AppendBytes(camera.id, sizeof camera.id) &&
           writer.AppendBytes(camera.alias, sizeof camera.alias) &&
           writer.AppendBytes(&camera.ip, 4) && writer.AppendBytes(&camera.mask, 4) &&
           writer.AppendBytes(&camera.gateway, 4) && writer.AppendBytes(&camera.dns, 4) &&
           writer.AppendU32(0) && writer.AppendBytes(&camera.systemVersion, 4) &&
           writer.AppendBytes(&camera.appVersion, 4) && writer.AppendBytes(&camera.httpPort, 2) &&
           writer.Finalize();
}

bool ReadSetNetworkRequest(CDatagramReader& reader, SetNetworkRequest& request) {
    std::uint32_t mark = 0;
    return reader.ReadU32(mark) && reader.ReadBytes(request.id, sizeof request.id) &&
           reader.ReadBytes(request.user, sizeof request.user) &&
           reader.ReadBytes(request.password, sizeof request.password) &&
           reader.ReadU32(request.ip) && reader.ReadU32(request.mask) &&
           reader.ReadU32(request.gateway) && reader.ReadU32(request.dns);
}

bool BuildSetNetworkReply(CPacketWriter& writer, std::uint16_t result) {
    return writer.Begin(OP_SET_NETWORK_REPLY, MAGIC_DISCOVERY) &&
           writer.AppendBytes(&result, sizeof result) && writer.Finalize();
}

}  // namespace vantrel::fakecam
