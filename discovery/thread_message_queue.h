// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "protocol/camera_record.h"

namespace vantrel {

// What the window asks of the discovery worker.
enum class WorkerMessage {
    WM_SET_NETWORK,  // broadcast a set-network request from the record, then search at once
    WM_SEARCH_NOW,   // search at once
    QUIT,            // leave the loop and close the socket
};

struct ThreadMessage {
    WorkerMessage message;
    std::unique_ptr<CameraRecord> record;  // only with WM_SET_NETWORK; the receiver owns it
};

// The worker's own message queue: any thread may post, the worker takes at
// most one message per pass and never waits for one. Records still queued
// when the queue goes are freed with it.
class CThreadMessageQueue {
  public:
    void Post(ThreadMessage message);
    [[nodiscard]] std::optional<ThreadMessage> TryTake();

  private:
    std::mutex m_mutex;
    std::deque<ThreadMessage> m_messages;
};

}  // namespace vantrel
