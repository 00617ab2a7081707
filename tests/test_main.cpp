// SPDX-License-Identifier: GPL-3.0-or-later
// The suites' main: the socket library is started once for the whole run,
// as the programs do.
#include <gtest/gtest.h>

#include "protocol/socket_library.h"

int main(int argc, char** argv) {
    const vantrel::CSocketLibrary sockets;
    if (!sockets.Started()) {
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
