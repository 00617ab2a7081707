// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>

namespace vantrel::cli {

// The one place that knows how terminals differ between Windows and POSIX.

[[nodiscard]] bool IsTerminal(std::FILE* stream);

// Whether standard output is a terminal that takes the escape sequences
// which redraw a board or a table in place. A Windows console takes them
// once its virtual-terminal processing is on, which this turns on for the
// rest of the run; a console without it gets plain lines.
[[nodiscard]] bool RedrawsInPlace();

// The width of the terminal on standard output; 80 when it cannot be told.
[[nodiscard]] int TerminalColumns();

// Turns the echo of standard input off while it lives, when that is a
// terminal; the echo comes back on every path out, Ctrl+C included.
class CEchoOff {
  public:
    // One owner restores the echo, once.
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;
    CEchoOff();
    ~CEchoOff();

  private:
    bool m_changed = false;
    unsigned long m_saved = 0;  // the console mode (Windows) or c_lflag (POSIX)
};

}  // namespace vantrel::cli
