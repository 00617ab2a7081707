// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/upload_run.h"

#include <algorithm>
#include <fstream>

#include "cameras/upgrade_session.h"

namespace vantrel {

using State = UploadJob::State;

// What one upload session reports on its thread, carried to the job on the
// front end's thread; progress only when the percent changes.
class CUploadRun::CJobRelay final : public IUpgradeView {
  public:
    CJobRelay(CUploadRun& run, std::size_t job) : m_run(run), m_job(job) {}

    void UploadStarted() override {
        m_percent = 0;
        Tell([](UploadJob& job) {
            job.state = State::Uploading;
            job.percent = 0;
            job.imageBegun = true;
        });
    }
    void UploadProgress(int percent) override {
        if (percent != m_percent) {
            m_percent = percent;
            Tell([percent](UploadJob& job) { job.percent = percent; });
        }
    }
    void UploadFailed(int messageId, const std::string& reason) override {
        Tell([messageId, reason](UploadJob& job) {
            job.state = State::Failed;
            job.messageId = messageId;
            job.reason = reason;
        });
    }
    void UploadFinished(Delivery delivery) override {
        Tell([delivery](UploadJob& job) {
            job.state = delivery == Delivery::Confirmed ? State::Delivered : State::Unconfirmed;
        });
    }
    void Tell(std::function<void(UploadJob&)> change) {
        m_run.Post([job = m_job, change = std::move(change)](CUploadRun& run) {
            change(run.m_jobs[job]);
            run.m_changed();
        });
    }

  private:
    CUploadRun& m_run;
    const std::size_t m_job;
    int m_percent = -1;
};

CUploadRun::CUploadRun(ISessionDispatcher& dispatcher, std::function<void()> changed)
    : m_dispatcher(dispatcher), m_changed(std::move(changed)) {}

CUploadRun::~CUploadRun() {
    m_startNoMore = true;
    m_threads.clear();  // waits for the uploads in flight
}

void CUploadRun::Post(std::function<void(CUploadRun&)> task) {
    m_dispatcher.Dispatch([self = std::weak_ptr<CUploadRun*>(m_self), task = std::move(task)] {
        // On the front end's thread, the one that ends the run.
        if (const auto run = self.lock()) {
            task(**run);
        }
    });
}

void CUploadRun::Start(std::vector<CameraRecord> cameras, std::string image, ImageKind kind,
                       unsigned atOnce) {
    m_cameras = std::move(cameras);
    m_image = std::move(image);
    m_kind = kind;
    m_jobs.assign(m_cameras.size(), UploadJob{});
    for (std::size_t job = 0; job < m_jobs.size(); ++job) {
        m_jobs[job].camera = m_cameras[job];
    }
    m_began.assign(m_jobs.size(), {});
    const std::size_t threads = std::min<std::size_t>(std::max(1u, atOnce), m_jobs.size());
    m_threadsLeft = threads;
    for (std::size_t thread = 0; thread < threads; ++thread) {
        m_threads.emplace_back([this] {
            for (std::size_t job = m_next++; job < m_cameras.size() && !m_startNoMore;
                 job = m_next++) {
                Upload(job);
            }
            Post([](CUploadRun& run) {
                --run.m_threadsLeft;
                run.m_changed();
            });
        });
    }
}

// On an upload thread.
void CUploadRun::Upload(std::size_t job) {
    CJobRelay relay(*this, job);
    Post([job](CUploadRun& run) {
        run.m_began[job] = std::chrono::steady_clock::now();
        run.m_jobs[job].state = State::Connecting;
        run.m_changed();
    });
    std::ifstream image;
    if (const int message = OpenImage(m_image, m_kind, image)) {
        relay.UploadFailed(message, {});
        return;
    }
    RunUpgradeSession(std::move(image), m_kind, m_cameras[job], relay, m_stop.get_token());
    Post([job](CUploadRun& run) {
        UploadJob& done = run.m_jobs[job];
        // A session that returns with nothing more to say was stopped.
        if (IsInFlight(done.state)) {
            done.state = State::Stopped;
        }
        if (Ended(done.state)) {
            done.seconds = run.SecondsOf(job);
        }
        run.m_changed();
    });
}

std::size_t CUploadRun::InFlight() const {
    return static_cast<std::size_t>(std::count_if(
        m_jobs.begin(), m_jobs.end(), [](const UploadJob& job) { return IsInFlight(job.state); }));
}

long long CUploadRun::SecondsOf(std::size_t job) const {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                            m_began[job])
        .count();
}

}  // namespace vantrel
