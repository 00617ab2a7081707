// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fakecam/upgrade_listener.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <utility>

#include <thread>

#include "protocol/messages.h"
#include "protocol/packet_header.h"
#include "protocol/packet_writer.h"
#include "protocol/text_field.h"

namespace vantrel::fakecam {

namespace {

constexpr std::pair<const char*, UpgradeFault> FAULT_NAMES[] = {
    {"none", UpgradeFault::None},
    {"refuse", UpgradeFault::Refuse},
    {"silent", UpgradeFault::Silent},
    {"close-after-login", UpgradeFault::CloseAfterLogin},
    {"reset-after-login", UpgradeFault::ResetAfterLogin},
    {"other-id", UpgradeFault::OtherId},
    {"busy", UpgradeFault::Busy},
    {"reject-password", UpgradeFault::RejectPassword},
    {"wrong-magic", UpgradeFault::WrongMagic},
    {"wrong-op", UpgradeFault::WrongOp},
    {"short-reply", UpgradeFault::ShortReply},
    {"close-mid-upload", UpgradeFault::CloseMidUpload},
    {"stop-reading", UpgradeFault::StopReading},
};

// Stalled connections held at once; the oldest goes first.
constexpr std::size_t MAX_STALLED = 8;

// How long a camera waits for the next packet before it gives up.
constexpr int PATIENCE_MS = 10000;

void ResetOnClose(SocketHandle connection) {
    (void)SetSocketOption(connection, SOL_SOCKET, SO_LINGER, linger{1, 0});
}

void Send(const CPacketWriter& writer, SocketHandle connection, std::size_t cut = 0) {
    const auto length = cut > 0 ? cut : static_cast<std::size_t>(writer.Length());
    const std::uint8_t* data = writer.Data();
    for (std::size_t sent = 0; sent < length;) {
        const long count = SendSome(connection, data + sent, length - sent);
        if (count < 0) {
            return;
        }
        sent += static_cast<std::size_t>(count);
    }
}

}  // namespace

std::optional<UpgradeFault> ParseUpgradeFault(const std::string& name) {
    for (const auto& [text, fault] : FAULT_NAMES) {
        if (name == text) {
            return fault;
        }
    }
    return std::nullopt;
}

CUpgradeListener::CUpgradeListener(const CameraRecord& camera, UpgradeOptions options,
                                   std::FILE* log)
    : m_camera(camera), m_options(std::move(options)), m_log(log) {}

bool CUpgradeListener::Open() {
    if (m_options.fault == UpgradeFault::Refuse) {
        return true;
    }
    m_listener.Reset(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = m_options.bindAddress;
    local.sin_port = m_camera.httpPort;
    if (!m_listener.IsValid() || !AllowListenerRebind(m_listener.Get()) ||
        !SetSmallReceiveBuffer() ||
        bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(m_listener.Get(), 4) != 0) {
        std::fprintf(m_log, "camera %.13s cannot listen on TCP port %u: %s\n", m_camera.id,
                     ntohs(m_camera.httpPort), SocketErrorText(LastSocketError()).c_str());
        m_listener.Reset();
        return false;
    }
    m_camera.httpPort = htons(Port());
    return true;
}

// A camera that stops reading fills up sooner with a small window; accepted
// connections take the listener's buffer size.
bool CUpgradeListener::SetSmallReceiveBuffer() {
    return m_options.fault != UpgradeFault::StopReading ||
           SetSocketOption(m_listener.Get(), SOL_SOCKET, SO_RCVBUF, 4096);
}

std::uint16_t CUpgradeListener::Port() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (!m_listener.IsValid() ||
        getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return ntohs(m_camera.httpPort);
    }
    return ntohs(local.sin_port);
}

void CUpgradeListener::Run(const std::atomic<bool>& stop) {
    while (!stop) {
        if (!m_listener.IsValid() || WaitReadable(m_listener.Get(), 100) != WaitResult::Readable) {
            if (!m_listener.IsValid()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            continue;
        }
        UniqueSocket connection(accept(m_listener.Get(), nullptr, nullptr));
        if (connection.IsValid()) {
            Serve(std::move(connection), stop);
        }
    }
}

bool CUpgradeListener::Await(CStreamReader& reader, SocketHandle connection, std::uint16_t& op,
                             const std::atomic<bool>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PATIENCE_MS);
    while (!reader.Parse(op, MAGIC_UPGRADE)) {
        const Status status = reader.Receive(connection, 100);
        if (status == STATUS_TIMED_OUT) {
            if (stop || std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            continue;
        }
        if (status != STATUS_OK) {
            return false;
        }
    }
    return true;
}

void CUpgradeListener::Serve(UniqueSocket connection, const std::atomic<bool>& stop) {
    CStreamReader reader;
    CPacketWriter writer;
    std::uint16_t op = 0;
    const UpgradeFault fault = m_options.fault;
    if (!Await(reader, connection.Get(), op, stop) || op != OP_LOGIN_REQUEST) {
        std::fprintf(m_log, "camera %.13s: no login request\n", m_camera.id);
        return;
    }
    std::fprintf(m_log, "recv login for camera %.13s\n", m_camera.id);
    switch (fault) {
        case UpgradeFault::Silent:
        case UpgradeFault::ShortReply:
            break;
        case UpgradeFault::CloseAfterLogin:
            return;
        case UpgradeFault::ResetAfterLogin:
            ResetOnClose(connection.Get());
            return;
        default:
            break;
    }
    const std::uint16_t result = fault == UpgradeFault::Busy ? LOGIN_RESULT_BUSY : 0;
    char id[13];
    std::memcpy(id, m_camera.id, sizeof id);
    if (fault == UpgradeFault::OtherId) {
        StoreFieldText(id, "OTHER-CAMERA");
    }
    const std::uint8_t unused[12] = {};
    const bool built =
        writer.Begin(fault == UpgradeFault::WrongOp ? OP_VERIFY_REPLY : OP_LOGIN_REPLY,
                     fault == UpgradeFault::WrongMagic ? MAGIC_DISCOVERY : MAGIC_UPGRADE) &&
        writer.AppendBytes(&result, sizeof result) &&
        (fault == UpgradeFault::Busy ||
         (writer.AppendBytes(id, sizeof id) && writer.AppendBytes(unused, sizeof unused))) &&
        writer.Finalize();
    if (built && fault != UpgradeFault::Silent) {
        Send(writer, connection.Get(), fault == UpgradeFault::ShortReply ? 30 : 0);
    }
    if (fault == UpgradeFault::Silent || fault == UpgradeFault::ShortReply) {
        // Stay on the line until the host gives up.
        while (!stop && reader.Receive(connection.Get(), 100) != STATUS_DISCONNECTED) {
        }
        return;
    }

    if (!Await(reader, connection.Get(), op, stop) || op != OP_VERIFY_REQUEST) {
        return;
    }
    char user[13] = {};
    char password[13] = {};
    if (!reader.ReadBytes(user, sizeof user) || !reader.ReadBytes(password, sizeof password)) {
        return;
    }
    const bool allowed = fault != UpgradeFault::RejectPassword &&
                         FieldText(user) == CAMERA_USER_NAME &&
                         SameFieldText(password, m_camera.password);
    std::fprintf(m_log, "recv verify user=%.13s for camera %.13s -> result %d\n", user, m_camera.id,
                 allowed ? 0 : 1);
    const std::uint16_t verdict = allowed ? 0 : 1;
    if (writer.Begin(OP_VERIFY_REPLY, MAGIC_UPGRADE) &&
        writer.AppendBytes(&verdict, sizeof verdict) && writer.Finalize()) {
        Send(writer, connection.Get());
    }
    if (allowed && fault == UpgradeFault::StopReading) {
        // The host's data piles up unread until both sides' buffers are
        // full; meanwhile the next connection is served as usual.
        std::fprintf(m_log, "camera %.13s stops reading\n", m_camera.id);
        if (m_stalled.size() == MAX_STALLED) {
            m_stalled.pop_front();
        }
        m_stalled.push_back(std::move(connection));
        return;
    }
    if (allowed) {
        ReceiveImage(connection.Get(), stop);
    }
}

// The image comes as fast as the host can send it, with no reply between
// chunks: read it in large pieces rather than a reply-sized reader's 1024
// bytes at a time.
void CUpgradeListener::ReceiveImage(SocketHandle connection, const std::atomic<bool>& stop) {
    constexpr std::size_t PIECE = 256 * 1024;
    const Magic magic = MagicBytes(MAGIC_UPGRADE);
    ReceivedUpload upload;
    std::ofstream saved;
    std::vector<std::uint8_t> piece(PIECE);
    std::vector<std::uint8_t> pending;
    std::size_t start = 0;
    // A bound on each read rather than a wait before it: one system call per
    // read, not two.
    bool open = SetReceiveTimeout(connection, PATIENCE_MS);
    while (open && !upload.complete) {
        // Take every whole packet in what has arrived.
        while (pending.size() - start >= PACKET_HEADER_SIZE) {
            const auto header = ReadHeader(pending.data() + start, magic);
            if (!header) {
                open = false;
                break;
            }
            if (pending.size() - start - PACKET_HEADER_SIZE < header->bodyLength) {
                break;
            }
            const std::uint8_t* body = pending.data() + start + PACKET_HEADER_SIZE;
            start += PACKET_HEADER_SIZE + header->bodyLength;
            if (!TakeChunk(header->op, body, header->bodyLength, upload, saved)) {
                open = false;
                break;
            }
            if (upload.complete || m_options.fault == UpgradeFault::CloseMidUpload) {
                open = false;
                break;
            }
        }
        if (!open || upload.complete) {
            break;
        }
        // Only the part of a packet that has not arrived whole moves.
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(start));
        start = 0;
        if (stop) {
            break;
        }
        // Into a buffer of its own: growing pending by a whole piece would
        // zero 256 KiB for each read, however little it brings.
        const long received = ReceiveSome(connection, piece.data(), piece.size());
        if (received > 0) {
            pending.insert(pending.end(), piece.begin(), piece.begin() + received);
        }
        open = received > 0;
    }
    if (m_options.fault == UpgradeFault::CloseMidUpload) {
        ResetOnClose(connection);
    } else if (upload.complete) {
        // A close with bytes unread would reset the connection under the
        // host: read whatever else comes until the host closes its end.
        while (!stop && ReceiveSome(connection, piece.data(), piece.size()) > 0) {
        }
        if (m_options.restarts != nullptr) {
            m_options.restarts->Upgraded(m_camera, upload.op, CRestartSchedule::Clock::now());
        }
    }
    std::fprintf(m_log, "upload %s for camera %.13s: op %u, %zu chunks, %llu bytes\n",
                 upload.complete ? "complete" : "broken off", m_camera.id, upload.op,
                 upload.flags.size(), static_cast<unsigned long long>(upload.bytes));
    Finish(std::move(upload));
}

bool CUpgradeListener::TakeChunk(std::uint16_t op, const std::uint8_t* body, std::size_t length,
                                 ReceivedUpload& upload, std::ofstream& saved) {
    std::uint32_t chunkLength = 0;
    if ((op != OP_SYSTEM_CHUNK && op != OP_APPLICATION_CHUNK) || length < 5) {
        return false;
    }
    std::memcpy(&chunkLength, body + 1, 4);
    if (chunkLength != length - 5) {
        return false;
    }
    if (upload.flags.empty()) {
        upload.op = op;
        if (!m_options.saveDirectory.empty()) {
            saved.open(m_options.saveDirectory + "/" + std::string(FieldText(m_camera.id)) + ".bin",
                       std::ios::binary);
        }
    }
    const std::uint8_t flag = body[0];
    upload.flags.push_back(flag);
    upload.lengths.push_back(chunkLength);
    upload.bytes += chunkLength;
    if (m_options.keepImage) {
        upload.image.insert(upload.image.end(), body + 5, body + length);
    }
    saved.write(reinterpret_cast<const char*>(body + 5), chunkLength);
    upload.complete = flag == CHUNK_LAST;
    return true;
}

void CUpgradeListener::Finish(ReceivedUpload upload) {
    {
        const std::lock_guard lock(m_mutex);
        m_upload = std::move(upload);
    }
    m_finished.notify_all();
}

std::optional<ReceivedUpload> CUpgradeListener::WaitForUpload(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    m_finished.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return m_upload.has_value(); });
    return std::exchange(m_upload, std::nullopt);
}

}  // namespace vantrel::fakecam
