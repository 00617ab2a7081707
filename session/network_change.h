// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "protocol/camera_record.h"

namespace vantrel {

// Searches after a set-network request within which a camera is expected to
// answer with its new settings: it may restart its network first.
inline constexpr std::uint64_t SETTLE_SEARCHES = 4;

// A camera's settings in one line: "10.0.0.5, mask 255.255.255.0, gateway
// 10.0.0.1, DNS 10.0.0.1, HTTP port 80".
[[nodiscard]] std::string SettingsText(const CameraRecord& camera);

// Follows one camera's network change through the searches after its
// request, until the camera answers with the settings asked for, the
// password is refused, or SETTLE_SEARCHES searches have gone by.
class CNetworkChange {
  public:
    enum class Outcome {
        Waiting,
        Taken,     // it answers with its new settings
        Refused,   // a camera said the password was wrong
        NotShown,  // the searches went by without them
    };

    // asked: the request, with all four addresses zero under DHCP (nothing
    // else marks it). searches: how many had gone out when it was sent.
    CNetworkChange(const CameraRecord& before, const CameraRecord& asked, std::uint64_t searches);

    // A reply of the camera's that came after search number `search` went out.
    void Answered(const CameraRecord& reply, std::uint64_t search);
    void Refused();
    // `searches` have now gone out.
    void Searched(std::uint64_t searches);

    [[nodiscard]] Outcome Result() const { return m_outcome; }
    [[nodiscard]] bool Ended() const { return m_outcome != Outcome::Waiting; }
    [[nodiscard]] bool Dhcp() const;
    [[nodiscard]] const CameraRecord& Asked() const { return m_asked; }
    // The camera's latest reply; as it was before, until one comes.
    [[nodiscard]] const CameraRecord& Latest() const { return m_latest; }
    // How it stands, in words for the line under the list.
    [[nodiscard]] std::string Text() const;

  private:
    CameraRecord m_asked;
    CameraRecord m_latest;
    std::uint64_t m_sent;
    Outcome m_outcome = Outcome::Waiting;
};

}  // namespace vantrel
