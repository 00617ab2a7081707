// SPDX-License-Identifier: GPL-3.0-or-later
// One fuzz input is one datagram on a real local socket, read the way the
// discovery worker reads a search reply and a set-network reply.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "discovery/discovery_messages.h"
#include "fuzz/local_socket_pair.h"
#include "protocol/camera_record.h"
#include "protocol/datagram_reader.h"
#include "protocol/packet_header.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static LocalSocketPair pair(SOCK_DGRAM);
    static CDatagramReader reader;
    if (send(pair.sender.Get(), data, size, 0) != static_cast<long>(size)) {
        return 0;
    }
    // Every datagram is taken in, an empty one too: the socket is sound.
    if (reader.Receive(pair.receiver.Get(), 1000) != STATUS_OK) {
        std::abort();
    }
    std::uint16_t op = 0;
    if (!reader.Parse(op, MAGIC_DISCOVERY)) {
        return 0;
    }
    if (size < PACKET_HEADER_SIZE) {
        std::abort();
    }
    std::uint16_t result = 0;
    CameraRecord record{};
    if (op == OP_SET_NETWORK_REPLY) {
        (void)ReadSetNetworkResult(reader, result);
    } else {
        (void)ReadSearchReply(reader, record);
    }
    // Reads stay inside the body: nothing is left to read past its end.
    std::uint8_t rest[CDatagramReader::BUFFER_SIZE];
    if (reader.ReadBytes(rest, size - PACKET_HEADER_SIZE + 1)) {
        std::abort();
    }
    return 0;
}
