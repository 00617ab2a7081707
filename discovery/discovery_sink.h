// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/camera_record.h"

namespace vantrel {

// Where the discovery worker's reports go. The worker calls these from its
// own thread and never waits for the window: an implementation only posts.
class IDiscoverySink {
  public:
    virtual ~IDiscoverySink() = default;

    // The worker's own socket failed and the worker ends.
    virtual void PostSocketError() = 0;
    // A camera's non-zero set-network result. It has a path of its own, so
    // that nothing a camera sends can pass for the worker's failure.
    virtual void PostSetNetworkResult(std::uint16_t result) = 0;
    // The refresh tick, right after each search round.
    virtual void PostCameraRefresh() = 0;
    // The search replies one pass of the worker took in,
    // in the order they came; the sink owns them.
    virtual void PostCamerasFound(std::vector<CameraRecord> records) = 0;
};

}  // namespace vantrel
