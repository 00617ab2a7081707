// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "discovery/discovery_sink.h"

namespace vantrel::test {

// Records what the discovery worker reports, in order, for a test to wait on.
class RecordingSink : public IDiscoverySink {
  public:
    struct Report {
        enum Kind { Error, Result, Refresh, Found } kind;
        int code = 0;
        CameraRecord record{};
    };

    void PostSocketError() override { Add({Report::Error, 0, {}}); }
    void PostSetNetworkResult(std::uint16_t result) override { Add({Report::Result, result, {}}); }
    void PostCameraRefresh() override { Add({Report::Refresh, 0, {}}); }
    void PostCamerasFound(std::vector<CameraRecord> records) override {
        for (const CameraRecord& record : records) {
            Add({Report::Found, 0, record});
        }
    }

    // Waits up to a generous time for the reports to satisfy the condition.
    bool WaitFor(const std::function<bool(const std::vector<Report>&)>& condition,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return condition(m_reports); });
    }
    bool WaitForCount(Report::Kind kind, std::size_t count) {
        return WaitFor([&](const auto& reports) { return Count(reports, kind) >= count; });
    }
    std::vector<Report> Reports() {
        const std::lock_guard lock(m_mutex);
        return m_reports;
    }
    static std::size_t Count(const std::vector<Report>& reports, Report::Kind kind) {
        std::size_t count = 0;
        for (const Report& report : reports) {
            count += report.kind == kind;
        }
        return count;
    }

  private:
    void Add(Report report) {
        {
            const std::lock_guard lock(m_mutex);
            m_reports.push_back(report);
        }
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
};

}  // namespace vantrel::test
