// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exit_codes.h"
#include "session/camera_rows.h"
#include "session/camera_session.h"
#include "session/waiting_dispatcher.h"

namespace vantrel::cli {

// The camera session of a terminal command: it runs on the command's own
// thread, between the command's looks at what it says, while the command
// waits for cameras.
class CCameraSearch final : private ISessionObserver {
  public:
    // Forget::Unseen drops the cameras that missed two searches, as the
    // window's list does; Forget::Never keeps every camera that answered
    // at all, with its latest reply.
    enum class Forget { Never, Unseen };
    explicit CCameraSearch(Forget forget);
    CCameraSearch(const CCameraSearch&) = delete;
    CCameraSearch& operator=(const CCameraSearch&) = delete;

    // Binds port 10000 and starts searching; on failure writes what went
    // wrong and what to do to errors and returns the exit status.
    [[nodiscard]] ExitCode Start(std::ostream& errors);

    enum class WaitEnd { Done, SearchesOver, SocketFailed, Interrupted };
    // Runs the session until done() holds, the searches after number
    // lastSearch have begun (so that round lastSearch is over), the socket
    // fails, or Ctrl+C. done() is asked after what arrives, and at least
    // every 100 ms.
    [[nodiscard]] WaitEnd WaitUntil(const std::function<bool()>& done, std::uint64_t lastSearch);
    // The wait for the cameras of a command: as WaitUntil for that many
    // rounds, or, with none given, until the answers have settled
    // (SearchesOver then).
    [[nodiscard]] WaitEnd WaitForAnswers(const std::function<bool()>& done,
                                         std::optional<std::uint64_t> rounds);
    // Runs the session for a while, for a command that draws as it waits.
    void RunFor(std::chrono::milliseconds duration);

    [[nodiscard]] CCameraSession& Session() { return m_session; }
    [[nodiscard]] std::optional<CCameraSession::Answer> Find(std::string_view id) const {
        return m_session.Find(id);
    }
    // The cameras in the order they were first found.
    [[nodiscard]] const std::vector<CameraRecord>& Cameras() const { return m_session.Records(); }
    // The same, each with the ids of the other cameras on its address.
    [[nodiscard]] std::vector<ListedCamera> Listed() const;
    [[nodiscard]] std::uint64_t Searches() const { return m_session.Searches(); }
    // Goes up each time the session has done anything.
    [[nodiscard]] std::uint64_t Version() const { return m_version; }
    // A new camera was turned away by a full list since the last call.
    [[nodiscard]] bool TakeTableFull();
    // The last plan that ended, as the searches left it.
    [[nodiscard]] const std::optional<CPlanRollout>& EndedPlan() const { return m_endedPlan; }

  private:
    void ListFullChanged(bool full) override;
    void SocketFailed() override;
    void PlanChanged(const CPlanRollout& rollout, bool ended) override;
    // The loop of both waits: over() says when the searches are over, and
    // wakeAt() when it may change with nothing arriving.
    [[nodiscard]] WaitEnd Run(const std::function<bool()>& done, const std::function<bool()>& over,
                              const std::function<std::chrono::steady_clock::time_point()>& wakeAt);
    // Runs what the session has queued; true when anything ran.
    bool RunQueued();

    CWaitingDispatcher m_dispatcher;
    std::uint64_t m_version = 0;
    bool m_tableFull = false;
    bool m_socketFailed = false;
    std::optional<CPlanRollout> m_endedPlan;
    CCameraSession m_session;  // last: it stops before the rest goes
};

}  // namespace vantrel::cli
