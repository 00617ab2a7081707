// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/upgrade_session.h"

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/packet_header.h"
#include "protocol/packet_writer.h"
#include "protocol/stream_reader.h"
#include "protocol/text_field.h"
#include "protocol/unique_socket.h"
#include "res/string_table.h"

namespace vantrel {

namespace {

// Chunks handed to the socket in one call: TCP merges the small packets on
// the wire anyway, and one call per kilobyte costs two thirds of the rate.
constexpr std::size_t CHUNKS_PER_SEND = 64;
constexpr auto DELIVERY_POLL = std::chrono::milliseconds(10);

// A byte count with its thousands apart: "4 194 304".
std::string ByteCount(std::int64_t count) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ' ');
    }
    return digits;
}

std::string UploadFailure(int error, std::int64_t sent, std::int64_t total) {
    const std::string where = " after " + ByteCount(sent) + " of " + ByteCount(total) + " bytes";
    switch (FailureOf(error)) {
        case SocketFailure::ConnectionReset:
            return "the camera closed the connection" + where;
        case SocketFailure::WouldBlock:
        case SocketFailure::TimedOut:
            return "the camera took nothing for " + std::to_string(UPGRADE_WAIT_MS / 1000) + " s" +
                   where;
        default:
            return "sending failed" + where + ": " + SocketErrorText(error);
    }
}

class CUpgradeSession {
  public:
    CUpgradeSession(std::ifstream image, ImageKind kind, const CameraRecord& camera,
                    IUpgradeView& view, std::stop_token stop)
        : m_image(std::move(image)),
          m_traits(TraitsOf(kind)),
          m_camera(camera),
          m_view(view),
          m_stop(std::move(stop)) {}

    // Each step shows its own failure; the socket and image close when the
    // session object goes, after that message.
    void Run() {
        for (const auto step :
             {&CUpgradeSession::Connect, &CUpgradeSession::LogIn, &CUpgradeSession::Verify}) {
            if (Stopped() || !(this->*step)()) {
                return;
            }
        }
        Upload();
    }

  private:
    bool Stopped() const { return m_stop.stop_requested(); }

    bool Fail(int stringId, const std::string& reason = {}) {
        m_view.UploadFailed(stringId, reason);
        return false;
    }

    bool Connect() {
        m_socket.Reset(socket(AF_INET, SOCK_STREAM, 0));
        if (!m_socket.IsValid()) {
            return Fail(IDS_SOCKET_ERROR);
        }
        // Waits as long as for a reply: an unreachable camera must not
        // freeze the window for the system's own connect timeout.
        if (!ConnectWithTimeout(m_socket.Get(), m_camera.ip, m_camera.httpPort, UPGRADE_WAIT_MS)) {
            return Fail(IDS_CONNECT_FAILED);
        }
        return true;
    }

    // One receive, then one parse over all bytes received so far: a reply
    // must be whole once that receive has returned.
    bool Await(std::uint16_t expectedOp) {
        switch (m_reader.Receive(m_socket.Get(), UPGRADE_WAIT_MS)) {
            case STATUS_OK:
                break;
            case STATUS_DISCONNECTED:
                return Fail(IDS_DISCONNECTED);
            case STATUS_TIMED_OUT:
                return Fail(IDS_NO_ECHO);
            default:
                return Fail(IDS_SOCKET_ERROR);
        }
        std::uint16_t op = 0;
        if (!m_reader.Parse(op, MAGIC_UPGRADE) || op != expectedOp) {
            return Fail(IDS_UNKNOWN_ECHO);
        }
        return true;
    }

    bool LogIn() {
        if (!m_writer.Begin(OP_LOGIN_REQUEST, MAGIC_UPGRADE) || !m_writer.Finalize() ||
            m_writer.SendAll(m_socket.Get(), UPGRADE_WAIT_MS) != STATUS_OK) {
            return Fail(IDS_SOCKET_ERROR);
        }
        if (!Await(OP_LOGIN_REPLY)) {
            return false;
        }
        std::uint16_t result = 0;
        if (!m_reader.ReadU16(result)) {
            return Fail(IDS_UNKNOWN_ECHO);
        }
        if (result == LOGIN_RESULT_BUSY) {
            return Fail(IDS_CAMERA_BUSY);
        }
        char id[13] = {};
        std::uint32_t unused = 0;
        if (!m_reader.ReadBytes(id, sizeof id) || !m_reader.ReadU32(unused) ||
            !m_reader.ReadU32(unused) || !m_reader.ReadU32(unused)) {
            return Fail(IDS_UNKNOWN_ECHO);
        }
        if (!SameFieldText(id, m_camera.id)) {
            return Fail(IDS_WRONG_CAMERA);
        }
        return true;
    }

    bool Verify() {
        // A failed send shows as the reply that does not come.
        if (m_writer.Begin(OP_VERIFY_REQUEST, MAGIC_UPGRADE) &&
            m_writer.AppendBytes(CAMERA_USER_NAME, sizeof CAMERA_USER_NAME) &&
            m_writer.AppendBytes(m_camera.password, sizeof m_camera.password) &&
            m_writer.Finalize()) {
            (void)m_writer.SendAll(m_socket.Get(), UPGRADE_WAIT_MS);
        }
        if (!Await(OP_VERIFY_REPLY)) {
            return false;
        }
        std::uint16_t result = 0;
        if (!m_reader.ReadU16(result)) {
            return Fail(IDS_UNKNOWN_ECHO);
        }
        return result == 0 || Fail(IDS_INCORRECT_PASSWORD);
    }

    void Upload() {
        m_image.seekg(0, std::ios::end);
        const std::int64_t total = m_image.tellg();
        m_image.seekg(0);
        if (total < 0 || !m_image) {
            Fail(IDS_FILE_OPEN_FAILED);
            return;
        }
        // A camera that stops reading fails the send it holds up. The bound
        // is set once for all sends: once per send would cost a system call
        // for each of them.
        if (!SetSendTimeout(m_socket.Get(), UPGRADE_WAIT_MS)) {
            Fail(IDS_SOCKET_ERROR);
            return;
        }
        m_view.UploadStarted();
        std::vector<std::uint8_t> batch;
        batch.reserve(CHUNKS_PER_SEND * (UPLOAD_CHUNK_BYTES + 64));
        std::vector<std::int64_t> ends;  // where each chunk of the batch ends in the image
        ends.reserve(CHUNKS_PER_SEND);
        std::int64_t sent = 0;  // image bytes the socket has taken
        char chunk[UPLOAD_CHUNK_BYTES];
        while (sent != total) {
            batch.clear();
            ends.clear();
            std::int64_t read = sent;
            while (read != total && ends.size() < CHUNKS_PER_SEND && !Stopped()) {
                const std::int64_t remaining = total - read;
                const bool last = remaining <= static_cast<std::int64_t>(UPLOAD_CHUNK_BYTES);
                const auto length = last ? static_cast<std::uint32_t>(remaining)
                                         : static_cast<std::uint32_t>(UPLOAD_CHUNK_BYTES);
                const std::uint8_t flag = last        ? CHUNK_LAST
                                          : read == 0 ? CHUNK_FIRST
                                                      : CHUNK_MIDDLE;
                // A file that yields less than it promised (it shrank, or a
                // read failed) must not put made-up bytes on the wire.
                m_image.read(chunk, length);
                if (m_image.gcount() != static_cast<std::streamsize>(length)) {
                    Fail(IDS_FILE_OPEN_FAILED, "the image file could not be read after " +
                                                   ByteCount(read) + " of " + ByteCount(total) +
                                                   " bytes");
                    return;
                }
                if (!m_writer.Begin(m_traits.chunkOp, MAGIC_UPGRADE) ||
                    !m_writer.AppendByte(flag) || !m_writer.AppendU32(length) ||
                    !m_writer.AppendBytes(chunk, length) || !m_writer.Finalize()) {
                    Fail(IDS_SOCKET_ERROR);
                    return;
                }
                batch.insert(batch.end(), m_writer.Data(), m_writer.Data() + m_writer.Length());
                read += length;
                ends.push_back(read);
            }
            // A stop breaks the upload off before its next chunk.
            if (Stopped()) {
                return;
            }
            if (!SendBatch(batch)) {
                Fail(IDS_SOCKET_ERROR, UploadFailure(LastSocketError(), sent, total));
                return;
            }
            for (const std::int64_t end : ends) {
                m_view.UploadProgress(static_cast<int>(end * 100 / total));
            }
            sent = read;
        }
        const Delivery delivery = AwaitDelivery();
        m_image.close();
        m_socket.Reset();
        m_view.UploadFinished(delivery);
    }

    // The chunks of one batch in as few calls as the socket takes them.
    // Each call that makes no progress for UPGRADE_WAIT_MS fails.
    bool SendBatch(const std::vector<std::uint8_t>& batch) {
        const std::uint8_t* rest = batch.data();
        std::size_t left = batch.size();
        while (left > 0) {
            const long taken = SendSome(m_socket.Get(), rest, left);
            if (taken < 0) {
                return false;
            }
            rest += taken;
            left -= static_cast<std::size_t>(taken);
        }
        return true;
    }

    // The last bytes may still wait in this computer's queue when the
    // socket has taken them all: the image has arrived only once the camera
    // acknowledged every byte. The wait ends when the queue has not moved
    // for as long as a reply may take.
    Delivery AwaitDelivery() {
        using Clock = std::chrono::steady_clock;
        std::optional<std::size_t> left = UnacknowledgedBytes(m_socket.Get());
        auto moved = Clock::now();
        while (left && *left > 0) {
            if (Clock::now() - moved > std::chrono::milliseconds(UPGRADE_WAIT_MS)) {
                return Delivery::Unconfirmed;
            }
            std::this_thread::sleep_for(DELIVERY_POLL);
            const std::optional<std::size_t> now = UnacknowledgedBytes(m_socket.Get());
            if (now && *now < *left) {
                moved = Clock::now();
            }
            left = now;
        }
        return left ? Delivery::Confirmed : Delivery::Unconfirmed;
    }

    std::ifstream m_image;
    const ImageKindTraits& m_traits;
    const CameraRecord& m_camera;
    IUpgradeView& m_view;
    const std::stop_token m_stop;
    UniqueSocket m_socket;
    CPacketWriter m_writer;
    CStreamReader m_reader;
};

}  // namespace

void RunUpgradeSession(std::ifstream image, ImageKind kind, const CameraRecord& camera,
                       IUpgradeView& view, std::stop_token stop) {
    CUpgradeSession(std::move(image), kind, camera, view, std::move(stop)).Run();
}

}  // namespace vantrel
