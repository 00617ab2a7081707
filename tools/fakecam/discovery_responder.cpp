// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fakecam/discovery_responder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "protocol/packet_header.h"
#include "protocol/text_field.h"
#include "tools/fakecam/camera_list.h"
#include "tools/fakecam/camera_messages.h"

namespace vantrel::fakecam {

namespace {

constexpr std::uint16_t HOST_PORT = 10000;

}  // namespace

CDiscoveryResponder::CDiscoveryResponder(std::vector<CameraRecord> cameras,
                                         ResponderOptions options, std::FILE* log,
                                         const CRestartSchedule* restarts)
    : m_cameras(std::move(cameras)), m_options(options), m_restarts(restarts), m_log(log) {}

bool CDiscoveryResponder::Open() {
    m_socket.Reset(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = m_options.bindAddress;
    local.sin_port = htons(m_options.port);
    if (!m_socket.IsValid() || !SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_BROADCAST, 1) ||
        !IgnorePortUnreachable(m_socket.Get()) ||
        bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(m_log, "cannot listen on UDP port %u: %s\n", m_options.port,
                     SocketErrorText(LastSocketError()).c_str());
        return false;
    }
    return true;
}

std::uint16_t CDiscoveryResponder::Port() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    getsockname(m_socket.Get(), reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

void CDiscoveryResponder::Run(const std::atomic<bool>& stop) {
    while (!stop) {
        if (WaitReadable(m_socket.Get(), 100) != WaitResult::Readable) {
            continue;
        }
        // The reader does not tell who sent a datagram; a peek does.
        sockaddr_in sender{};
        if (!PeekSender(m_socket.Get(), sender) ||
            m_reader.Receive(m_socket.Get(), 0) != STATUS_OK) {
            continue;
        }
        std::uint16_t op = 0;
        if (!m_reader.Parse(op, MAGIC_DISCOVERY)) {
            std::fprintf(m_log, "recv unknown datagram from %s\n",
                         DottedQuad(sender.sin_addr.s_addr).c_str());
            continue;
        }
        if (op == OP_SEARCH_REQUEST) {
            OnSearch(sender);
        } else if (op == OP_SET_NETWORK_REQUEST) {
            OnSetNetwork(sender);
        }
    }
}

void CDiscoveryResponder::OnSearch(const sockaddr_in& sender) {
    std::fprintf(m_log, "recv search from %s:%u\n", DottedQuad(sender.sin_addr.s_addr).c_str(),
                 ntohs(sender.sin_port));
    // A camera behind a lossy link: its answers to the others are lost.
    if (m_searches++ % std::max(1u, m_options.answerEvery) != 0) {
        return;
    }
    if (m_options.delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.delayMs));
    }
    if (m_options.sendEmpty) {
        SendBytes(nullptr, 0, sender);
    }
    if (m_options.malformed) {
        SendMalformed(sender);
    }
    if (m_options.hostile) {
        SendHostile(sender);
    }
    const auto now = CRestartSchedule::Clock::now();
    for (const CameraRecord& camera : m_cameras) {
        const std::optional<CameraRecord> shown =
            m_restarts != nullptr ? m_restarts->Answer(camera, now) : camera;
        if (shown && BuildSearchReply(m_writer, *shown)) {
            Answer(sender);
        }
    }
}

void CDiscoveryResponder::OnSetNetwork(const sockaddr_in& sender) {
    SetNetworkRequest request{};
    if (!ReadSetNetworkRequest(m_reader, request)) {
        std::fprintf(m_log, "recv short set-network request\n");
        return;
    }
    for (CameraRecord& camera : m_cameras) {
        if (!SameFieldText(camera.id, request.id)) {
            continue;
        }
        const bool allowed = SameFieldText(camera.password, request.password) &&
                             FieldText(request.user) == CAMERA_USER_NAME;
        // All-zero addresses ask for DHCP; the simulated camera keeps its own.
        const bool dhcp =
            request.ip == 0 && request.mask == 0 && request.gateway == 0 && request.dns == 0;
        if (allowed && !dhcp) {
            camera.ip = request.ip;
            camera.mask = request.mask;
            camera.gateway = request.gateway;
            camera.dns = request.dns;
        }
        std::fprintf(m_log, "recv set-network id=%.13s ip=%s%s -> result %d\n", camera.id,
                     DottedQuad(request.ip).c_str(), dhcp ? " (dhcp)" : "", allowed ? 0 : 1);
        if (BuildSetNetworkReply(m_writer, allowed ? 0 : 1)) {
            Answer(sender);
        }
        return;
    }
    std::fprintf(m_log, "recv set-network id=%.13s for no camera here\n", request.id);
}

void CDiscoveryResponder::Answer(const sockaddr_in& sender) {
    std::vector<std::uint8_t> packet(m_writer.Data(), m_writer.Data() + m_writer.Length());
    if (m_options.scramble) {
        packet[HEADER_SCRAMBLE_FLAG_OFFSET] = 1;
        for (std::size_t i = 0; i < 8; ++i) {
            m_keySeed = m_keySeed * 1664525u + 1013904223u;
            packet[HEADER_SCRAMBLE_KEY_OFFSET + i] = static_cast<std::uint8_t>(m_keySeed >> 24);
        }
        for (std::size_t i = PACKET_HEADER_SIZE; i < packet.size(); ++i) {
            packet[i] ^= packet[HEADER_SCRAMBLE_KEY_OFFSET + (i - PACKET_HEADER_SIZE) % 8];
        }
    }
    SendBytes(packet.data(), packet.size(), sender);
}

// Replies go out as a limited broadcast to the host's port, as a camera
// that may not share the host's subnet sends them; where that cannot
// leave, or in unicast mode, straight to the sender.
void CDiscoveryResponder::SendBytes(const void* data, std::size_t length,
                                    const sockaddr_in& sender) {
    if (!m_options.unicast && SendDatagram(m_socket.Get(), data, length, LIMITED_BROADCAST,
                                           htons(HOST_PORT)) == static_cast<long>(length)) {
        return;
    }
    if (SendDatagram(m_socket.Get(), data, length, sender.sin_addr.s_addr, sender.sin_port) < 0) {
        std::fprintf(m_log, "send to %s failed: %s\n", DottedQuad(sender.sin_addr.s_addr).c_str(),
                     SocketErrorText(LastSocketError()).c_str());
    }
}

void CDiscoveryResponder::SendMalformed(const sockaddr_in& sender) {
    const CameraRecord& camera = m_cameras.empty() ? CameraRecord{} : m_cameras.front();
    if (!BuildSearchReply(m_writer, camera)) {
        return;
    }
    std::vector<std::uint8_t> good(m_writer.Data(), m_writer.Data() + m_writer.Length());
    SendBytes(good.data(), PACKET_HEADER_SIZE - 1, sender);  // header cut short
    std::vector<std::uint8_t> bad = good;
    std::memcpy(bad.data(), MAGIC_UPGRADE, 4);  // the other protocol's magic
    SendBytes(bad.data(), bad.size(), sender);
    bad = good;
    bad.push_back(0);  // one byte more than the header says
    SendBytes(bad.data(), bad.size(), sender);
    bad.assign(good.begin(), good.end() - 1);  // a 63-byte body that says so
    bad[HEADER_BODY_LENGTH_OFFSET] = 63;
    SendBytes(bad.data(), bad.size(), sender);
}

// What anyone on the LAN can send to the host's port: an empty datagram, a
// set-network result that looks like the worker's own -2, and noise.
void CDiscoveryResponder::SendHostile(const sockaddr_in& sender) {
    SendBytes(nullptr, 0, sender);
    if (BuildSetNetworkReply(m_writer, 0xFFFE)) {
        Answer(sender);
    }
    std::vector<std::uint8_t> noise;
    for (std::size_t length = 0; length <= 200; ++length) {
        noise.resize(length);
        for (std::uint8_t& byte : noise) {
            m_keySeed = m_keySeed * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(m_keySeed >> 24);
        }
        SendBytes(noise.data(), noise.size(), sender);
    }
    std::fprintf(m_log, "sent hostile datagrams\n");
}

}  // namespace vantrel::fakecam
