// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantrel {

// Writes a run's report to path, replacing what was there; false, with the
// reason in error, when it cannot. Written empty before anything is sent, it
// proves the report can be had when all else is lost.
[[nodiscard]] bool WriteReportFile(const std::string& path, const std::string& report,
                                   std::string& error);

}  // namespace vantrel
