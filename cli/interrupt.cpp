// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

namespace vantrel::cli {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
}

}  // namespace

void InstallInterruptHandler() {
#ifdef _WIN32
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#else
    // No SA_RESTART: a blocking read of the password prompt must end on
    // Ctrl+C, so that the terminal gets its echo back. The socket calls
    // resume by themselves.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool Interrupted() {
    return g_interrupted;
}

}  // namespace vantrel::cli
