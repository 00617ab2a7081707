// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/camera_search.h"

#include <algorithm>
#include <ostream>
#include <utility>

#include "cli/interrupt.h"
#include "protocol/unique_socket.h"
#include "res/string_table.h"

namespace vantrel::cli {

namespace {

constexpr auto POLL_PERIOD = std::chrono::milliseconds(100);

// Whether another program holds the discovery port. The worker binds it the
// same way a moment later; this only tells a taken port from other faults.
bool DiscoveryPortTaken() {
    const UniqueSocket probe(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(DISCOVERY_PORT);
    return probe.IsValid() &&
           bind(probe.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 &&
           FailureOf(LastSocketError()) == SocketFailure::AddressInUse;
}

SessionConfig ConfigFor(CCameraSearch::Forget forget) {
    SessionConfig config;
    config.keepEveryCamera = forget == CCameraSearch::Forget::Never;
    return config;
}

}  // namespace

CCameraSearch::CCameraSearch(Forget forget) : m_session(m_dispatcher, *this, ConfigFor(forget)) {}

ExitCode CCameraSearch::Start(std::ostream& errors) {
    if (DiscoveryPortTaken()) {
        errors << "vantrel-cli: UDP port " << DISCOVERY_PORT
               << " is in use by another program, perhaps a running Vantrel window.\n"
                  "Cameras answer on that port only: close that program and try again.\n";
        return EXIT_NETWORK;
    }
    if (!m_session.Start()) {
        errors << "vantrel-cli: " << LoadText(IDS_THREAD_FAILED) << '\n';
        return EXIT_NETWORK;
    }
    return EXIT_OK;
}

CCameraSearch::WaitEnd CCameraSearch::WaitUntil(const std::function<bool()>& done,
                                                std::uint64_t lastSearch) {
    return Run(
        done, [&] { return m_session.Searches() > lastSearch; },
        [] { return std::chrono::steady_clock::time_point::max(); });
}

CCameraSearch::WaitEnd CCameraSearch::WaitForAnswers(const std::function<bool()>& done,
                                                     std::optional<std::uint64_t> rounds) {
    if (rounds) {
        return WaitUntil(done, *rounds);
    }
    m_session.SettleSearch();
    const WaitEnd end = Run(
        done, [&] { return m_session.SearchSettled(std::chrono::steady_clock::now()); },
        [&] { return m_session.SettleWakeAt(); });
    m_session.StopSettling();
    return end;
}

CCameraSearch::WaitEnd CCameraSearch::Run(
    const std::function<bool()>& done, const std::function<bool()>& over,
    const std::function<std::chrono::steady_clock::time_point()>& wakeAt) {
    for (;;) {
        RunQueued();
        if (Interrupted()) {
            return WaitEnd::Interrupted;
        }
        if (done()) {
            return WaitEnd::Done;
        }
        if (m_socketFailed) {
            return WaitEnd::SocketFailed;
        }
        if (over()) {
            return WaitEnd::SearchesOver;
        }
        const auto now = std::chrono::steady_clock::now();
        const auto wake = wakeAt();
        m_dispatcher.Wait(
            wake <= now
                ? std::chrono::milliseconds(0)
                : std::min<std::chrono::milliseconds>(
                      POLL_PERIOD, std::chrono::ceil<std::chrono::milliseconds>(wake - now)));
    }
}

void CCameraSearch::RunFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        RunQueued();
        m_dispatcher.Wait(std::chrono::duration_cast<std::chrono::milliseconds>(end - now));
    }
    RunQueued();
}

std::vector<ListedCamera> CCameraSearch::Listed() const {
    const std::vector<CameraRecord>& records = m_session.Records();
    std::vector<ListedCamera> listed;
    listed.reserve(records.size());
    for (std::size_t line = 0; line < records.size(); ++line) {
        listed.push_back(m_session.ListedAt(line));
    }
    return listed;
}

bool CCameraSearch::TakeTableFull() {
    return std::exchange(m_tableFull, false);
}

bool CCameraSearch::RunQueued() {
    if (!m_dispatcher.RunPending()) {
        return false;
    }
    ++m_version;
    return true;
}

void CCameraSearch::ListFullChanged(bool full) {
    m_tableFull |= full;
}

void CCameraSearch::SocketFailed() {
    m_socketFailed = true;
}

void CCameraSearch::PlanChanged(const CPlanRollout& rollout, bool ended) {
    if (ended) {
        m_endedPlan = rollout;
    }
}

}  // namespace vantrel::cli
