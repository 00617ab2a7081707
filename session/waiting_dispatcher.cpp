// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/waiting_dispatcher.h"

namespace vantrel {

void CWaitingDispatcher::Dispatch(std::function<void()> task) {
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_queued.notify_all();
}

bool CWaitingDispatcher::RunPending() {
    std::deque<std::function<void()>> tasks;
    {
        const std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
    }
    // Run without the lock: a task may queue another.
    for (const std::function<void()>& task : tasks) {
        task();
    }
    return !tasks.empty();
}

void CWaitingDispatcher::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_queued.wait_for(lock, timeout, [this] { return !m_tasks.empty(); });
}

}  // namespace vantrel
