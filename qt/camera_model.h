// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QAbstractListModel>
#include <QString>

#include "session/camera_session.h"

namespace vantrel {

// The session's cameras as the list's rows: row i is record i. A row's
// text and details are made from the record when the view asks for them,
// so only the lines on screen cost anything, and the session's edits reach
// the view as a few batched row changes, never one per line. A line once
// made keeps its text until the session says it changed (at the next
// search), as a camera's line changes only then.
class CCameraModel final : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit CCameraModel(const CCameraSession& session, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

    // Follows the session's edit, already made in its records.
    void Follow(const ListEdit& edit);
    // Empties the list: the session has forgotten its cameras.
    void Clear();

  private:
    const CCameraSession& m_session;
    int m_rows = 0;                        // what the view was last told
    mutable std::vector<QString> m_texts;  // by row; empty until first shown
};

}  // namespace vantrel
