// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cameras/camera_table.h"
#include "cli/camera_rows.h"
#include "cli/exit_codes.h"
#include "discovery/discovery_worker.h"

namespace vantrel::cli {

// The cameras the discovery worker finds, kept the way the window keeps
// them, for a command that waits on them from the main thread.
class CCameraSearch final : public IDiscoverySink {
  public:
    // Forget::Unseen drops the cameras that did not answer the previous
    // search, as the window's list does; Forget::Never keeps every camera
    // that answered at all, with its latest reply.
    enum class Forget { Never, Unseen };
    explicit CCameraSearch(Forget forget);
    ~CCameraSearch() override;
    CCameraSearch(const CCameraSearch&) = delete;
    CCameraSearch& operator=(const CCameraSearch&) = delete;

    // Binds port 10000 and starts searching; on failure writes what went
    // wrong and what to do to errors and returns the exit status.
    [[nodiscard]] ExitCode Start(std::ostream& errors);

    enum class WaitEnd { Done, SearchesOver, SocketFailed, Interrupted };
    // Waits until done() holds, the searches after number lastSearch have
    // begun (so that round lastSearch is over), the worker's socket fails,
    // or Ctrl+C. done() is asked each time something arrives, and at least
    // every 100 ms.
    [[nodiscard]] WaitEnd WaitUntil(const std::function<bool()>& done, std::uint64_t lastSearch);

    struct Found {
        CameraRecord record;
        std::uint64_t search;  // the number of the latest search it answered
    };
    [[nodiscard]] std::optional<Found> Find(std::string_view id) const;
    // The cameras in the order they were first found.
    [[nodiscard]] std::vector<CameraRecord> Cameras() const;
    // The same, each with the ids of the other cameras on its address.
    [[nodiscard]] std::vector<ListedCamera> Listed() const;
    // The cameras whose latest reply answered a search after number search.
    [[nodiscard]] std::vector<CameraRecord> AnsweredAfter(std::uint64_t search) const;
    // Searches sent so far.
    [[nodiscard]] std::uint64_t Searches() const;
    // Goes up each time the worker reports anything.
    [[nodiscard]] std::uint64_t Version() const;
    // Set-network replies that said the password was wrong, since the last call.
    [[nodiscard]] unsigned TakePasswordRefusals();
    // A new camera was turned away by a full table since the last call.
    [[nodiscard]] bool TakeTableFull();

    // From now on, notes for the camera at each search whether it answered
    // the one before: what TakeAnswers gives, oldest first.
    void Follow(std::string_view id);
    [[nodiscard]] std::vector<bool> TakeAnswers(std::string_view id);

    // Sends a set-network request with the record (then searches at once).
    void SetNetwork(const CameraRecord& record);
    // Sends one for each record, all at once (then searches once).
    void SetNetworks(std::vector<CameraRecord> records);

    void PostSocketError() override;
    void PostSetNetworkResult(std::uint16_t result) override;
    void PostCameraRefresh() override;
    void PostCamerasFound(std::vector<CameraRecord> records) override;

  private:
    const Forget m_forget;
    mutable std::mutex m_mutex;
    std::condition_variable m_news;
    CCameraTable m_table;
    std::unordered_map<std::string, std::uint64_t> m_answered;  // id to search number
    struct Followed {
        bool answered = true;  // since the last search; it may have, before Follow
        std::vector<bool> answers;
    };
    std::unordered_map<std::string, Followed> m_followed;  // by id
    std::uint64_t m_searches = 0;
    std::uint64_t m_version = 0;
    unsigned m_passwordRefusals = 0;
    bool m_tableFull = false;
    bool m_socketFailed = false;
    CDiscoveryWorker m_worker{*this};  // last: it stops before the rest goes
};

}  // namespace vantrel::cli
