// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// Starts the program: one copy per user, the socket library, then the main
// window until it closes. No command line, no settings, nothing kept.
class CMainApp {
  public:
    // Returns when the program is to end; always 0.
    int InitInstance();
};

}  // namespace vantrel
