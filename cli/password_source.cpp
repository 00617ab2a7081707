// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/password_source.h"

#include <cstdlib>
#include <iostream>

#include "cameras/file_bytes.h"
#include "cli/interrupt.h"
#include "cli/terminal.h"

namespace vantrel::cli {

std::optional<std::string> CPasswordSource::FirstLine(const std::string& path,
                                                      std::string& problem) {
    // A first line this long holds no password: a camera takes 11 characters.
    constexpr std::size_t LOOK_BYTES = 4096;
    const FileBytes file = ReadFileBytes(path, LOOK_BYTES);
    if (!file.bytes) {
        problem = file.problem;
        return std::nullopt;
    }
    std::string line = file.bytes->substr(0, file.bytes->find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::optional<std::string> CPasswordSource::Read(const std::string& prompt, std::string& error) {
    if (!m_file.empty()) {
        std::string problem;
        auto line = FirstLine(m_file, problem);
        if (!line) {
            error = "cannot read the password file " + m_file + ": " + problem;
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
