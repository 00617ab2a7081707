// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal's calls on Windows.
#include "cli/terminal.h"

#include <io.h>
#include <windows.h>

namespace vantrel::cli {

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

}  // namespace vantrel::cli
