// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/error_line.h"

#include <iostream>

namespace vantrel::cli {

int Fail(const std::string& message, int code) {
    std::cerr << "vantrel-cli: " << message << '\n';
    return code;
}

}  // namespace vantrel::cli
