// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace vantrel {

// Where the session's work runs: on the front end's own thread, one task at
// a time, in the order posted. A queued call in Qt, a posted message in
// Win32, a queue that the terminal's main thread drains.
class ISessionDispatcher {
  public:
    virtual ~ISessionDispatcher() = default;

    // Called from any thread; never runs the task before returning.
    virtual void Dispatch(std::function<void()> task) = 0;
};

}  // namespace vantrel
