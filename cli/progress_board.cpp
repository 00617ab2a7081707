// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress_board.h"

#include <algorithm>

#include "protocol/shown_text.h"
#include "protocol/text_field.h"
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

}  // namespace

CProgressBoard::CProgressBoard(const std::vector<UploadJob>& jobs, int terminalColumns,
                               std::ostream& out)
    : m_drawn(jobs), m_columns(terminalColumns), m_out(out) {
    for (const UploadJob& job : jobs) {
        m_idWidth = std::max(m_idWidth, CharacterCount(JobId(job)));
        m_nameWidth = std::max(m_nameWidth, CharacterCount(JobName(job)));
    }
}

// The state is what the line is for: on a narrow terminal the bar shrinks
// first, and goes when there is no room for it.
std::string CProgressBoard::BarText(const UploadJob& job) const {
    const std::string percent = std::to_string(job.percent);
    const std::string head =
        Padded(JobId(job), m_idWidth) + "  " + Padded(JobName(job), m_nameWidth);
    const std::string tail = std::string(3 - std::min<std::size_t>(3, percent.size()), ' ') +
                             percent + "%  " + StateText(job);
    const int room = m_columns - 1 - static_cast<int>(CharacterCount(head) + CharacterCount(tail)) -
                     static_cast<int>(std::string("  [] ").size());
    const int width = m_columns > 0 ? std::min(BAR_WIDTH, room) : BAR_WIDTH;
    if (width < MIN_BAR_WIDTH) {
        // Still too wide, the name gives way next: the summary shows it whole.
        const std::string id = Padded(JobId(job), m_idWidth) + "  ";
        const int nameRoom = m_columns - 1 - static_cast<int>(CharacterCount(id)) - 2 -
                             static_cast<int>(CharacterCount(tail));
        return id + CutToColumns(Padded(JobName(job), m_nameWidth), std::max(0, nameRoom)) + "  " +
               tail;
    }
    const int filled = job.percent * width / 100;
    return head + "  [" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), ' ') + "] " + tail;
}

void CProgressBoard::Draw(const std::vector<UploadJob>& jobs) {
    if (m_columns > 0) {
        if (m_drawnOnce) {
            m_out << "\x1b[" << jobs.size() << 'A';
        }
        for (const UploadJob& job : jobs) {
            m_out << "\r\x1b[K" << CutToColumns(BarText(job), m_columns - 1) << '\n';
        }
        m_drawnOnce = true;
    } else {
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            const UploadJob& job = jobs[i];
            UploadJob& drawn = m_drawn[i];
            if (job.state != drawn.state) {
                m_out << JobId(job) << ": " << StateText(job) << '\n';
            } else if (job.state == UploadJob::State::Uploading &&
                       job.percent / 25 > drawn.percent / 25) {
                m_out << JobId(job) << ": " << job.percent / 25 * 25 << "%\n";
            } else {
                continue;
            }
            drawn = job;
        }
    }
    m_out << std::flush;
}

std::string CProgressBoard::Summary(const std::vector<UploadJob>& jobs) const {
    std::string text =
        Padded("ID", m_idWidth) + "  " + Padded("NAME", m_nameWidth) + "  TOOK    RESULT\n";
    for (const UploadJob& job : jobs) {
        const std::string took = job.seconds < 0 ? "" : std::to_string(job.seconds) + " s";
        text += Padded(JobId(job), m_idWidth) + "  " + Padded(JobName(job), m_nameWidth) + "  " +
                Padded(took, 6) + "  " +
                (job.state == UploadJob::State::Waiting ? "not started" : StateText(job)) + '\n';
    }
    return text;
}

}  // namespace vantrel::cli
