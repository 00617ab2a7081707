// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-cli: the camera work of the Vantrel window, from a terminal and
// for many cameras at once.

#include <iostream>

#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "protocol/socket_library.h"
#include "res/string_table.h"

using namespace vantrel;
using namespace vantrel::cli;

int main(int argc, char** argv) {
    int code = EXIT_OK;
    const std::optional<Command> command = ParseCommandLine(argc, argv, code);
    if (!command) {
        return code;
    }
    const CSocketLibrary sockets;
    if (!sockets.Started()) {
        std::cerr << "vantrel-cli: " << LoadText(IDS_SOCKET_INIT_FAILED) << '\n';
        return EXIT_NETWORK;
    }
    InstallInterruptHandler();
    switch (command->kind) {
        case Command::Kind::List:
            code = RunList(command->list);
            break;
        case Command::Kind::SetNetwork:
            code = RunSetNetwork(command->setNetwork);
            break;
        case Command::Kind::Upgrade:
            code = RunUpgrade(command->upgrade);
            break;
    }
    // Ended by a signal: the shell's status for the one that came.
    return code == EXIT_INTERRUPTED && Terminated() ? EXIT_TERMINATED : code;
}
