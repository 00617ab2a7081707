// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "session/upload_job.h"

namespace vantrel::cli {

// Draws the upload jobs of an upgrade run: on a terminal one bar per camera
// redrawn in place, otherwise a plain line for each step and quarter. It
// shows the jobs; the session holds them.
class CProgressBoard {
  public:
    // terminalColumns is the width of the terminal drawn on, 0 for plain lines.
    CProgressBoard(const std::vector<UploadJob>& jobs, int terminalColumns, std::ostream& out);

    void Draw(const std::vector<UploadJob>& jobs);
    // The result of each camera, as a table.
    [[nodiscard]] std::string Summary(const std::vector<UploadJob>& jobs) const;

  private:
    [[nodiscard]] std::string BarText(const UploadJob& job) const;

    std::vector<UploadJob> m_drawn;  // what the last Draw showed
    const int m_columns;
    std::ostream& m_out;
    bool m_drawnOnce = false;
    std::size_t m_idWidth = 2;
    std::size_t m_nameWidth = 4;
};

}  // namespace vantrel::cli
