// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vantrel::test {

// One fakecam run inside a namespace of the test LAN, ended with SIGTERM
// when the object goes. Its output is kept for the test to wait on.
class FakecamProcess {
  public:
    // Runs "ip netns exec NAMESPACE fakecam ARGS...".
    FakecamProcess(const std::string& netns, const std::vector<std::string>& args);
    ~FakecamProcess();
    FakecamProcess(const FakecamProcess&) = delete;
    FakecamProcess& operator=(const FakecamProcess&) = delete;

    // Waits for a line of output that contains the text.
    bool WaitForOutput(const std::string& text,
                       std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until the output holds the text at least count times.
    bool WaitForCount(const std::string& text, std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(10));
    // How often the output so far holds the text.
    [[nodiscard]] std::size_t Count(const std::string& text) const;
    [[nodiscard]] const std::string& Output() const { return m_output; }

  private:
    pid_t m_pid = -1;
    int m_outputFd = -1;  // the read end of its standard output
    std::string m_output;
};

// The environment variable's value, or "" when it is not set.
std::string Environment(const char* name);

}  // namespace vantrel::test
