// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fakecam/restart_schedule.h"

#include "protocol/messages.h"
#include "protocol/text_field.h"

namespace vantrel::fakecam {

void CRestartSchedule::Upgraded(const CameraRecord& camera, std::uint16_t chunkOp,
                                Clock::time_point now) {
    const std::lock_guard lock(m_mutex);
    m_restarts[std::string(FieldText(camera.id))] = {now + m_silence, chunkOp};
}

std::optional<CameraRecord> CRestartSchedule::Answer(const CameraRecord& camera,
                                                     Clock::time_point now) const {
    const std::lock_guard lock(m_mutex);
    const auto restart = m_restarts.find(std::string(FieldText(camera.id)));
    if (restart == m_restarts.end()) {
        return camera;
    }
    if (now < restart->second.back) {
        return std::nullopt;
    }
    CameraRecord after = camera;
    if (m_newVersion) {
        (restart->second.chunkOp == OP_SYSTEM_CHUNK ? after.systemVersion : after.appVersion) =
            *m_newVersion;
    }
    return after;
}

}  // namespace vantrel::fakecam
