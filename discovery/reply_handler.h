// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "discovery/discovery_sink.h"
#include "discovery/host_interfaces.h"
#include "protocol/datagram_reader.h"

namespace vantrel {

// What the worker makes of the datagrams it receives. A search reply
// becomes a record with its subnet flag and joins the batch that goes to
// the window in one report; a non-zero set-network result is passed on at
// once. Anything else is skipped: nothing a datagram holds ends the worker.
class CReplyHandler {
  public:
    explicit CReplyHandler(IDiscoverySink& sink) : m_sink(sink) {}

    // The host's interfaces for the subnet test, read once per search
    // round; none when the table could not be read (every camera is then
    // taken as local).
    void SetHostInterfaces(std::optional<std::vector<HostInterface>> rows) {
        m_rows = std::move(rows);
    }
    // The datagram the reader has just received.
    void Take(CDatagramReader& reader);
    // Reports the records taken since the last flush, if there are any.
    void Flush();

  private:
    void OnSearchReply(CDatagramReader& reader);
    void OnSetNetworkReply(CDatagramReader& reader);

    IDiscoverySink& m_sink;
    std::optional<std::vector<HostInterface>> m_rows;
    std::vector<CameraRecord> m_batch;
};

}  // namespace vantrel
