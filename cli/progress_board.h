// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel::cli {

// The cameras of an upgrade run and how far each has come. The upload
// threads write to it; the main thread draws it: on a terminal one bar per
// camera redrawn in place, otherwise a plain line for each step and quarter.
class CProgressBoard {
  public:
    enum class State {
        Waiting,
        Connecting,
        Uploading,
        Done,         // the camera acknowledged every byte
        Unconfirmed,  // every byte went out; the camera's receipt is not known
        Failed,
        Stopped,
        // After the image, while the camera restarts and once it is back:
        Restarting,
        Back,           // with the new version
        BackUnchanged,  // with the version it had: it may have refused the image
        NotBack,        // not back in time, or it never restarted
    };
    struct Line {
        std::string id;
        std::string name;
        State state = State::Waiting;
        int percent = 0;
        int messageId = 0;        // the failure's string id
        std::string reason{};     // what happened, after the failure's words
        bool imageBegun = false;  // some of the image went to the camera
        std::string restart{};    // how the restart goes, in the watch's words
        long long seconds = -1;   // from connecting to the end, once ended
    };

    // terminalColumns is the width of the terminal drawn on, 0 for plain lines.
    CProgressBoard(std::vector<Line> lines, int terminalColumns, std::ostream& out);

    void SetState(std::size_t line, State state, int messageId = 0);
    void SetReason(std::size_t line, std::string reason);
    void SetRestart(std::size_t line, State state, std::string words);
    void SetSeconds(std::size_t line, long long seconds);
    void SetProgress(std::size_t line, int percent);
    // A line still connecting or uploading when its session returned was stopped.
    void EndLine(std::size_t line);

    [[nodiscard]] State StateOf(std::size_t line) const;
    // How many cameras are connecting or uploading right now.
    [[nodiscard]] std::size_t Running() const;

    void Draw();
    // The result of each camera, as a table.
    [[nodiscard]] std::string Summary() const;
    [[nodiscard]] std::vector<Line> Lines() const;

  private:
    [[nodiscard]] std::string BarText(const Line& line) const;
    [[nodiscard]] static std::string StateText(const Line& line);

    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
    std::vector<Line> m_drawn;  // what the last Draw showed
    const int m_columns;
    std::ostream& m_out;
    bool m_drawnOnce = false;
    std::size_t m_idWidth = 2;
    std::size_t m_nameWidth = 4;
};

}  // namespace vantrel::cli
