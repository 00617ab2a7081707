// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "protocol/camera_record.h"

namespace vantrel::fakecam {

// A camera that took a whole image restarts, as a real one does: it answers
// no search for a while, then answers with its new firmware version. Shared
// by the upload side, which says when an image came whole, and the
// discovery side, which asks what a camera says now.
class CRestartSchedule {
  public:
    using Clock = std::chrono::steady_clock;

    // newVersion (network order) is what the kind of firmware uploaded
    // reports after the restart; without it the camera keeps its versions.
    CRestartSchedule(std::chrono::milliseconds silence, std::optional<std::uint32_t> newVersion)
        : m_silence(silence), m_newVersion(newVersion) {}

    // The camera took a whole image of the kind its chunks' op names.
    void Upgraded(const CameraRecord& camera, std::uint16_t chunkOp, Clock::time_point now);
    // What the camera answers a search with now: nothing while it restarts.
    [[nodiscard]] std::optional<CameraRecord> Answer(const CameraRecord& camera,
                                                     Clock::time_point now) const;

  private:
    struct Restart {
        Clock::time_point back;
        std::uint16_t chunkOp;
    };
    const std::chrono::milliseconds m_silence;
    const std::optional<std::uint32_t> m_newVersion;
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Restart> m_restarts;  // by camera id
};

}  // namespace vantrel::fakecam
