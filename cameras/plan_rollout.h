// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cameras/plan_check.h"

namespace vantrel {

// Follows the cameras of a plan once its requests have gone out, through
// the searches, until each shows its new settings. A set-network reply names
// no camera, so a refused password is only counted: which cameras refused
// shows from which did not change.
class CPlanRollout {
  public:
    enum class Outcome {
        Waiting,       // nothing decided yet
        Changed,       // it answers with the settings asked for
        Refused,       // it kept its settings, and as many refusals came
        NotAnswering,  // it answered no search since the requests
        Unchanged,     // it answers with its old settings
    };

    struct Camera {
        PlanChange change;
        CameraRecord now{};     // its latest reply since the requests
        bool answered = false;  // since the requests
        Outcome outcome = Outcome::Waiting;
    };

    explicit CPlanRollout(const std::vector<PlanChange>& changes);

    // A camera's reply to a search that went out after the requests.
    void Answered(const CameraRecord& reply);
    // Set-network replies that said the password was wrong.
    void Refused(unsigned count);
    // Every camera changed, or the refusals account for the rest.
    [[nodiscard]] bool Settled() const;
    // The searches are over: decides each camera still waiting.
    void Finish();

    [[nodiscard]] const std::vector<Camera>& Cameras() const { return m_cameras; }
    [[nodiscard]] unsigned Refusals() const { return m_refusals; }
    [[nodiscard]] std::size_t Count(Outcome outcome) const;

  private:
    std::vector<Camera> m_cameras;
    std::unordered_map<std::string, std::size_t> m_index;  // id to camera
    std::size_t m_changed = 0;
    unsigned m_refusals = 0;
};

// The outcome in the words of the result table.
[[nodiscard]] std::string_view OutcomeText(CPlanRollout::Outcome outcome);

}  // namespace vantrel
