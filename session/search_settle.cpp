// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/search_settle.h"

#include <algorithm>

namespace vantrel {

void CSearchSettle::Searched(Clock::time_point at) {
    m_sent.push_back(at);
    m_lastHeard = std::max(m_lastHeard, at);
    m_newSinceSearch = false;
    m_asked = false;
}

void CSearchSettle::Answered(Clock::time_point at, const std::string& id) {
    const auto [camera, isNew] = m_cameras.try_emplace(id, 0);
    m_newSinceSearch |= isNew;
    m_lastHeard = std::max(m_lastHeard, at);
    if (m_sent.empty()) {
        return;  // an answer to a search before this wait
    }
    // Each answer is taken for the camera's answer to the earliest search it
    // has not answered yet: a late answer to the first search that comes
    // after the second counts as late, not as quick.
    const std::size_t search = std::min(camera->second + 1, m_sent.size());
    camera->second = search;
    m_longestDelay = std::max(m_longestDelay, at - m_sent[search - 1]);
}

CSearchSettle::Clock::duration CSearchSettle::Quiet() const {
    return std::max(LEAST_QUIET, 2 * m_longestDelay);
}

CSearchSettle::Step CSearchSettle::Next(Clock::time_point now) {
    if (m_sent.empty()) {
        return Step::Wait;
    }
    if (now - m_sent.front() >= LONGEST) {
        return Step::Settled;
    }
    if (m_asked || now < m_lastHeard + Quiet()) {
        return Step::Wait;
    }
    if (m_sent.size() < 2 || m_newSinceSearch) {
        m_asked = true;
        return Step::Search;
    }
    return now - m_sent.front() >= LEAST_WAIT ? Step::Settled : Step::Wait;
}

CSearchSettle::Clock::time_point CSearchSettle::WakeAt() const {
    if (m_sent.empty()) {
        return Clock::time_point::max();
    }
    const Clock::time_point last = m_sent.front() + LONGEST;
    if (m_asked) {
        return last;
    }
    const Clock::time_point quiet = m_lastHeard + Quiet();
    // Quiet, with searches enough, it only waits for the least wait.
    const bool searchesDone = m_sent.size() >= 2 && !m_newSinceSearch;
    return std::min(last, searchesDone ? std::max(quiet, m_sent.front() + LEAST_WAIT) : quiet);
}

}  // namespace vantrel
