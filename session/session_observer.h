// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "cameras/plan_rollout.h"
#include "session/list_edit.h"

namespace vantrel {

// What the camera session tells its front end, in the words of the domain.
// The session calls it on the front end's thread, through the dispatcher
// the front end gave it; the front end shows what it is told and holds no
// rule of its own about cameras. Each front end takes what it shows.
class ISessionObserver {
  public:
    virtual ~ISessionObserver() = default;

    // The cameras changed: the session's Records() are already as after
    // the edit, and the list follows by it.
    virtual void ListChanged(const ListEdit& /*edit*/) {}
    // What the empty list says; empty while it has lines.
    virtual void EmptyListTextChanged(const std::string& /*text*/) {}
    // A new camera was turned away by a full list, or there is room again.
    virtual void ListFullChanged(bool /*full*/) {}
    // The line under the list: how the camera followed last stands (its
    // restart after an upgrade, its new settings taken or not).
    virtual void StatusLineChanged(const std::string& /*text*/) {}
    // A camera answered a set-network request: wrong password.
    virtual void PasswordRefused() {}
    // The discovery socket failed; no search goes out any more.
    virtual void SocketFailed() {}
    // Search number `search` went out (the first is 1).
    virtual void Searched(std::uint64_t /*search*/) {}
    // A plan's cameras, as far as the searches show them; ended once the
    // searches for it are over or every camera is decided.
    virtual void PlanChanged(const CPlanRollout& /*rollout*/, bool /*ended*/) {}
    // An upload job changed: its state, progress or restart.
    virtual void UploadsChanged() {}
};

}  // namespace vantrel
