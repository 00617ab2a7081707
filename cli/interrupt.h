// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel::cli {

// Ctrl+C (and SIGTERM where there is one) only sets a flag: every wait of
// the program looks at it at least every 100 ms and ends its work cleanly.
void InstallInterruptHandler();
[[nodiscard]] bool Interrupted();

}  // namespace vantrel::cli
