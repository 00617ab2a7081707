// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantrel::cli {

// Writes "vantrel-cli: MESSAGE" as a line of its own to standard error and
// gives back the exit status, for a command to return.
int Fail(const std::string& message, int code);

}  // namespace vantrel::cli
