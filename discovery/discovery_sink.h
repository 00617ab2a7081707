#pragma once

#include <memory>

#include "protocol/camera_record.h"

namespace vantrel {

// Where the discovery worker's reports go. The worker calls these from its
// own thread and never waits for the window: an implementation only posts.
class IDiscoverySink {
  public:
    virtual ~IDiscoverySink() = default;

    // WM_CAMERA_ERROR: -2 after a socket failure (the worker then ends), or
    // the non-zero result of a set-network reply, sign-widened.
    virtual void PostCameraError(int code) = 0;
    // WM_CAMERA_REFRESH: right after each search round.
    virtual void PostCameraRefresh() = 0;
    // WM_CAMERA_FOUND: one search reply; the sink owns the record.
    virtual void PostCameraFound(std::unique_ptr<CameraRecord> record) = 0;
};

}  // namespace vantrel
