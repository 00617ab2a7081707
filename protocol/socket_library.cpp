// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/socket_library.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <csignal>
#endif

namespace vantrel {

CSocketLibrary::CSocketLibrary() {
#ifdef _WIN32
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
    m_started = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
#endif
}

CSocketLibrary::~CSocketLibrary() {
#ifdef _WIN32
    if (m_started) {
        WSACleanup();
    }
#endif
}

}  // namespace vantrel
