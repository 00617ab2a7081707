// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/packet_writer.h"

#include <chrono>
#include <cstring>
#include <limits>
#include <new>

#include "protocol/packet_header.h"

namespace vantrel {

namespace {

void StoreU32(std::uint8_t* destination, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        destination[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

void CPacketWriter::Clear() {
    m_buffer.clear();
    m_length = 0;
    m_capacity = 0;
}

bool CPacketWriter::Begin(std::uint16_t op, const char* magic) {
    Clear();
    try {
        m_buffer.resize(GROWTH_STEP);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const Magic bytes = MagicBytes(magic);
    std::memcpy(m_buffer.data(), bytes.data(), bytes.size());
    m_buffer[HEADER_OP_OFFSET] = static_cast<std::uint8_t>(op);
    m_buffer[HEADER_OP_OFFSET + 1] = static_cast<std::uint8_t>(op >> 8);
    m_capacity = GROWTH_STEP;
    m_length = static_cast<std::int32_t>(PACKET_HEADER_SIZE);
    return true;
}

bool CPacketWriter::AppendByte(std::uint32_t value) {
    const auto byte = static_cast<std::uint8_t>(value);
    return AppendBytes(&byte, 1);
}

bool CPacketWriter::AppendU32(std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreU32(bytes, value);
    return AppendBytes(bytes, sizeof bytes);
}

bool CPacketWriter::AppendBytes(const void* source, std::size_t count) {
    if (count == 0) {
        return true;
    }
    if (source == nullptr || m_capacity == 0) {
        return false;
    }
    // The packet's length must stay a signed 32-bit number, capacity included.
    constexpr auto maxLength = std::numeric_limits<std::int32_t>::max() / GROWTH_STEP * GROWTH_STEP;
    if (count > static_cast<std::size_t>(maxLength - m_length)) {
        return false;
    }
    const auto needed = static_cast<std::int32_t>(m_length + count);
    if (needed > m_capacity) {
        const std::int32_t shortfall = needed - m_capacity;
        const std::int32_t grown =
            m_capacity + (shortfall + GROWTH_STEP - 1) / GROWTH_STEP * GROWTH_STEP;
        try {
            m_buffer.resize(static_cast<std::size_t>(grown));
        } catch (const std::bad_alloc&) {
            return false;
        }
        m_capacity = grown;
    }
    std::memcpy(m_buffer.data() + m_length, source, count);
    m_length = needed;
    StoreU32(m_buffer.data() + HEADER_BODY_LENGTH2_OFFSET,
             static_cast<std::uint32_t>(m_length) - PACKET_HEADER_SIZE);
    return true;
}

bool CPacketWriter::Finalize() {
    if (m_capacity == 0) {
        return true;
    }
    std::memcpy(m_buffer.data() + HEADER_BODY_LENGTH_OFFSET,
                m_buffer.data() + HEADER_BODY_LENGTH2_OFFSET, 4);
    return true;
}

Status CPacketWriter::SendAll(SocketHandle socket) const {
    return SendWithin(socket, std::nullopt);
}

Status CPacketWriter::SendAll(SocketHandle socket, std::uint32_t timeoutMs) const {
    return SendWithin(socket, timeoutMs);
}

Status CPacketWriter::SendWithin(SocketHandle socket,
                                 std::optional<std::uint32_t> timeoutMs) const {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs.value_or(0));
    const std::uint8_t* rest = m_buffer.data();
    auto left = static_cast<std::size_t>(m_length);
    while (left > 0) {
        // Each send may wait only for what is left of the packet's time.
        if (timeoutMs) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (wait.count() <= 0 ||
                !SetSendTimeout(socket, static_cast<std::uint32_t>(wait.count()))) {
                return STATUS_SOCKET_ERROR;
            }
        }
        const long sent = SendSome(socket, rest, left);
        if (sent < 0) {
            return STATUS_SOCKET_ERROR;
        }
        rest += sent;
        left -= static_cast<std::size_t>(sent);
    }
    return STATUS_OK;
}

Status CPacketWriter::SendTo(SocketHandle socket, std::uint32_t address, std::uint16_t port) const {
    const long sent =
        SendDatagram(socket, m_buffer.data(), static_cast<std::size_t>(m_length), address, port);
    return sent == m_length ? STATUS_OK : STATUS_SOCKET_ERROR;
}

}  // namespace vantrel
