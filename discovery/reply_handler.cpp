// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/reply_handler.h"

#include <utility>

#include "discovery/discovery_messages.h"
#include "protocol/packet_header.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {

void CReplyHandler::Take(CDatagramReader& reader) {
    std::uint16_t op = 0;
    if (!reader.Parse(op, MAGIC_DISCOVERY)) {
        return;
    }
    if (op == OP_SEARCH_REPLY) {
        OnSearchReply(reader);
    } else if (op == OP_SET_NETWORK_REPLY) {
        OnSetNetworkReply(reader);
    }
}

void CReplyHandler::Flush() {
    if (!m_batch.empty()) {
        m_sink.PostCamerasFound(std::exchange(m_batch, {}));
    }
}

void CReplyHandler::OnSearchReply(CDatagramReader& reader) {
    CameraRecord record{};
    if (!ReadSearchReply(reader, record)) {
        return;
    }
    record.seen = 1;
    if (record.alias[0] == '\0') {
        StoreFieldText(record.alias, LoadText(IDS_ANONYMOUS));
    }
    record.subnetMatch = !m_rows || IsOnLocalSubnet(record, *m_rows) ? 1 : 0;
    m_batch.push_back(record);
}

void CReplyHandler::OnSetNetworkReply(CDatagramReader& reader) {
    std::uint16_t result = 0;
    if (ReadSetNetworkResult(reader, result) && result != 0) {
        m_sink.PostSetNetworkResult(result);
    }
}

}  // namespace vantrel
