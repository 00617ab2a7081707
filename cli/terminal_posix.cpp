// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal's calls on Linux and other POSIX systems.
#include "cli/terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vantrel::cli {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

bool RedrawsInPlace() {
    return IsTerminal(stdout);
}

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        return 80;
    }
    return size.ws_col;
}

CEchoOff::CEchoOff() {
    termios mode{};
    if (tcgetattr(STDIN_FILENO, &mode) != 0) {
        return;
    }
    m_saved = mode.c_lflag;
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    mode.c_lflag |= ECHONL;  // the Enter still ends the prompt's line
    m_changed = tcsetattr(STDIN_FILENO, TCSAFLUSH, &mode) == 0;
}

CEchoOff::~CEchoOff() {
    termios mode{};
    if (m_changed && tcgetattr(STDIN_FILENO, &mode) == 0) {
        mode.c_lflag = static_cast<tcflag_t>(m_saved);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &mode);
    }
}

}  // namespace vantrel::cli
