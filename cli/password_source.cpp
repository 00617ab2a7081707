// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/password_source.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "cli/interrupt.h"
#include "cli/terminal.h"

namespace vantrel::cli {

std::optional<std::string> CPasswordSource::FirstLine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string line;
    std::getline(file, line);
    if (file.bad()) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::optional<std::string> CPasswordSource::Read(const std::string& prompt, std::string& error) {
    if (!m_file.empty()) {
        auto line = FirstLine(m_file);
        if (!line) {
            error = "cannot read the password file " + m_file;
        }
        return line;
    }
    if (const char* variable = std::getenv("VANTREL_PASSWORD")) {
        return std::string(variable);
    }
    if (!IsTerminal(stdin)) {
        error = "no password: give --password-file FILE or VANTREL_PASSWORD, or run on a terminal";
        return std::nullopt;
    }
    std::cerr << prompt << std::flush;
    std::string line;
    {
        const CEchoOff echoOff;
        std::getline(std::cin, line);
    }
    if (!std::cin || Interrupted()) {
        error = "no password given";
        return std::nullopt;
    }
    return line;
}

}  // namespace vantrel::cli
