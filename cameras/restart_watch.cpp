// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/restart_watch.h"

#include <utility>

#include "protocol/address_text.h"

namespace vantrel {

namespace {

// One missed reply is a lossy link; two in a row, a camera that restarted.
constexpr unsigned SILENCE_OF_A_RESTART = 2;

long long Seconds(CRestartWatch::Clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::seconds>(duration).count();
}

}  // namespace

CRestartWatch::CRestartWatch(const CameraRecord& before, ImageKind kind,
                             Clock::time_point delivered, Clock::duration wait, Delivery delivery)
    : m_before(before),
      m_kind(kind),
      m_delivered(delivered),
      m_wait(wait),
      m_delivery(delivery),
      m_latest(before) {}

std::uint32_t CRestartWatch::VersionOf(const CameraRecord& camera) const {
    return m_kind == ImageKind::System ? camera.systemVersion : camera.appVersion;
}

std::string CRestartWatch::FirmwareName() const {
    return m_kind == ImageKind::System ? "system firmware" : "application firmware";
}

void CRestartWatch::Answered(const CameraRecord& reply) {
    if (!Ended()) {
        m_answered = true;
        m_latest = reply;
    }
}

void CRestartWatch::Searched(Clock::time_point now) {
    if (Ended()) {
        return;
    }
    if (std::exchange(m_answered, false)) {
        if (VersionOf(m_latest) != VersionOf(m_before)) {
            m_outcome = Outcome::Back;
        } else if (m_silentSearches >= SILENCE_OF_A_RESTART) {
            m_outcome = Outcome::BackUnchanged;
        }
        m_silentSearches = 0;
    } else {
        ++m_silentSearches;
    }
    if (Ended()) {
        m_took = now - m_delivered;
    } else if (now - m_delivered >= m_wait) {
        m_outcome = m_silentSearches > 0 ? Outcome::NotBack : Outcome::NeverLeft;
        m_took = now - m_delivered;
    }
}

std::string CRestartWatch::Text() const {
    const std::string was = DottedQuad(VersionOf(m_before));
    const std::string now = DottedQuad(VersionOf(m_latest));
    switch (m_outcome) {
        case Outcome::Waiting:
            if (m_silentSearches > 0) {
                return "restarting; waiting for the camera to come back\u2026";
            }
            return m_delivery == Delivery::Confirmed
                       ? "image delivered; waiting for the camera to restart\u2026"
                       : "image sent, not confirmed; waiting for the camera to restart\u2026";
        case Outcome::Back:
            return "back after " + std::to_string(Seconds(m_took)) + " s with " + FirmwareName() +
                   " " + now + " (was " + was + ")";
        case Outcome::BackUnchanged:
            return "back, but it still reports " + now + ": it may have refused the image";
        case Outcome::NotBack:
            return "not back after " + std::to_string(Seconds(m_wait)) +
                   " s: do not power it off; check it";
        case Outcome::NeverLeft:
            return "did not restart within " + std::to_string(Seconds(m_wait)) +
                   " s; it reports system firmware " + DottedQuad(m_latest.systemVersion) +
                   ", application firmware " + DottedQuad(m_latest.appVersion);
    }
    return {};
}

}  // namespace vantrel
