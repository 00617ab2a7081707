// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "cli/list_command.h"
#include "cli/set_network_command.h"
#include "cli/upgrade_command.h"

namespace vantrel::cli {

struct Command {
    enum class Kind { List, SetNetwork, Upgrade };
    Kind kind = Kind::List;
    ListOptions list;
    SetNetworkOptions setNetwork;
    UpgradeOptions upgrade;
};

// Reads the command line. Nothing, with the exit status in code, when the
// program ends here: after --help or --version (0), or a usage error (2),
// told on the standard streams.
[[nodiscard]] std::optional<Command> ParseCommandLine(int argc, const char* const* argv, int& code);

}  // namespace vantrel::cli
