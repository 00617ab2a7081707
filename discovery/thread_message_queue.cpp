// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/thread_message_queue.h"

namespace vantrel {

void CThreadMessageQueue::Post(ThreadMessage message) {
    const std::lock_guard lock(m_mutex);
    m_messages.push_back(std::move(message));
}

std::optional<ThreadMessage> CThreadMessageQueue::TryTake() {
    const std::lock_guard lock(m_mutex);
    if (m_messages.empty()) {
        return std::nullopt;
    }
    ThreadMessage message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

}  // namespace vantrel
