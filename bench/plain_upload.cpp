// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/plain_upload.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "protocol/messages.h"
#include "protocol/packet_header.h"
#include "protocol/packet_writer.h"
#include "protocol/stream_reader.h"
#include "protocol/unique_socket.h"

namespace vantrel::bench {

bool PlainUpload(std::uint32_t address, std::uint16_t port, const std::string& password,
                 const std::string& image, std::uint64_t size) {
    const UniqueSocket connection(socket(AF_INET, SOCK_STREAM, 0));
    if (!ConnectWithTimeout(connection.Get(), address, port, 3000)) {
        return false;
    }
    CPacketWriter writer;
    CStreamReader reader;
    std::uint16_t op = 0;
    const char user[13] = "admin";
    char field[13] = {};
    password.copy(field, sizeof field - 1);
    if (!writer.Begin(OP_LOGIN_REQUEST, MAGIC_UPGRADE) || !writer.Finalize() ||
        writer.SendAll(connection.Get()) != STATUS_OK ||
        reader.Receive(connection.Get(), 3000) != STATUS_OK || !reader.Parse(op, MAGIC_UPGRADE) ||
        !writer.Begin(OP_VERIFY_REQUEST, MAGIC_UPGRADE) || !writer.AppendBytes(user, 13) ||
        !writer.AppendBytes(field, 13) || !writer.Finalize() ||
        writer.SendAll(connection.Get()) != STATUS_OK ||
        reader.Receive(connection.Get(), 3000) != STATUS_OK || !reader.Parse(op, MAGIC_UPGRADE)) {
        return false;
    }
    const std::vector<std::uint8_t> zeros(UPLOAD_CHUNK_BYTES);
    if (!writer.Begin(OP_SYSTEM_CHUNK, MAGIC_UPGRADE) || !writer.AppendByte(CHUNK_FIRST) ||
        !writer.AppendU32(UPLOAD_CHUNK_BYTES) || !writer.AppendBytes(zeros.data(), zeros.size()) ||
        !writer.Finalize()) {
        return false;
    }
    std::vector<char> packet(writer.Data(), writer.Data() + writer.Length());
    constexpr std::size_t FLAG_AT = PACKET_HEADER_SIZE;
    std::ifstream file(image, std::ios::binary);
    for (std::uint64_t sent = 0; sent < size; sent += UPLOAD_CHUNK_BYTES) {
        packet[FLAG_AT] = static_cast<char>(sent == 0                           ? CHUNK_FIRST
                                            : sent + UPLOAD_CHUNK_BYTES >= size ? CHUNK_LAST
                                                                                : CHUNK_MIDDLE);
        file.read(packet.data() + FLAG_AT + 5, UPLOAD_CHUNK_BYTES);
        for (std::size_t done = 0; done < packet.size();) {
            const long count =
                SendSome(connection.Get(), packet.data() + done, packet.size() - done);
            if (count < 0) {
                return false;
            }
            done += static_cast<std::size_t>(count);
        }
    }
    // Done once the camera has acknowledged every byte, as the session is.
    for (std::optional<std::size_t> left = UnacknowledgedBytes(connection.Get()); left && *left > 0;
         left = UnacknowledgedBytes(connection.Get())) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace vantrel::bench
