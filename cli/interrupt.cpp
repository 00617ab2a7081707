// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

namespace vantrel::cli {

namespace {

std::atomic<int> g_interrupts{0};
std::atomic<bool> g_terminated{false};
std::atomic<bool> g_hungUp{false};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int signal) {
    if (signal == SIGTERM) {
        g_terminated = true;
    }
    ++g_interrupts;
}

#ifndef _WIN32
extern "C" void OnHangUp(int) {
    g_hungUp = true;
}

// No SA_RESTART: a blocking read of the password prompt must end on
// Ctrl+C, so that the terminal gets its echo back. The socket calls resume
// by themselves.
void Handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}
#endif

}  // namespace

void InstallInterruptHandler() {
#ifdef _WIN32
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#else
    Handle(SIGINT, OnInterrupt);
    Handle(SIGTERM, OnInterrupt);
#endif
}

bool Interrupted() {
    return g_interrupts > 0;
}

int InterruptCount() {
    return g_interrupts;
}

bool Terminated() {
    return g_terminated;
}

void IgnoreHangUp() {
#ifndef _WIN32
    Handle(SIGHUP, OnHangUp);
#endif
}

bool HungUp() {
    return g_hungUp;
}

}  // namespace vantrel::cli
