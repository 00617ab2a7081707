// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/termination_signals.h"

#include <csignal>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

#ifndef _WIN32
int g_signalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
    const char byte = 1;
    (void)!write(g_signalPipe[0], &byte, 1);
}
#endif

}  // namespace

CTerminationSignals::CTerminationSignals(std::function<void()> onSignal)
    : m_onSignal(std::move(onSignal)) {
#ifndef _WIN32
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        (void)!read(g_signalPipe[1], &byte, 1);
        m_onSignal();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
#endif
}

CTerminationSignals::~CTerminationSignals() {
#ifndef _WIN32
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    m_notifier.reset();
    for (int& end : g_signalPipe) {
        if (end >= 0) {
            close(end);
            end = -1;
        }
    }
#endif
}

}  // namespace vantrel
