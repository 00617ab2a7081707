// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/fakecam_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace vantrel::test {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

FakecamProcess::FakecamProcess(const std::string& netns, const std::vector<std::string>& args) {
    // $FAKECAM overrides the fakecam of this build.
    std::string fakecam = Environment("FAKECAM");
    if (fakecam.empty()) {
        fakecam = VANTREL_FAKECAM;
    }
    std::vector<std::string> words = {"ip", "netns", "exec", netns, fakecam};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    m_outputFd = ends[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    if (posix_spawnp(&m_pid, "ip", &actions, nullptr, argv.data(), environ) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
}

FakecamProcess::~FakecamProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (m_outputFd >= 0) {
        close(m_outputFd);
    }
}

bool FakecamProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit) {
    return WaitForCount(text, 1, limit);
}

std::size_t FakecamProcess::Count(const std::string& text) const {
    std::size_t count = 0;
    for (auto at = m_output.find(text); at != std::string::npos; at = m_output.find(text, at + 1)) {
        ++count;
    }
    return count;
}

bool FakecamProcess::WaitForCount(const std::string& text, std::size_t count,
                                  std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Count(text) < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{m_outputFd, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) != 1) {
            return false;
        }
        char chunk[4096];
        const ssize_t got = read(m_outputFd, chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        m_output.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace vantrel::test
