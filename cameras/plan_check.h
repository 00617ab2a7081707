// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cameras/plan_file.h"
#include "protocol/camera_record.h"

namespace vantrel {

// One camera of a checked plan.
struct PlanChange {
    std::size_t line = 0;   // the plan's line, 0 for a range
    CameraRecord before{};  // as the camera last answered
    CameraRecord after{};   // what the request will carry, but for the password
    bool dhcp = false;
};

struct CheckedPlan {
    std::vector<PlanChange> changes;    // in plan order; empty when there are problems
    std::vector<PlanProblem> problems;  // every one, in plan order
    // Each row its own form takes, problems or not: what a table shows the
    // plan would do. Only changes are ever sent.
    std::vector<PlanChange> proposed;
};

// Checks a whole plan before anything is sent: each row as the network
// settings window checks its form, with its messages, then what no single
// form can see: an id twice, a camera that did not answer, one address for
// two cameras, an address that stays another answering camera's or is one
// of this computer's own (hostAddresses, network order), a subnet's
// broadcast address.
[[nodiscard]] CheckedPlan CheckPlan(const std::vector<PlanRow>& rows,
                                    const std::vector<CameraRecord>& answering,
                                    const std::vector<std::uint32_t>& hostAddresses);

}  // namespace vantrel
