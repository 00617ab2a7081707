// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/stream_reader.h"

#include <algorithm>

#include "protocol/packet_header.h"

namespace vantrel {

namespace {

Status FailureStatus() {
    return FailureOf(LastSocketError()) == SocketFailure::ConnectionReset ? STATUS_DISCONNECTED
                                                                          : STATUS_SOCKET_ERROR;
}

}  // namespace

Status CStreamReader::Receive(SocketHandle socket, std::uint32_t timeoutMs) {
    switch (WaitReadable(socket, timeoutMs)) {
        case WaitResult::TimedOut:
            return STATUS_TIMED_OUT;
        case WaitResult::Failed:
            return FailureStatus();
        case WaitResult::Readable:
            break;
    }
    const long received = ReceiveSome(socket, m_recvBuffer.data(), m_recvBuffer.size());
    if (received == 0) {
        return STATUS_DISCONNECTED;
    }
    if (received < 0) {
        return FailureStatus();
    }
    m_pending.insert(m_pending.end(), m_recvBuffer.begin(), m_recvBuffer.begin() + received);
    return STATUS_OK;
}

bool CStreamReader::Parse(std::uint16_t& op, const char* magic) {
    const Magic bytes = MagicBytes(magic);
    // Resynchronise on the first magic; without one, keep the last three
    // bytes, which may be the start of a magic still arriving.
    if (m_pending.size() > 3) {
        const auto found =
            std::search(m_pending.begin(), m_pending.end(), bytes.begin(), bytes.end());
        const auto keepFrom = found != m_pending.end() ? found : m_pending.end() - 3;
        m_pending.erase(m_pending.begin(), keepFrom);
    }
    if (m_pending.size() < PACKET_HEADER_SIZE) {
        return false;
    }
    const auto header = ReadHeader(m_pending.data(), bytes);
    if (!header) {
        return false;
    }
    const std::size_t available = m_pending.size() - PACKET_HEADER_SIZE;
    if (header->bodyLength > available) {
        return false;
    }
    const auto bodyStart = m_pending.begin() + PACKET_HEADER_SIZE;
    const auto bodyEnd = bodyStart + header->bodyLength;
    m_body.assign(bodyStart, bodyEnd);
    m_pending.erase(m_pending.begin(), bodyEnd);
    Descramble(m_body.data(), m_body.size(), *header);
    m_cursor.Start(m_body.data(), m_body.size());
    op = header->op;
    return true;
}

}  // namespace vantrel
