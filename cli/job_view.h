// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

#include "cameras/upgrade_view.h"
#include "cli/progress_board.h"

namespace vantrel::cli {

// What the upgrade session shows of one camera goes to that camera's line
// of the board instead of into a dialog.
class CJobView final : public IUpgradeView {
  public:
    CJobView(CProgressBoard& board, std::size_t line) : m_board(board), m_line(line) {}

    void ShowUploadView() override;
    void SetProgress(int percent) override;
    void RepaintNow() override {}
    void UndoUploadView() override {}
    void ExplainFailure(const std::string& reason) override;
    void ShowMessage(int stringId) override;
    void EndWithOk(Delivery delivery) override;

  private:
    CProgressBoard& m_board;
    const std::size_t m_line;
    int m_percent = -1;  // the last percent passed on
};

}  // namespace vantrel::cli
