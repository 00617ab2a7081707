// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// What the window asks of the discovery worker.
enum class WorkerMessage {
    SetNetwork,  // broadcast a set-network request from each record, then search at once
    SearchNow,   // search at once
    Quit,        // leave the loop and close the socket
};

struct ThreadMessage {
    WorkerMessage message;
    // Only with SetNetwork: usually one, a whole site's at once for a
    // plan, so that its cameras take one search, not one each.
    std::vector<CameraRecord> records;
};

// The worker's own message queue: any thread may post, the worker takes at
// most one message per pass and never waits for one.
class CThreadMessageQueue {
  public:
    void Post(ThreadMessage message);
    [[nodiscard]] std::optional<ThreadMessage> TryTake();

  private:
    std::mutex m_mutex;
    std::deque<ThreadMessage> m_messages;
};

}  // namespace vantrel
