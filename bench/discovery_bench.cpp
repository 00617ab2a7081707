// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery at scale: one fakecam plays N cameras that all answer each
// search at once; the worker must report every one of them. Runs inside the
// test LAN: tests/testlan.sh build/default/bench/discovery_bench
//
// Prints, for each N, the cameras reported after the first and after the
// second search and the time from each search to its last report.

#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "discovery/discovery_worker.h"
#include "protocol/text_field.h"
#include "protocol/unique_socket.h"
#include "tests/fakecam_process.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {

// Counts distinct cameras per search round, with the time of the last one.
class RoundSink : public IDiscoverySink {
  public:
    struct Round {
        Clock::time_point search;
        Clock::time_point lastReport;
        std::size_t reports = 0;
        std::size_t newCameras = 0;
    };

    void PostSocketError() override { std::printf("  worker socket error\n"); }
    void PostSetNetworkResult(std::uint16_t result) override {
        std::printf("  set-network result %u\n", result);
    }
    void PostCameraRefresh() override {
        const std::lock_guard lock(m_mutex);
        m_rounds.push_back({Clock::now(), Clock::now(), 0, 0});
    }
    void PostCamerasFound(std::vector<CameraRecord> records) override {
        const std::lock_guard lock(m_mutex);
        if (m_rounds.empty()) {
            return;
        }
        Round& round = m_rounds.back();
        round.lastReport = Clock::now();
        for (const CameraRecord& record : records) {
            ++round.reports;
            round.newCameras += m_seen.insert(std::string(FieldText(record.id))).second;
        }
    }
    std::vector<Round> Rounds() {
        const std::lock_guard lock(m_mutex);
        return m_rounds;
    }

  private:
    std::mutex m_mutex;
    std::vector<Round> m_rounds;
    std::set<std::string> m_seen;
};

int GrantedReceiveBuffer() {
    UniqueSocket probe(socket(AF_INET, SOCK_DGRAM, 0));
    int size = 4 * 1024 * 1024;
    setsockopt(probe.Get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    socklen_t length = sizeof size;
    getsockopt(probe.Get(), SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

void Measure(std::size_t count) {
    test::FakecamProcess fakecam(test::Environment("TESTLAN_CAM_A_NS"),
                                 {"--count", std::to_string(count)});
    if (!fakecam.WaitForOutput("cameras on UDP port")) {
        std::printf("fakecam did not start: %s\n", fakecam.Output().c_str());
        return;
    }
    RoundSink sink;
    CDiscoveryWorker worker(sink);
    if (!worker.Start()) {
        return;
    }
    // Two whole periods and the start of a third, whose tick closes round 2.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * SEARCH_PERIOD_MS + 500));
    worker.Stop();
    const auto rounds = sink.Rounds();
    std::size_t total = 0;
    for (std::size_t i = 0; i < 2 && i < rounds.size(); ++i) {
        total += rounds[i].newCameras;
        const auto ms =
            std::chrono::duration<double, std::milli>(rounds[i].lastReport - rounds[i].search);
        std::printf(
            "N=%-6zu search %zu: %6zu replies taken, %6zu cameras known (%s), "
            "last report %.1f ms after the search\n",
            count, i + 1, rounds[i].reports, total,
            total == count ? "none missing" : "MISSING SOME", ms.count());
    }
}

}  // namespace

int main() {
    if (test::Environment("TESTLAN_HOST_NS").empty()) {
        std::fprintf(stderr, "run inside the test LAN: tests/testlan.sh %s\n",
                     "build/default/bench/discovery_bench");
        return 2;
    }
    std::printf("receive buffer granted for a 4 MiB request: %d bytes\n", GrantedReceiveBuffer());
    for (const std::size_t count : {100, 1000, 10000}) {
        Measure(count);
    }
    return 0;
}
