// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "cameras/plan_check.h"
#include "cameras/plan_rollout.h"

namespace vantrel {

// What a dry run shows: each camera's id, name, address and mask now and
// as the plan would leave them.
[[nodiscard]] std::string PlanChangesText(const std::vector<PlanChange>& changes);

// The outcomes counted: "11 changed, 1 not answering".
[[nodiscard]] std::string PlanCountsText(const CPlanRollout& rollout);
// The line under the list while a plan's cameras show up, and once it ended.
[[nodiscard]] std::string PlanStatusText(const CPlanRollout& rollout, bool ended);

// What became of each camera, then a line that counts the outcomes.
[[nodiscard]] std::string PlanResultText(const CPlanRollout& rollout);

// The site's record of a plan's run: CSV when path ends in ".csv", JSON
// otherwise, each camera's settings before, asked and now, and its result.
[[nodiscard]] std::string PlanReport(const CPlanRollout& rollout, const std::string& path);

}  // namespace vantrel
