// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "session/session_dispatcher.h"

namespace vantrel {

// The dispatcher of a front end with no event loop of its own, such as the
// terminal: tasks wait in a queue until the thread that owns the session
// runs them, between its own looks at what the session says.
class CWaitingDispatcher final : public ISessionDispatcher {
  public:
    void Dispatch(std::function<void()> task) override;

    // Runs every task queued so far, in order; false when there was none.
    bool RunPending();
    // Waits until a task is queued, or at most `timeout`.
    void Wait(std::chrono::milliseconds timeout);

  private:
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<std::function<void()>> m_tasks;
};

}  // namespace vantrel
