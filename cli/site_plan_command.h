// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/set_network_command.h"

namespace vantrel::cli {

// "vantrel-cli set-network --plan FILE" and "... --ip-from ADDRESS": new
// settings for many cameras at once, each named by its id, so that cameras
// that share one factory address still get their own. Every problem of the
// plan is told before anything is sent; then one request each goes out
// together, and the searches show which cameras took them.
[[nodiscard]] int RunSitePlan(const SetNetworkOptions& options);

}  // namespace vantrel::cli
