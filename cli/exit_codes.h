// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel::cli {

// vantrel-cli's exit statuses, as its manual page lists them.
enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_CAMERA_FAILED = 1,  // a camera refused, failed, or did not take the settings
    EXIT_USAGE = 2,          // the command line, the settings or the image file
    EXIT_NETWORK = 3,        // the search socket: port 10000 taken, or a socket error
    EXIT_WRONG_PASSWORD = 4,
    EXIT_NOT_FOUND = 5,      // a camera named on the command line did not answer
    EXIT_NOT_BACK = 6,       // an upgraded camera did not restart and come back in time
    EXIT_INTERRUPTED = 130,  // Ctrl+C
    EXIT_TERMINATED = 143,   // SIGTERM
};

}  // namespace vantrel::cli
