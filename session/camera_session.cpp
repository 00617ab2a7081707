// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/camera_session.h"

#include <algorithm>

#include "cameras/empty_list_text.h"
#include "cameras/network_settings.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "session/camera_action.h"
#include "session/plan_report.h"

namespace vantrel {

namespace {

std::string NameOf(const CameraRecord& camera) {
    return ShownText(FieldText(camera.alias));
}

}  // namespace

CCameraSession::CCameraSession(ISessionDispatcher& dispatcher, ISessionObserver& observer,
                               SessionConfig config)
    : m_dispatcher(dispatcher), m_observer(observer), m_config(std::move(config)) {
    // Not told: the front end that is the observer may be half built yet.
    m_emptyText = CurrentEmptyText();
}

CCameraSession::~CCameraSession() {
    // The uploads in flight end first: a camera left with part of an image
    // may not start again.
    m_uploads.reset();
    Stop();
}

bool CCameraSession::Start() {
    if (m_worker) {
        return true;
    }
    m_worker = std::make_unique<CDiscoveryWorker>(*this, m_config.discovery);
    if (!m_worker->Start()) {
        m_worker.reset();
        return false;
    }
    m_searching = true;
    return true;
}

void CCameraSession::Stop() {
    if (m_worker) {
        m_worker->Stop();
        m_worker.reset();
    }
    m_searching = false;
    // What the worker posted before it ended is not run.
    m_self = std::make_shared<CCameraSession*>(this);
    m_table.Clear();
    m_answered.clear();
    m_settle.reset();
}

void CCameraSession::Dispatch(std::function<void(CCameraSession&)> task) {
    m_dispatcher.Dispatch([self = std::weak_ptr<CCameraSession*>(m_self), task = std::move(task)] {
        // Runs on the front end's thread, the one that ends the session, so
        // the session cannot go between this look and the call.
        if (const auto session = self.lock()) {
            task(**session);
        }
    });
}

// Called on the worker's thread: dispatched, never run here.
void CCameraSession::PostSocketError() {
    Dispatch([](CCameraSession& session) { session.OnSocketError(); });
}

void CCameraSession::PostSetNetworkResult(std::uint16_t result) {
    Dispatch([result](CCameraSession& session) { session.OnSetNetworkResult(result); });
}

// Each timed here, when it happened: the front end's thread may take it in
// later, and a settling search must not take its own delay for a camera's.
void CCameraSession::PostCameraRefresh() {
    Dispatch([at = CSearchSettle::Clock::now()](CCameraSession& session) {
        session.OnCameraRefresh(at);
    });
}

void CCameraSession::PostCamerasFound(std::vector<CameraRecord> records) {
    Dispatch([records = std::move(records), at = CSearchSettle::Clock::now()](
                 CCameraSession& session) { session.OnCamerasFound(records, at); });
}

std::vector<std::string> CCameraSession::SameAddress(std::size_t line, std::size_t most) const {
    return m_table.SameAddress(line, most);
}

ListedCamera CCameraSession::ListedAt(std::size_t line) const {
    return {m_table.Records()[line], m_table.SameAddress(line, m_table.Records().size())};
}

std::optional<CCameraSession::Answer> CCameraSession::Find(std::string_view id) const {
    const auto answered = m_answered.find(std::string(id));
    if (answered == m_answered.end()) {
        return std::nullopt;
    }
    for (const CameraRecord& record : m_table.Records()) {
        if (FieldText(record.id) == id) {
            return Answer{record, answered->second};
        }
    }
    return std::nullopt;
}

std::vector<CameraRecord> CCameraSession::AnsweredAfter(std::uint64_t search) const {
    std::vector<CameraRecord> answered;
    for (const CameraRecord& record : m_table.Records()) {
        const auto at = m_answered.find(std::string(FieldText(record.id)));
        if (at != m_answered.end() && at->second > search) {
            answered.push_back(record);
        }
    }
    return answered;
}

void CCameraSession::SearchNow() {
    if (m_worker) {
        m_worker->PostSearchNow();
    }
}

void CCameraSession::SettleSearch() {
    m_settle.emplace();
    // A search already made may have been answered before this wait began.
    if (m_searches > 0) {
        SearchNow();
    }
}

bool CCameraSession::SearchSettled(CSearchSettle::Clock::time_point now) {
    if (!m_settle) {
        return false;
    }
    switch (m_settle->Next(now)) {
        case CSearchSettle::Step::Wait:
            return false;
        case CSearchSettle::Step::Search:
            SearchNow();
            return false;
        case CSearchSettle::Step::Settled:
            return true;
    }
    return false;
}

CSearchSettle::Clock::time_point CCameraSession::SettleWakeAt() const {
    return m_settle ? m_settle->WakeAt() : CSearchSettle::Clock::time_point::max();
}

void CCameraSession::ChangeNetwork(const CameraRecord& before, const CameraRecord& asked) {
    if (!m_worker) {
        return;
    }
    m_change.emplace(before, asked, m_searches);
    m_changeName = NameOf(before);
    m_statusRestart.clear();
    m_worker->PostSetNetwork(asked);
    ShowChange();
}

void CCameraSession::ApplyPlan(const std::vector<PlanChange>& changes, std::string_view password) {
    if (!m_worker) {
        return;
    }
    std::vector<CameraRecord> requests;
    requests.reserve(changes.size());
    for (const PlanChange& change : changes) {
        requests.push_back(change.after);
        (void)StorePassword(requests.back(), password);
    }
    m_plan.emplace(changes);
    m_planSent = m_searches;
    m_worker->PostSetNetworks(std::move(requests));
}

void CCameraSession::WatchRestart(const CameraRecord& before, ImageKind kind, Delivery delivery,
                                  CRestartWatch::Clock::duration wait) {
    const std::string id(FieldText(before.id));
    m_restarts.insert_or_assign(
        id, Followed{CRestartWatch(before, kind, CRestartWatch::Clock::now(), wait, delivery),
                     NameOf(before)});
    m_statusRestart = id;
    ShowStatus(m_restarts.at(id).name + ": " + m_restarts.at(id).watch.Text());
}

const CRestartWatch* CCameraSession::Restart(std::string_view id) const {
    const auto followed = m_restarts.find(id);
    return followed == m_restarts.end() ? nullptr : &followed->second.watch;
}

void CCameraSession::Upgrade(std::vector<CameraRecord> cameras, std::string image, ImageKind kind,
                             unsigned atOnce,
                             std::optional<CRestartWatch::Clock::duration> followRestarts) {
    m_uploadKind = kind;
    m_followRestarts = followRestarts;
    m_uploads = std::make_unique<CUploadRun>(m_dispatcher, [this] { OnUploadsChanged(); });
    m_uploads->Start(std::move(cameras), std::move(image), kind, atOnce);
}

const std::vector<UploadJob>& CCameraSession::Uploads() const {
    static const std::vector<UploadJob> none;
    return m_uploads ? m_uploads->Jobs() : none;
}

void CCameraSession::StartNoMoreUploads() {
    if (m_uploads) {
        m_uploads->StartNoMore();
    }
}

void CCameraSession::BreakOffUploads() {
    if (m_uploads) {
        m_uploads->BreakOff();
    }
}

std::size_t CCameraSession::UploadsInFlight() const {
    return m_uploads ? m_uploads->InFlight() : 0;
}

bool CCameraSession::UploadsOver() const {
    return !m_uploads || m_uploads->Over();
}

bool CCameraSession::UploadsEnded() const {
    const std::vector<UploadJob>& jobs = Uploads();
    return UploadsOver() && std::none_of(jobs.begin(), jobs.end(), [](const UploadJob& job) {
               return job.state == UploadJob::State::Restarting;
           });
}

// A camera that got its whole image restarts to take it: only its return
// with the new version ends its job.
void CCameraSession::OnUploadsChanged() {
    for (std::size_t job = 0; m_followRestarts && job < m_uploads->Jobs().size(); ++job) {
        UploadJob& upload = m_uploads->Job(job);
        if (const std::optional<Delivery> delivery = DeliveryOf(upload.state)) {
            WatchRestart(upload.camera, m_uploadKind, *delivery, *m_followRestarts);
            upload.state = UploadJob::State::Restarting;
            upload.restart = Restart(FieldText(upload.camera.id))->Text();
        }
    }
    m_observer.UploadsChanged();
}

void CCameraSession::FollowUploadRestarts() {
    if (!m_uploads) {
        return;
    }
    bool followed = false;
    for (std::size_t job = 0; job < m_uploads->Jobs().size(); ++job) {
        UploadJob& upload = m_uploads->Job(job);
        if (upload.state != UploadJob::State::Restarting) {
            continue;
        }
        const CRestartWatch& watch = *Restart(FieldText(upload.camera.id));
        upload.restart = watch.Text();
        switch (watch.Result()) {
            case CRestartWatch::Outcome::Waiting:
                break;
            case CRestartWatch::Outcome::Back:
                upload.state = UploadJob::State::Back;
                break;
            case CRestartWatch::Outcome::BackUnchanged:
                upload.state = UploadJob::State::BackUnchanged;
                break;
            case CRestartWatch::Outcome::NotBack:
            case CRestartWatch::Outcome::NeverLeft:
                upload.state = UploadJob::State::NotBack;
                break;
        }
        if (watch.Ended()) {
            upload.seconds = m_uploads->SecondsOf(job);
        }
        followed = true;
    }
    if (followed) {
        m_observer.UploadsChanged();
    }
}

void CCameraSession::OnSocketError() {
    m_searching = false;
    m_observer.SocketFailed();
}

void CCameraSession::OnSetNetworkResult(std::uint16_t result) {
    if (!IsPasswordRefusal(result)) {
        return;
    }
    if (m_change && !m_change->Ended()) {
        m_change->Refused();
        ShowChange();
    }
    if (m_plan) {
        m_plan->Refused(1);
        TellPlan();
    }
    m_observer.PasswordRefused();
}

void CCameraSession::OnCameraRefresh(CSearchSettle::Clock::time_point at) {
    ++m_searches;
    if (m_settle) {
        m_settle->Searched(at);
    }
    for (auto& [id, followed] : m_restarts) {
        if (!followed.watch.Ended()) {
            followed.watch.Searched(CRestartWatch::Clock::now());
            if (id == m_statusRestart) {
                ShowStatus(followed.name + ": " + followed.watch.Text());
            }
        }
    }
    if (m_change && !m_change->Ended()) {
        m_change->Searched(m_searches);
        ShowChange();
    }
    FollowUploadRestarts();
    if (m_plan && m_searches > m_planSent + SETTLE_SEARCHES) {
        FinishPlan();
    }
    if (!m_config.keepEveryCamera) {
        CCameraTable::Refresh refresh = m_table.DropUnseen();
        const bool refused = refresh.refused;
        if (!refresh.dropped.empty() || !refresh.changed.empty()) {
            m_observer.ListChanged(
                ListEdit{std::move(refresh.dropped), std::move(refresh.changed), 0});
        }
        // The ids of cameras that went would otherwise pile up in a flood.
        if (m_answered.size() > 2 * m_table.Records().size() + 1024) {
            std::unordered_map<std::string, std::uint64_t> kept;
            for (const CameraRecord& record : m_table.Records()) {
                const std::string id(FieldText(record.id));
                kept.emplace(id, m_answered[id]);
            }
            m_answered = std::move(kept);
        }
        if (refused != m_full) {
            m_full = refused;
            m_observer.ListFullChanged(m_full);
        }
    }
    m_quietTicks = m_table.Records().empty() ? m_quietTicks + 1 : 0;
    UpdateEmptyText();
    m_observer.Searched(m_searches);
}

void CCameraSession::OnCamerasFound(const std::vector<CameraRecord>& records,
                                    CSearchSettle::Clock::time_point at) {
    std::size_t added = 0;
    bool refused = false;
    bool planMoved = false;
    for (const CameraRecord& record : records) {
        const std::string id(FieldText(record.id));
        if (m_settle) {
            m_settle->Answered(at, id);
        }
        if (const auto followed = m_restarts.find(id); followed != m_restarts.end()) {
            followed->second.watch.Answered(record);
        }
        if (m_change && FieldText(m_change->Asked().id) == id) {
            m_change->Answered(record, m_searches);
            ShowChange();
        }
        if (m_plan && m_searches > m_planSent) {
            m_plan->Answered(record);
            planMoved = true;
        }
        switch (m_table.Take(record)) {
            case CCameraTable::Merge::Added:
                ++added;
                m_answered[id] = m_searches;
                break;
            case CCameraTable::Merge::Updated:
                m_answered[id] = m_searches;
                break;  // its line changes at the next refresh
            case CCameraTable::Merge::Refused:
                refused = true;
                break;
        }
    }
    if (added > 0) {
        m_observer.ListChanged(ListEdit{{}, {}, added});
        m_quietTicks = 0;
        UpdateEmptyText();
    }
    if (refused && !m_full) {
        m_full = true;
        m_observer.ListFullChanged(true);
    }
    if (planMoved) {
        TellPlan();
    }
}

std::string CCameraSession::CurrentEmptyText() const {
    if (!m_table.Records().empty()) {
        return {};
    }
    const auto rows = m_config.interfaces();
    const std::vector<std::string> names =
        rows ? SearchedInterfaceNames(*rows) : std::vector<std::string>{"every interface"};
    // The first tick comes with the first search; periods follow it.
    return EmptyListText(names, std::max(0, m_quietTicks - 1));
}

std::vector<HostInterface> CCameraSession::HostInterfaces() const {
    return m_config.interfaces().value_or(std::vector<HostInterface>{});
}

std::vector<std::uint32_t> CCameraSession::HostAddresses() const {
    std::vector<std::uint32_t> addresses;
    for (const HostInterface& row : HostInterfaces()) {
        addresses.push_back(row.address);
    }
    return addresses;
}

void CCameraSession::SetInterfaceSource(InterfaceSource source) {
    m_config.interfaces = std::move(source);
    UpdateEmptyText();
}

void CCameraSession::UpdateEmptyText() {
    std::string text = CurrentEmptyText();
    if (text != m_emptyText) {
        m_emptyText = std::move(text);
        m_observer.EmptyListTextChanged(m_emptyText);
    }
}

void CCameraSession::ShowStatus(const std::string& text) {
    if (text != m_status) {
        m_status = text;
        m_observer.StatusLineChanged(m_status);
    }
}

void CCameraSession::ShowChange() {
    if (m_statusRestart.empty() && m_change) {
        ShowStatus(m_changeName + ": " + m_change->Text());
    }
}

void CCameraSession::FinishPlan() {
    CPlanRollout rollout = std::move(*m_plan);
    m_plan.reset();
    rollout.Finish();
    if (m_statusRestart.empty()) {
        ShowStatus(PlanStatusText(rollout, true));
    }
    m_observer.PlanChanged(rollout, true);
}

// The line under the list counts the plan's cameras as they show up, so
// that closing its dialog loses nothing.
void CCameraSession::TellPlan() {
    if (m_plan->Settled()) {
        FinishPlan();
        return;
    }
    if (m_statusRestart.empty()) {
        ShowStatus(PlanStatusText(*m_plan, false));
    }
    m_observer.PlanChanged(*m_plan, false);
}

}  // namespace vantrel
