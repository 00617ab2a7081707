// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/job_view.h"

namespace vantrel::cli {

void CJobView::ShowUploadView() {
    m_percent = 0;
    m_board.SetProgress(m_line, 0);
    m_board.SetState(m_line, CProgressBoard::State::Uploading);
}

void CJobView::SetProgress(int percent) {
    // The session reports every chunk; the board, shared by all uploads,
    // needs a new percent only.
    if (percent != m_percent) {
        m_percent = percent;
        m_board.SetProgress(m_line, percent);
    }
}

void CJobView::ExplainFailure(const std::string& reason) {
    m_board.SetReason(m_line, reason);
}

void CJobView::ShowMessage(int stringId) {
    m_board.SetState(m_line, CProgressBoard::State::Failed, stringId);
}

void CJobView::EndWithOk(Delivery delivery) {
    m_board.SetState(m_line, delivery == Delivery::Confirmed ? CProgressBoard::State::Done
                                                             : CProgressBoard::State::Unconfirmed);
}

}  // namespace vantrel::cli
