// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "protocol/camera_record.h"
#include "protocol/stream_reader.h"
#include "protocol/unique_socket.h"
#include "tools/fakecam/restart_schedule.h"

namespace vantrel::fakecam {

// The ways a camera's upgrade side can misbehave on request.
enum class UpgradeFault {
    None,
    Refuse,           // nothing listens: the connection is refused
    Silent,           // accept, then never answer
    CloseAfterLogin,  // close once the login request is in
    ResetAfterLogin,  // reset the connection once the login request is in
    OtherId,          // answer the login with another camera's id
    Busy,             // login result 2 and nothing after it
    RejectPassword,   // refuse every password
    WrongMagic,       // answer the login with the discovery magic
    WrongOp,          // answer the login with op 3
    ShortReply,       // send only part of the login reply, then wait
    CloseMidUpload,   // reset the connection after the first chunk
    StopReading,      // answer login and verify, then never read again
};

// The fault named on the command line ("none", "refuse", "silent",
// "close-after-login", "reset-after-login", "other-id", "busy",
// "reject-password", "wrong-magic", "wrong-op", "short-reply",
// "close-mid-upload", "stop-reading").
[[nodiscard]] std::optional<UpgradeFault> ParseUpgradeFault(const std::string& name);

struct UpgradeOptions {
    std::uint32_t bindAddress = 0;  // network order; 0 is any
    UpgradeFault fault = UpgradeFault::None;
    std::string saveDirectory;             // where whole images go as ID.bin; none when empty
    bool keepImage = false;                // keep the bytes of the last upload in memory
    CRestartSchedule* restarts = nullptr;  // told of each whole image, when given
};

// What one upload brought in.
struct ReceivedUpload {
    std::uint16_t op = 0;
    std::vector<std::uint8_t> flags;
    std::vector<std::uint32_t> lengths;
    std::uint64_t bytes = 0;
    std::vector<std::uint8_t> image;  // only with keepImage
    bool complete = false;            // the last chunk came
};

// The camera's upgrade side: a TCP listener on its HTTP port that answers
// login and verify as a camera would and takes in the image chunks. One
// connection at a time.
class CUpgradeListener {
  public:
    CUpgradeListener(const CameraRecord& camera, UpgradeOptions options, std::FILE* log);

    // Listens on the camera's port (0 picks a free one); false when it cannot.
    [[nodiscard]] bool Open();
    // The port listened on, in host order.
    [[nodiscard]] std::uint16_t Port() const;
    // Serves connections until stop is set, checking it every 100 ms.
    void Run(const std::atomic<bool>& stop);

    // Waits until an upload has ended (whole or broken off) and returns it.
    [[nodiscard]] std::optional<ReceivedUpload> WaitForUpload(int timeoutMs);

  private:
    [[nodiscard]] bool SetSmallReceiveBuffer();
    void Serve(UniqueSocket connection, const std::atomic<bool>& stop);
    bool Await(CStreamReader& reader, SocketHandle connection, std::uint16_t& op,
               const std::atomic<bool>& stop);
    void ReceiveImage(SocketHandle connection, const std::atomic<bool>& stop);
    bool TakeChunk(std::uint16_t op, const std::uint8_t* body, std::size_t length,
                   ReceivedUpload& upload, std::ofstream& saved);
    void Finish(ReceivedUpload upload);

    CameraRecord m_camera;
    UpgradeOptions m_options;
    std::FILE* m_log;
    UniqueSocket m_listener;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::optional<ReceivedUpload> m_upload;
    // Connections of the stop-reading fault, held open and never read.
    std::deque<UniqueSocket> m_stalled;
};

}  // namespace vantrel::fakecam
