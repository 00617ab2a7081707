// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace vantrel::cli {

// Where a camera password comes from; never the command line, which other
// users can read in the process list. The first of these that is there:
// the first line of --password-file, the VANTREL_PASSWORD environment
// variable, a prompt without echo on the terminal.
class CPasswordSource {
  public:
    explicit CPasswordSource(std::string passwordFile) : m_file(std::move(passwordFile)) {}

    // The password, or nothing with the reason in error (also when Ctrl+C
    // ended the prompt).
    [[nodiscard]] std::optional<std::string> Read(const std::string& prompt, std::string& error);

    // The first line of a file without its line ending; nothing, with why
    // in problem, when the file cannot be read.
    [[nodiscard]] static std::optional<std::string> FirstLine(const std::string& path,
                                                              std::string& problem);

  private:
    std::string m_file;
};

}  // namespace vantrel::cli
