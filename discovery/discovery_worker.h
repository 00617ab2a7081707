// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <thread>
#include <vector>

#include "discovery/discovery_sink.h"
#include "discovery/discovery_thread.h"
#include "discovery/thread_message_queue.h"

namespace vantrel {

// Owns the discovery thread and its message queue. The session reaches the
// worker only through Post*, the worker reaches the window only through the
// sink; they share nothing else.
class CDiscoveryWorker {
  public:
    explicit CDiscoveryWorker(IDiscoverySink& sink, DiscoveryConfig config = {});
    ~CDiscoveryWorker();
    CDiscoveryWorker(const CDiscoveryWorker&) = delete;
    CDiscoveryWorker& operator=(const CDiscoveryWorker&) = delete;

    // Starts the thread; false when it cannot be created.
    [[nodiscard]] bool Start();
    // Asks the thread to quit and waits until it has. Safe to call again.
    void Stop();

    // A set-network request: the worker takes its own copy of the record.
    void PostSetNetwork(const CameraRecord& record);
    // One set-network message for many cameras: every request goes out in one
    // pass, followed by one search.
    void PostSetNetworks(std::vector<CameraRecord> records);
    // A search at once.
    void PostSearchNow();

  private:
    IDiscoverySink& m_sink;
    const DiscoveryConfig m_config;
    CThreadMessageQueue m_queue;
    std::thread m_thread;
};

}  // namespace vantrel
