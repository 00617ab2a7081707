// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel {

// When a command that waits for cameras has heard them all. At least two
// searches go out, so that a lost reply gets a second chance: the second
// once the answers to the first have gone quiet, and more while a search
// brings cameras not heard before. The wait ends when the latest search
// brought nothing new and the answers are quiet again.
//
// "Quiet" is never shorter than LEAST_QUIET, and at least twice the longest
// delay seen between a search and a camera's answer, since real cameras may
// answer late. No wait ends sooner than LEAST_WAIT after the first search,
// so that a camera that answers that late is still heard the first time,
// and none is longer than the two full search periods a command waited
// before, so that a flood of replies cannot hold it.
class CSearchSettle {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration LEAST_QUIET = std::chrono::milliseconds(300);
    static constexpr Clock::duration LEAST_WAIT = std::chrono::milliseconds(850);
    static constexpr Clock::duration LONGEST = std::chrono::milliseconds(6000);

    // A search went out.
    void Searched(Clock::time_point at);
    // The camera answered.
    void Answered(Clock::time_point at, const std::string& id);

    enum class Step { Wait, Search, Settled };
    // What the waiting side does now. After Search, the next is Wait until
    // the search has gone out.
    [[nodiscard]] Step Next(Clock::time_point now);
    // When Next may say something new without another search or answer.
    [[nodiscard]] Clock::time_point WakeAt() const;
    [[nodiscard]] Clock::duration Quiet() const;
    [[nodiscard]] std::size_t Searches() const { return m_sent.size(); }

  private:
    std::vector<Clock::time_point> m_sent;
    // Each camera by the number of the latest search its answers account for.
    std::unordered_map<std::string, std::size_t> m_cameras;
    Clock::time_point m_lastHeard;  // the latest search or answer
    Clock::duration m_longestDelay{};
    bool m_newSinceSearch = false;
    bool m_asked = false;  // a search is asked for and has not gone out yet
};

}  // namespace vantrel
