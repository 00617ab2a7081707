// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace vantrel::cli {

#ifdef _WIN32

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

bool RedrawsInPlace() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!IsTerminal(stdout) || !GetConsoleMode(output, &mode)) {
        return false;
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return 80;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
}

CEchoOff::CEchoOff() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode) && SetConsoleMode(input, mode & ~ENABLE_ECHO_INPUT)) {
        m_saved = mode;
        m_changed = true;
    }
}

CEchoOff::~CEchoOff() {
    if (m_changed) {
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), static_cast<DWORD>(m_saved));
    }
}

#else

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

#endif

}  // namespace vantrel::cli
