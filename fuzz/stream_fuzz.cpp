// SPDX-License-Identifier: GPL-3.0-or-later
// One fuzz input is a byte stream cut into pieces, each piece written to a
// real local stream socket and taken in by CStreamReader with repeated
// parses and the reads of the upgrade replies.
//
// Input layout: a control byte k, then k * 8 stream bytes (fewer at the
// end), repeated.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/local_socket_pair.h"
#include "protocol/packet_header.h"
#include "protocol/stream_reader.h"

using namespace vantrel;

namespace {

void ReadPackets(CStreamReader& reader) {
    std::uint16_t op = 0;
    while (reader.Parse(op, MAGIC_UPGRADE)) {
        std::uint16_t result = 0;
        std::uint8_t id[13];
        std::uint32_t value = 0;
        if (!reader.ReadU16(result) || op != 1 || result == 2) {
            continue;
        }
        (void)(reader.ReadBytes(id, sizeof id) && reader.ReadU32(value) && reader.ReadU32(value) &&
               reader.ReadU32(value));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LocalSocketPair pair(SOCK_STREAM);
    CStreamReader reader;
    std::size_t fed = 0;
    std::size_t at = 0;
    while (at < size) {
        std::size_t piece = std::size_t{data[at++]} * 8;
        if (piece > size - at) {
            piece = size - at;
        }
        if (piece == 0) {
            continue;
        }
        if (send(pair.sender.Get(), data + at, piece, 0) != static_cast<long>(piece)) {
            std::abort();
        }
        at += piece;
        fed += piece;
        while (reader.Receive(pair.receiver.Get(), 0) == STATUS_OK) {
            ReadPackets(reader);
        }
        if (reader.PendingLength() > fed) {
            std::abort();
        }
    }
    pair.sender.Reset();
    while (reader.Receive(pair.receiver.Get(), 1000) == STATUS_OK) {
        ReadPackets(reader);
    }
    if (reader.Receive(pair.receiver.Get(), 1000) != STATUS_DISCONNECTED) {
        std::abort();
    }
    return 0;
}
