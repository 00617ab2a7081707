// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's whole reply handling: one fuzz input is one datagram on a
// real local socket, taken in as the worker takes it and turned into what
// the window would hear of it. Whatever it holds, the report must be sound.

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "discovery/reply_handler.h"
#include "fuzz/local_socket_pair.h"
#include "protocol/text_field.h"

using namespace vantrel;

namespace {

// A LAN row, and the loopback row every host has.
const std::vector<HostInterface> HOST_ROWS = {
    {inet_addr("192.168.1.5"), inet_addr("255.255.255.0"), 2, true, false, "eth0"},
    {inet_addr("127.0.0.1"), inet_addr("255.0.0.0"), 1, false, true, "lo"},
};

class CheckingSink : public IDiscoverySink {
  public:
    void PostSocketError() override { std::abort(); }  // no datagram is the socket's fault
    void PostCameraRefresh() override { std::abort(); }
    void PostSetNetworkResult(std::uint16_t result) override {
        if (result == 0 || ++reports > 1) {
            std::abort();
        }
    }
    void PostCamerasFound(std::vector<CameraRecord> records) override {
        if (records.size() != 1 || ++reports > 1) {
            std::abort();
        }
        const CameraRecord& record = records.front();
        // Only the LAN row's network makes a camera local; loopback never.
        const bool local = (record.ip & record.mask) == inet_addr("192.168.1.0");
        if (record.seen != 1 || record.alias[0] == '\0' || record.subnetMatch != (local ? 1 : 0) ||
            !FieldText(record.password).empty()) {
            std::abort();
        }
    }
    int reports = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static LocalSocketPair pair(SOCK_DGRAM);
    static CDatagramReader reader;
    if (send(pair.sender.Get(), data, size, 0) != static_cast<long>(size)) {
        return 0;
    }
    if (reader.Receive(pair.receiver.Get(), 1000) != STATUS_OK) {
        std::abort();  // an empty datagram too is taken in
    }
    CheckingSink sink;
    CReplyHandler handler(sink);
    handler.SetHostInterfaces(HOST_ROWS);
    handler.Take(reader);
    handler.Flush();
    handler.Flush();  // nothing is reported twice
    return 0;
}
