// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "protocol/camera_record.h"
#include "protocol/datagram_reader.h"
#include "protocol/packet_writer.h"
#include "protocol/unique_socket.h"
#include "tools/fakecam/restart_schedule.h"

namespace vantrel::fakecam {

struct ResponderOptions {
    std::uint32_t bindAddress = 0;  // network order; 0 is any
    std::uint16_t port = 10000;     // host order
    bool unicast = false;           // answer the sender only, never broadcast
    bool scramble = false;          // scramble every reply body
    unsigned delayMs = 0;           // wait this long before answering
    bool malformed = false;         // send bad datagrams before each answer
    bool sendEmpty = false;         // send an empty datagram before each answer
    bool hostile = false;           // send what a hostile LAN would, before each answer
    unsigned answerEvery = 1;       // answer the first search, then only every Nth
};

// The UDP side of the simulated cameras: answers each search with one reply
// per camera, and applies set-network requests whose id and password match.
class CDiscoveryResponder {
  public:
    // restarts, when given, says which cameras are restarting after an upgrade.
    CDiscoveryResponder(std::vector<CameraRecord> cameras, ResponderOptions options, std::FILE* log,
                        const CRestartSchedule* restarts = nullptr);

    // Binds the socket; false (with the reason logged) when it cannot.
    [[nodiscard]] bool Open();
    // The port bound, in host order.
    [[nodiscard]] std::uint16_t Port() const;
    // Answers until stop is set, checking it every 100 ms.
    void Run(const std::atomic<bool>& stop);

  private:
    void OnSearch(const sockaddr_in& sender);
    void OnSetNetwork(const sockaddr_in& sender);
    void Answer(const sockaddr_in& sender);
    void SendBytes(const void* data, std::size_t length, const sockaddr_in& sender);
    void SendMalformed(const sockaddr_in& sender);
    void SendHostile(const sockaddr_in& sender);

    std::vector<CameraRecord> m_cameras;
    ResponderOptions m_options;
    const CRestartSchedule* m_restarts;
    std::FILE* m_log;
    UniqueSocket m_socket;
    CPacketWriter m_writer;
    CDatagramReader m_reader;
    std::uint32_t m_keySeed = 0x9e3779b9u;
    unsigned long m_searches = 0;  // searches received
};

}  // namespace vantrel::fakecam
