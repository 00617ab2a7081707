// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/list_command.h"

#include <chrono>
#include <iostream>
#include <limits>

#include "cli/camera_search.h"
#include "cli/error_line.h"
#include "cli/terminal.h"
#include "cli/watch_printer.h"
#include "res/string_table.h"
#include "session/camera_rows.h"

namespace vantrel::cli {

namespace {

using Clock = std::chrono::steady_clock;

// A flood of replies must not turn into a flood of redraws.
constexpr auto DRAW_PERIOD = std::chrono::milliseconds(250);

std::string Formatted(const std::vector<CameraRow>& rows, ListFormat format) {
    switch (format) {
        case ListFormat::Json:
            return JsonText(rows, 2);
        case ListFormat::Csv:
            return CsvText(rows);
        case ListFormat::Table:
            break;
    }
    return TableText(rows);
}

int SocketFailed() {
    return Fail(LoadText(IDS_SOCKET_ERROR), EXIT_NETWORK);
}

void TellIfFull(CCameraSearch& search) {
    if (search.TakeTableFull()) {
        std::cerr << "vantrel-cli: " << LoadText(IDS_LIST_FULL) << '\n';
    }
}

// What one look at the live list prints: the whole table on a terminal,
// one JSON document per line for json, the changes otherwise.
class CWatchView {
  public:
    explicit CWatchView(ListFormat format)
        : m_format(format), m_terminal(format == ListFormat::Table && RedrawsInPlace()) {}

    void Show(const std::vector<CameraRow>& rows, const std::string& emptyText) {
        std::string text;
        if (m_format == ListFormat::Json) {
            text = JsonText(rows, -1);
        } else if (!m_terminal) {
            std::cout << m_printer.Changes(rows) << std::flush;
            return;
        } else {
            text = rows.empty() ? emptyText + '\n' : TableText(rows);
        }
        if (text == m_last) {
            return;
        }
        m_last = text;
        if (m_terminal) {
            std::cout << "\x1b[H\x1b[2J" << rows.size()
                      << (rows.size() == 1 ? " camera" : " cameras") << " (Ctrl+C to end)\n\n";
        }
        std::cout << text << std::flush;
    }

  private:
    const ListFormat m_format;
    const bool m_terminal;
    CWatchPrinter m_printer;
    std::string m_last;
};

int Watch(CCameraSearch& search, ListFormat format) {
    CWatchView view(format);
    std::uint64_t shown = std::numeric_limits<std::uint64_t>::max();
    Clock::time_point next = Clock::now();
    for (;;) {
        const auto end =
            search.WaitUntil([&] { return search.Version() != shown && Clock::now() >= next; },
                             std::numeric_limits<std::uint64_t>::max());
        if (end == CCameraSearch::WaitEnd::Interrupted) {
            return EXIT_OK;
        }
        if (end == CCameraSearch::WaitEnd::SocketFailed) {
            return SocketFailed();
        }
        shown = search.Version();
        next = Clock::now() + DRAW_PERIOD;
        view.Show(SortedRows(search.Listed()), search.Session().EmptyText());
        TellIfFull(search);
    }
}

}  // namespace

int RunList(const ListOptions& options) {
    CCameraSearch search(options.watch ? CCameraSearch::Forget::Unseen
                                       : CCameraSearch::Forget::Never);
    if (const ExitCode code = search.Start(std::cerr); code != EXIT_OK) {
        return code;
    }
    if (options.watch) {
        return Watch(search, options.format);
    }
    switch (search.WaitForAnswers([] { return false; }, options.rounds)) {
        case CCameraSearch::WaitEnd::Interrupted:
            return EXIT_INTERRUPTED;
        case CCameraSearch::WaitEnd::SocketFailed:
            return SocketFailed();
        case CCameraSearch::WaitEnd::Done:
        case CCameraSearch::WaitEnd::SearchesOver:
            break;
    }
    const std::vector<CameraRow> rows = SortedRows(search.Listed());
    std::cout << Formatted(rows, options.format) << std::flush;
    TellIfFull(search);
    if (rows.empty() && options.format == ListFormat::Table) {
        std::cerr << search.Session().EmptyText() << '\n';
    }
    return EXIT_OK;
}

}  // namespace vantrel::cli
