// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cameras/camera_table.h"
#include "cameras/plan_check.h"
#include "cameras/plan_rollout.h"
#include "cameras/restart_watch.h"
#include "discovery/address_holders.h"
#include "discovery/discovery_sink.h"
#include "discovery/discovery_thread.h"
#include "discovery/discovery_worker.h"
#include "discovery/host_interfaces.h"
#include "session/camera_rows.h"
#include "session/network_change.h"
#include "session/search_settle.h"
#include "session/session_dispatcher.h"
#include "session/session_observer.h"
#include "session/upload_run.h"

namespace vantrel {

// Where the empty list learns the interfaces a search goes out on.
using InterfaceSource = std::function<std::optional<std::vector<HostInterface>>()>;

struct SessionConfig {
    // The program always uses the defaults; tests move the worker.
    DiscoveryConfig discovery;
    InterfaceSource interfaces = ReadHostInterfaces;
    // A list keeps a camera until it has missed two searches in a row; a
    // command that looks for cameras keeps every camera that answered.
    bool keepEveryCamera = false;
    // Where a site plan asks the link who holds its addresses.
    NeighbourAccess neighbours = {};
};

// The camera session every front end runs. It owns the discovery worker and
// the camera table and numbers the searches; it follows cameras through
// their restarts and network changes, and a plan to its end, and tells its
// front end what happened through one observer.
//
// The worker's reports reach the session through the front end's
// dispatcher, so that everything here runs on the front end's thread: its
// queries need no lock, and the observer is called there.
class CCameraSession final : public IDiscoverySink {
  public:
    CCameraSession(ISessionDispatcher& dispatcher, ISessionObserver& observer,
                   SessionConfig config = {});
    ~CCameraSession() override;
    CCameraSession(const CCameraSession&) = delete;
    CCameraSession& operator=(const CCameraSession&) = delete;

    // Starts searching; false when the worker's thread cannot be created.
    [[nodiscard]] bool Start();
    // Stops searching and forgets the cameras; what the worker reported
    // and was not yet run is dropped.
    void Stop();
    [[nodiscard]] bool Searching() const { return m_searching; }

    // The cameras as the list shows them, line i for record i.
    [[nodiscard]] const std::vector<CameraRecord>& Records() const { return m_table.Records(); }
    // The ids of the other cameras that report line's address (at most `most`).
    [[nodiscard]] std::vector<std::string> SameAddress(std::size_t line, std::size_t most) const;
    // Line's camera as a list of cameras names it, with all that share its address.
    [[nodiscard]] ListedCamera ListedAt(std::size_t line) const;
    [[nodiscard]] const std::string& EmptyText() const { return m_emptyText; }
    void SetInterfaceSource(InterfaceSource source);
    // This computer's addresses and their subnets, as the search sees them.
    [[nodiscard]] std::vector<HostInterface> HostInterfaces() const;
    // This computer's own addresses (network order), which no camera may take.
    [[nodiscard]] std::vector<std::uint32_t> HostAddresses() const;
    [[nodiscard]] bool ListFull() const { return m_full; }
    [[nodiscard]] const NeighbourAccess& Neighbours() const { return m_config.neighbours; }
    // Searches sent so far.
    [[nodiscard]] std::uint64_t Searches() const { return m_searches; }

    struct Answer {
        CameraRecord record;
        std::uint64_t search;  // searches that had gone out when it came
    };
    // The camera's latest reply, while it is listed.
    [[nodiscard]] std::optional<Answer> Find(std::string_view id) const;
    // The cameras whose latest reply came after search number `search`.
    [[nodiscard]] std::vector<CameraRecord> AnsweredAfter(std::uint64_t search) const;

    void SearchNow();

    // Follows the searches from now on until every camera has been heard:
    // a command's wait for the cameras. The searches it needs are asked
    // for by SearchSettled.
    void SettleSearch();
    // Whether the answers have settled at now; asks for the next search
    // when one is due.
    [[nodiscard]] bool SearchSettled(CSearchSettle::Clock::time_point now);
    // When SearchSettled may say something new, with nothing reported.
    [[nodiscard]] CSearchSettle::Clock::time_point SettleWakeAt() const;
    void StopSettling() { m_settle.reset(); }

    // Sends the set-network request `asked` for camera `before` and follows
    // it to its end in the status line.
    void ChangeNetwork(const CameraRecord& before, const CameraRecord& asked);
    [[nodiscard]] const std::optional<CNetworkChange>& NetworkChange() const { return m_change; }

    // Sends every request of a checked plan in one pass, each with the
    // password, and follows the cameras until the plan has settled.
    void ApplyPlan(const std::vector<PlanChange>& changes, std::string_view password);
    [[nodiscard]] const std::optional<CPlanRollout>& Plan() const { return m_plan; }

    // Follows a camera whose image went out through its restart, in the
    // status line; several may be followed at once.
    void WatchRestart(const CameraRecord& before, ImageKind kind, Delivery delivery,
                      CRestartWatch::Clock::duration wait = RESTART_WAIT);
    [[nodiscard]] const CRestartWatch* Restart(std::string_view id) const;

    // Uploads the image to the cameras, up to atOnce at a time; with
    // followRestarts, each camera that got the whole image is followed
    // through its restart for up to that long. Each camera record carries
    // its password.
    void Upgrade(std::vector<CameraRecord> cameras, std::string image, ImageKind kind,
                 unsigned atOnce, std::optional<CRestartWatch::Clock::duration> followRestarts);
    [[nodiscard]] const std::vector<UploadJob>& Uploads() const;
    // The uploads in flight finish; no more start.
    void StartNoMoreUploads();
    // The uploads in flight end before their next chunk.
    void BreakOffUploads();
    [[nodiscard]] std::size_t UploadsInFlight() const;
    // Every upload has ended, and no camera is being followed through its restart.
    [[nodiscard]] bool UploadsEnded() const;
    // Every upload has ended; restarts may still be followed.
    [[nodiscard]] bool UploadsOver() const;

    // The worker's reports, on its thread: each becomes a task for the
    // front end's thread. Tests play the worker through these.
    void PostSocketError() override;
    void PostSetNetworkResult(std::uint16_t result) override;
    void PostCameraRefresh() override;
    void PostCamerasFound(std::vector<CameraRecord> records) override;

    // The same reports, taken in on the front end's thread.
    void OnSocketError();
    void OnSetNetworkResult(std::uint16_t result);
    // `at` is when the worker reported it.
    void OnCameraRefresh(CSearchSettle::Clock::time_point at = CSearchSettle::Clock::now());
    void OnCamerasFound(const std::vector<CameraRecord>& records,
                        CSearchSettle::Clock::time_point at = CSearchSettle::Clock::now());

  private:
    void Dispatch(std::function<void(CCameraSession&)> task);
    [[nodiscard]] std::string CurrentEmptyText() const;
    void UpdateEmptyText();
    void ShowStatus(const std::string& text);
    void ShowChange();
    void FinishPlan();
    void TellPlan();
    void OnUploadsChanged();
    void FollowUploadRestarts();

    ISessionDispatcher& m_dispatcher;
    ISessionObserver& m_observer;
    SessionConfig m_config;
    CCameraTable m_table;
    std::unordered_map<std::string, std::uint64_t> m_answered;  // id to its latest search
    std::uint64_t m_searches = 0;
    std::optional<CSearchSettle> m_settle;
    int m_quietTicks = 0;  // refresh ticks since the list became empty
    std::string m_emptyText;
    bool m_full = false;
    bool m_searching = false;
    std::string m_status;

    std::optional<CNetworkChange> m_change;
    std::string m_changeName;
    std::optional<CPlanRollout> m_plan;
    std::uint64_t m_planSent = 0;  // searches when the plan went out
    struct Followed {
        CRestartWatch watch;
        std::string name;
    };
    std::map<std::string, Followed, std::less<>> m_restarts;  // by id
    std::string m_statusRestart;  // the id whose restart the status line shows
    std::unique_ptr<CUploadRun> m_uploads;
    ImageKind m_uploadKind = ImageKind::System;
    std::optional<CRestartWatch::Clock::duration> m_followRestarts;

    // Tasks still queued when the session goes find it gone.
    std::shared_ptr<CCameraSession*> m_self = std::make_shared<CCameraSession*>(this);
    std::unique_ptr<CDiscoveryWorker> m_worker;  // last: it stops before the rest goes
};

}  // namespace vantrel
