// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/discovery_worker.h"

#include <system_error>

namespace vantrel {

CDiscoveryWorker::CDiscoveryWorker(IDiscoverySink& sink, DiscoveryConfig config)
    : m_sink(sink), m_config(std::move(config)) {}

CDiscoveryWorker::~CDiscoveryWorker() {
    Stop();
}

bool CDiscoveryWorker::Start() {
    if (m_thread.joinable()) {
        return true;
    }
    try {
        m_thread = std::thread([this] { DiscoveryThreadProc(m_sink, m_queue, m_config); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CDiscoveryWorker::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    m_queue.Post({WorkerMessage::Quit, {}});
    m_thread.join();
}

void CDiscoveryWorker::PostSetNetwork(const CameraRecord& record) {
    m_queue.Post({WorkerMessage::SetNetwork, {record}});
}

void CDiscoveryWorker::PostSetNetworks(std::vector<CameraRecord> records) {
    m_queue.Post({WorkerMessage::SetNetwork, std::move(records)});
}

void CDiscoveryWorker::PostSearchNow() {
    m_queue.Post({WorkerMessage::SearchNow, {}});
}

}  // namespace vantrel
