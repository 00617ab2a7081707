// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/datagram_reader.h"

#include "protocol/packet_header.h"

namespace vantrel {

Status CDatagramReader::Receive(SocketHandle socket, std::uint32_t timeoutMs) {
    switch (WaitReadable(socket, timeoutMs)) {
        case WaitResult::TimedOut:
            return STATUS_TIMED_OUT;
        case WaitResult::Failed:
            return STATUS_SOCKET_ERROR;
        case WaitResult::Readable:
            break;
    }
    const long received = ReceiveSome(socket, m_buffer.data(), m_buffer.size());
    // Anyone on the LAN can send an empty datagram; it is not a fault of
    // this socket.
    if (received < 0) {
        return STATUS_SOCKET_ERROR;
    }
    m_length = static_cast<std::size_t>(received);
    m_parsed = false;
    m_body.Stop();
    return STATUS_OK;
}

bool CDatagramReader::Parse(std::uint16_t& op, const char* magic) {
    // The body is descrambled in place, so a datagram is parsed once only.
    if (m_parsed || m_length < PACKET_HEADER_SIZE) {
        return false;
    }
    const auto header = ReadHeader(m_buffer.data(), MagicBytes(magic));
    if (!header || header->bodyLength != m_length - PACKET_HEADER_SIZE) {
        return false;
    }
    op = header->op;
    std::uint8_t* body = m_buffer.data() + PACKET_HEADER_SIZE;
    Descramble(body, header->bodyLength, *header);
    m_body.Start(body, header->bodyLength);
    m_parsed = true;
    return true;
}

}  // namespace vantrel
