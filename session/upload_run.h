// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "cameras/firmware_image.h"
#include "session/session_dispatcher.h"
#include "session/upload_job.h"

namespace vantrel {

// Uploads one image to cameras, up to a number at a time, each on a thread
// of its own so that the front end keeps answering its desktop. What each
// job does reaches the front end's thread through its dispatcher, where the
// jobs live. A camera left with part of an image may not start again, so
// nothing here cuts an upload short but BreakOff, and ending a run waits
// for the uploads in flight.
class CUploadRun {
  public:
    // changed() runs on the front end's thread after each change of a job,
    // and once all are over.
    CUploadRun(ISessionDispatcher& dispatcher, std::function<void()> changed);
    ~CUploadRun();
    CUploadRun(const CUploadRun&) = delete;
    CUploadRun& operator=(const CUploadRun&) = delete;

    // One job per camera, in order; each camera record carries its password.
    void Start(std::vector<CameraRecord> cameras, std::string image, ImageKind kind,
               unsigned atOnce);
    // The uploads in flight finish; no more start.
    void StartNoMore() { m_startNoMore = true; }
    // The uploads in flight end before their next chunk.
    void BreakOff() { m_stop.request_stop(); }

    [[nodiscard]] const std::vector<UploadJob>& Jobs() const { return m_jobs; }
    [[nodiscard]] UploadJob& Job(std::size_t job) { return m_jobs[job]; }
    [[nodiscard]] std::size_t InFlight() const;
    // Every upload thread has ended and told all it had to tell.
    [[nodiscard]] bool Over() const { return m_threadsLeft == 0; }
    // Seconds since the job began connecting.
    [[nodiscard]] long long SecondsOf(std::size_t job) const;

  private:
    class CJobRelay;
    void Upload(std::size_t job);
    void Post(std::function<void(CUploadRun&)> task);

    ISessionDispatcher& m_dispatcher;
    const std::function<void()> m_changed;
    std::vector<UploadJob> m_jobs;                               // the front end's thread only
    std::vector<std::chrono::steady_clock::time_point> m_began;  // beside m_jobs
    std::size_t m_threadsLeft = 0;
    // What the upload threads read.
    std::vector<CameraRecord> m_cameras;
    std::string m_image;
    ImageKind m_kind = ImageKind::System;
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_startNoMore{false};
    std::stop_source m_stop;
    // Tasks still queued when the run goes find it gone.
    std::shared_ptr<CUploadRun*> m_self = std::make_shared<CUploadRun*>(this);
    std::vector<std::jthread> m_threads;  // last: joined before the rest goes
};

}  // namespace vantrel
