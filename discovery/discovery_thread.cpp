// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/discovery_thread.h"

#include <chrono>
#include <set>

#include "discovery/discovery_messages.h"
#include "discovery/host_interfaces.h"
#include "discovery/reply_handler.h"
#include "protocol/datagram_reader.h"
#include "protocol/packet_header.h"
#include "protocol/packet_writer.h"
#include "protocol/unique_socket.h"

namespace vantrel {

std::uint64_t SteadyMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

namespace {

// Room for a burst of replies from many cameras answering one search at
// once; the system may grant less.
constexpr int RECEIVE_BUFFER_BYTES = 4 * 1024 * 1024;

// The most datagrams one pass takes in, so that a flood still leaves the
// loop time for the window's requests and the next search.
constexpr std::size_t MAX_BATCH = 256;

class CDiscoveryLoop {
  public:
    CDiscoveryLoop(IDiscoverySink& sink, CThreadMessageQueue& queue, const DiscoveryConfig& config)
        : m_sink(sink), m_queue(queue), m_config(config) {}

    void Run() {
        if (!OpenSocket()) {
            m_sink.PostSocketError();
            return;
        }
        m_nextSearch = m_lastPass = m_config.clock();
        while (TakeThreadMessage() && SearchIfDue() && TakeDatagrams()) {
        }
    }

  private:
    bool OpenSocket() {
        m_socket.Reset(socket(AF_INET, SOCK_DGRAM, 0));
        if (!m_socket.IsValid()) {
            return false;
        }
        if (!SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_BROADCAST, 1) ||
            !IgnorePortUnreachable(m_socket.Get())) {
            return false;
        }
        (void)SetSocketOption(m_socket.Get(), SOL_SOCKET, SO_RCVBUF, RECEIVE_BUFFER_BYTES);
        // No address reuse: a second program on this port must fail here.
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(m_config.port);
        return bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    }

    // Step 1. False to leave the loop.
    bool TakeThreadMessage() {
        std::optional<ThreadMessage> message = m_queue.TryTake();
        if (!message) {
            return true;
        }
        switch (message->message) {
            case WorkerMessage::Quit:
                return false;
            case WorkerMessage::SetNetwork:
                if (message->records.empty()) {
                    return true;
                }
                for (const CameraRecord& record : message->records) {
                    if (!BuildSetNetworkRequest(m_writer, record) || Send() != STATUS_OK) {
                        m_sink.PostSocketError();
                        return false;
                    }
                }
                m_nextSearch = m_lastPass;
                return true;
            case WorkerMessage::SearchNow:
                m_nextSearch = m_lastPass;
                return true;
        }
        return true;
    }

    // Step 2. False to leave the loop.
    bool SearchIfDue() {
        const std::uint64_t now = m_config.clock();
        m_lastPass = now;
        if (now < m_nextSearch) {
            return true;
        }
        if (!BuildSearchRequest(m_writer) || Send() != STATUS_OK) {
            m_sink.PostSocketError();
            return false;
        }
        m_sink.PostCameraRefresh();
        m_nextSearch = now + SEARCH_PERIOD_MS;
        return true;
    }

    // Step 3. False to leave the loop. What has arrived by the time the
    // first datagram is in goes to the window as one report, so that a
    // burst of replies costs the window one event, not one per camera; a
    // lone camera's reply is not held back.
    bool TakeDatagrams() {
        Status status = m_reader.Receive(m_socket.Get(), RECEIVE_WAIT_MS);
        for (std::size_t taken = 0; status == STATUS_OK;) {
            m_handler.Take(m_reader);
            if (++taken == MAX_BATCH) {
                break;
            }
            status = m_reader.Receive(m_socket.Get(), 0);
        }
        m_handler.Flush();
        if (status == STATUS_SOCKET_ERROR) {
            m_sink.PostSocketError();
            return false;
        }
        return true;
    }

    // The finished packet to the destination. A limited broadcast leaves by
    // every interface that can carry one, so that cameras are reached on
    // each segment, also without a default route. An interface without an
    // address or link right now is passed over; only a fault of the socket
    // itself fails the send.
    Status Send() {
        const std::uint16_t port = htons(m_config.destinationPort);
        const auto length = static_cast<long>(m_writer.Length());
        // Read once a round, not once a reply: the same table serves the
        // subnet test of every reply until the next send.
        const auto rows = ReadHostInterfaces();
        m_handler.SetHostInterfaces(rows);
        if (m_config.destination != LIMITED_BROADCAST) {
            return m_writer.SendTo(m_socket.Get(), m_config.destination, port);
        }
        if (!rows) {
            return SentOrUnavailable(
                SendDatagram(m_socket.Get(), m_writer.Data(), length, LIMITED_BROADCAST, port),
                length);
        }
        std::set<unsigned> done;
        for (const HostInterface& row : *rows) {
            if (!row.canBroadcast || !done.insert(row.index).second) {
                continue;
            }
            const long sent =
                SendDatagramOnInterface(m_socket.Get(), m_writer.Data(), length, row.index,
                                        row.address, LIMITED_BROADCAST, port);
            if (SentOrUnavailable(sent, length) != STATUS_OK) {
                return STATUS_SOCKET_ERROR;
            }
        }
        return STATUS_OK;
    }

    static Status SentOrUnavailable(long sent, long length) {
        if (sent == length || (sent < 0 && IsInterfaceUnavailable(LastSocketError()))) {
            return STATUS_OK;
        }
        return STATUS_SOCKET_ERROR;
    }

    IDiscoverySink& m_sink;
    CThreadMessageQueue& m_queue;
    const DiscoveryConfig& m_config;
    UniqueSocket m_socket;
    CPacketWriter m_writer;
    CDatagramReader m_reader;
    CReplyHandler m_handler{m_sink};
    std::uint64_t m_nextSearch = 0;
    std::uint64_t m_lastPass = 0;
};

}  // namespace

int DiscoveryThreadProc(IDiscoverySink& sink, CThreadMessageQueue& queue,
                        const DiscoveryConfig& config) {
    CDiscoveryLoop(sink, queue, config).Run();
    return 0;
}

}  // namespace vantrel
