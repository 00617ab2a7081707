// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "cameras/firmware_image.h"
#include "cameras/upgrade_view.h"
#include "protocol/camera_record.h"

namespace vantrel {

// How long a camera may take to come back after an upgrade, by default.
inline constexpr std::chrono::seconds RESTART_WAIT{300};

// Follows a camera through the searches once its image has gone out: a
// camera restarts to take a new image, so it is expected to stop answering
// and to answer again, with the new version of the firmware uploaded. Only
// then is the upgrade done. The front ends feed it the camera's replies and
// each search that goes out.
class CRestartWatch {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Outcome {
        Waiting,        // it has not restarted yet, or is restarting
        Back,           // it answers with a new version
        BackUnchanged,  // it restarted and answers with the version it had
        NotBack,        // silent when the wait ran out
        NeverLeft,      // it answered all along, with the version it had
    };

    // before: the camera as it answered before the upload.
    CRestartWatch(const CameraRecord& before, ImageKind kind, Clock::time_point delivered,
                  Clock::duration wait = RESTART_WAIT, Delivery delivery = Delivery::Confirmed);

    // A reply from the camera came.
    void Answered(const CameraRecord& reply);
    // A search went out at now. Replies to it come later, so it judges the
    // one before it: answered, or one more silence.
    void Searched(Clock::time_point now);

    [[nodiscard]] Outcome Result() const { return m_outcome; }
    [[nodiscard]] bool Ended() const { return m_outcome != Outcome::Waiting; }
    // How the camera stands, in words: "image delivered; waiting for the
    // camera to restart…", "back after 48 s with application firmware
    // 2.1.0.4 (was 0.0.0.0)", "not back after 300 s: do not power it off;
    // check it"…
    [[nodiscard]] std::string Text() const;

  private:
    [[nodiscard]] std::uint32_t VersionOf(const CameraRecord& camera) const;
    [[nodiscard]] std::string FirmwareName() const;

    CameraRecord m_before;
    ImageKind m_kind;
    Clock::time_point m_delivered;
    Clock::duration m_wait;
    Delivery m_delivery;
    CameraRecord m_latest;
    Outcome m_outcome = Outcome::Waiting;
    // Since the last search; it may have answered the one before delivery.
    bool m_answered = true;
    unsigned m_silentSearches = 0;  // in a row, up to now
    Clock::duration m_took{};       // from delivery to the answer that ended the watch
};

}  // namespace vantrel
