// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress_board.h"

#include <algorithm>

#include "protocol/shown_text.h"
#include "res/string_table.h"

namespace vantrel::cli {

namespace {

constexpr int BAR_WIDTH = 30;
constexpr int MIN_BAR_WIDTH = 5;

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width - std::min(width, CharacterCount(text)), ' ');
}

// The text cut to a number of characters: a line longer than the terminal
// would wrap, and the next redraw would then climb too few lines.
std::string CutToColumns(const std::string& text, int columns) {
    int characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && ++characters > columns) {
            return text.substr(0, i);
        }
    }
    return text;
}

bool IsRunning(CProgressBoard::State state) {
    return state == CProgressBoard::State::Connecting || state == CProgressBoard::State::Uploading;
}

}  // namespace

CProgressBoard::CProgressBoard(std::vector<Line> lines, int terminalColumns, std::ostream& out)
    : m_lines(std::move(lines)), m_drawn(m_lines), m_columns(terminalColumns), m_out(out) {
    for (const Line& line : m_lines) {
        m_idWidth = std::max(m_idWidth, CharacterCount(line.id));
        m_nameWidth = std::max(m_nameWidth, CharacterCount(line.name));
    }
}

void CProgressBoard::SetState(std::size_t line, State state, int messageId) {
    const std::lock_guard lock(m_mutex);
    m_lines[line].state = state;
    m_lines[line].messageId = messageId;
    m_lines[line].imageBegun |= state == State::Uploading;
}

void CProgressBoard::SetReason(std::size_t line, std::string reason) {
    const std::lock_guard lock(m_mutex);
    m_lines[line].reason = std::move(reason);
}

void CProgressBoard::SetRestart(std::size_t line, State state, std::string words) {
    const std::lock_guard lock(m_mutex);
    m_lines[line].state = state;
    m_lines[line].restart = std::move(words);
}

void CProgressBoard::SetSeconds(std::size_t line, long long seconds) {
    const std::lock_guard lock(m_mutex);
    m_lines[line].seconds = seconds;
}

void CProgressBoard::SetProgress(std::size_t line, int percent) {
    const std::lock_guard lock(m_mutex);
    m_lines[line].percent = percent;
}

void CProgressBoard::EndLine(std::size_t line) {
    const std::lock_guard lock(m_mutex);
    if (IsRunning(m_lines[line].state)) {
        m_lines[line].state = State::Stopped;
    }
}

std::string CProgressBoard::StateText(const Line& line) {
    switch (line.state) {
        case State::Waiting:
            return "waiting";
        case State::Connecting:
            return "connecting";
        case State::Uploading:
            return "uploading";
        case State::Done:
            return "delivered";
        case State::Unconfirmed:
            return "sent, not confirmed";
        case State::Failed:
            return std::string("failed: ") + LoadText(line.messageId) +
                   (line.reason.empty() ? "" : " (" + line.reason + ")");
        case State::Restarting:
        case State::NotBack:
            return line.restart;
        case State::Back:
            return "upgraded: " + line.restart;
        case State::BackUnchanged:
            return "warning: " + line.restart;
        case State::Stopped:
            return line.imageBegun ? "broken off at " + std::to_string(line.percent) +
                                         " %: it needs a new upload, a camera left with part of "
                                         "an image may not start"
                                   : "stopped before its upload began";
    }
    return {};
}

// The state is what the line is for: on a narrow terminal the bar shrinks
// first, and goes when there is no room for it.
std::string CProgressBoard::BarText(const Line& line) const {
    const std::string percent = std::to_string(line.percent);
    const std::string head = Padded(line.id, m_idWidth) + "  " + Padded(line.name, m_nameWidth);
    const std::string tail = std::string(3 - std::min<std::size_t>(3, percent.size()), ' ') +
                             percent + "%  " + StateText(line);
    const int room = m_columns - 1 - static_cast<int>(CharacterCount(head) + CharacterCount(tail)) -
                     static_cast<int>(std::string("  [] ").size());
    const int width = m_columns > 0 ? std::min(BAR_WIDTH, room) : BAR_WIDTH;
    if (width < MIN_BAR_WIDTH) {
        // Still too wide, the name gives way next: the summary shows it whole.
        const std::string id = Padded(line.id, m_idWidth) + "  ";
        const int nameRoom = m_columns - 1 - static_cast<int>(CharacterCount(id)) - 2 -
                             static_cast<int>(CharacterCount(tail));
        return id + CutToColumns(Padded(line.name, m_nameWidth), std::max(0, nameRoom)) + "  " +
               tail;
    }
    const int filled = line.percent * width / 100;
    return head + "  [" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), ' ') + "] " + tail;
}

CProgressBoard::State CProgressBoard::StateOf(std::size_t line) const {
    const std::lock_guard lock(m_mutex);
    return m_lines[line].state;
}

std::size_t CProgressBoard::Running() const {
    const std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(std::count_if(
        m_lines.begin(), m_lines.end(), [](const Line& line) { return IsRunning(line.state); }));
}

void CProgressBoard::Draw() {
    const std::lock_guard lock(m_mutex);
    if (m_columns > 0) {
        if (m_drawnOnce) {
            m_out << "\x1b[" << m_lines.size() << 'A';
        }
        for (const Line& line : m_lines) {
            m_out << "\r\x1b[K" << CutToColumns(BarText(line), m_columns - 1) << '\n';
        }
        m_drawnOnce = true;
    } else {
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const Line& line = m_lines[i];
            Line& drawn = m_drawn[i];
            if (line.state != drawn.state) {
                m_out << line.id << ": " << StateText(line) << '\n';
            } else if (line.state == State::Uploading && line.percent / 25 > drawn.percent / 25) {
                m_out << line.id << ": " << line.percent / 25 * 25 << "%\n";
            } else {
                continue;
            }
            drawn = line;
        }
    }
    m_out << std::flush;
}

std::string CProgressBoard::Summary() const {
    const std::lock_guard lock(m_mutex);
    std::string text =
        Padded("ID", m_idWidth) + "  " + Padded("NAME", m_nameWidth) + "  TOOK    RESULT\n";
    for (const Line& line : m_lines) {
        const std::string took = line.seconds < 0 ? "" : std::to_string(line.seconds) + " s";
        text += Padded(line.id, m_idWidth) + "  " + Padded(line.name, m_nameWidth) + "  " +
                Padded(took, 6) + "  " +
                (line.state == State::Waiting ? "not started" : StateText(line)) + '\n';
    }
    return text;
}

std::vector<CProgressBoard::Line> CProgressBoard::Lines() const {
    const std::lock_guard lock(m_mutex);
    return m_lines;
}

}  // namespace vantrel::cli
