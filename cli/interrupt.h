// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel::cli {

// Ctrl+C (and SIGTERM where there is one) only counts: every wait of the
// program looks at the count at least every 100 ms and ends its work
// cleanly. An upgrade asks for more: the first lets the uploads in flight
// finish, the second breaks them off.
void InstallInterruptHandler();
[[nodiscard]] bool Interrupted();
[[nodiscard]] int InterruptCount();
// SIGTERM was among them: the program ends with 143, not 130.
[[nodiscard]] bool Terminated();

// SIGHUP (the terminal closed, an SSH session dropped) no longer ends the
// program: an upgrade finishes what it started, silently.
void IgnoreHangUp();
[[nodiscard]] bool HungUp();

}  // namespace vantrel::cli
