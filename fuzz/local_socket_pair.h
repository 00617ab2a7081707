// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/socket.h>

#include <cstdlib>

#include "protocol/unique_socket.h"

// Two connected local sockets: what one fuzz input sends on the first, the
// reader under test takes from the second, through the real socket calls.
struct LocalSocketPair {
    explicit LocalSocketPair(int type) {
        int ends[2];
        if (socketpair(AF_UNIX, type, 0, ends) != 0) {
            std::abort();
        }
        sender.Reset(ends[0]);
        receiver.Reset(ends[1]);
    }
    vantrel::UniqueSocket sender;
    vantrel::UniqueSocket receiver;
};
