// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// Starts the program: one copy only, then the socket library, then the main
// window until it has gone. A second start shows the first copy's window
// and ends without a word.
class CMainApp {
  public:
    // The program's exit status.
    int Run();
};

}  // namespace vantrel
