// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/network_change.h"

#include "cameras/network_settings.h"
#include "protocol/address_text.h"
#include "protocol/socket.h"

namespace vantrel {

std::string SettingsText(const CameraRecord& camera) {
    return DottedQuad(camera.ip) + ", mask " + DottedQuad(camera.mask) + ", gateway " +
           DottedQuad(camera.gateway) + ", DNS " + DottedQuad(camera.dns) + ", HTTP port " +
           std::to_string(ntohs(camera.httpPort));
}

CNetworkChange::CNetworkChange(const CameraRecord& before, const CameraRecord& asked,
                               std::uint64_t searches)
    : m_asked(asked), m_latest(before), m_sent(searches) {}

bool CNetworkChange::Dhcp() const {
    return (m_asked.ip | m_asked.mask | m_asked.gateway | m_asked.dns) == 0;
}

void CNetworkChange::Answered(const CameraRecord& reply, std::uint64_t search) {
    if (Ended()) {
        return;
    }
    m_latest = reply;
    // A reply to the search before the request shows the old settings.
    if (search > m_sent && ShowsSettings(reply, m_asked, Dhcp())) {
        m_outcome = Outcome::Taken;
    }
}

void CNetworkChange::Refused() {
    if (!Ended()) {
        m_outcome = Outcome::Refused;
    }
}

void CNetworkChange::Searched(std::uint64_t searches) {
    if (!Ended() && searches > m_sent + SETTLE_SEARCHES) {
        m_outcome = Outcome::NotShown;
    }
}

std::string CNetworkChange::Text() const {
    switch (m_outcome) {
        case Outcome::Waiting:
            return "new network settings sent; waiting for the camera to answer with them\u2026";
        case Outcome::Taken:
            return "answers with its new settings: " + SettingsText(m_latest);
        case Outcome::Refused:
            return "the password was refused; the settings are as they were";
        case Outcome::NotShown:
            break;
    }
    return "did not show the new settings within " + std::to_string(SETTLE_SEARCHES) +
           " searches; it shows " + SettingsText(m_latest);
}

}  // namespace vantrel
