// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/plan_rollout.h"

#include <algorithm>

#include "cameras/network_settings.h"
#include "protocol/text_field.h"

namespace vantrel {

CPlanRollout::CPlanRollout(const std::vector<PlanChange>& changes) {
    m_cameras.reserve(changes.size());
    for (const PlanChange& change : changes) {
        m_index.emplace(FieldText(change.after.id), m_cameras.size());
        m_cameras.push_back({change});
    }
}

void CPlanRollout::Answered(const CameraRecord& reply) {
    const auto at = m_index.find(std::string(FieldText(reply.id)));
    if (at == m_index.end()) {
        return;
    }
    Camera& camera = m_cameras[at->second];
    camera.now = reply;
    camera.answered = true;
    if (camera.outcome == Outcome::Waiting &&
        ShowsSettings(reply, camera.change.after, camera.change.dhcp)) {
        camera.outcome = Outcome::Changed;
        ++m_changed;
    }
}

void CPlanRollout::Refused(unsigned count) {
    m_refusals += count;
}

bool CPlanRollout::Settled() const {
    return m_changed + m_refusals >= m_cameras.size();
}

void CPlanRollout::Finish() {
    std::size_t waiting = 0;
    std::size_t old = 0;
    for (const Camera& camera : m_cameras) {
        if (camera.outcome == Outcome::Waiting) {
            ++waiting;
            old += camera.answered ? 1 : 0;
        }
    }
    // A camera that refused answers on as before, so the refusals belong
    // to the cameras that still show their old settings, when they are
    // enough for them all; fewer could be any of them.
    const bool allRefused = m_refusals >= waiting;
    const bool oldRefused = old > 0 && m_refusals >= old;
    for (Camera& camera : m_cameras) {
        if (camera.outcome != Outcome::Waiting) {
            continue;
        }
        if (allRefused || (camera.answered && oldRefused)) {
            camera.outcome = Outcome::Refused;
        } else {
            camera.outcome = camera.answered ? Outcome::Unchanged : Outcome::NotAnswering;
        }
    }
}

std::size_t CPlanRollout::Count(Outcome outcome) const {
    return static_cast<std::size_t>(
        std::count_if(m_cameras.begin(), m_cameras.end(),
                      [outcome](const Camera& camera) { return camera.outcome == outcome; }));
}

std::string_view OutcomeText(CPlanRollout::Outcome outcome) {
    switch (outcome) {
        case CPlanRollout::Outcome::Changed:
            return "changed";
        case CPlanRollout::Outcome::Refused:
            return "password refused";
        case CPlanRollout::Outcome::NotAnswering:
            return "not answering";
        case CPlanRollout::Outcome::Unchanged:
            return "still on its old settings";
        case CPlanRollout::Outcome::Waiting:
            break;
    }
    return "not confirmed yet";
}

}  // namespace vantrel
