// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/camera_model.h"

#include <algorithm>

#include "cameras/camera_line.h"

namespace vantrel {

CCameraModel::CCameraModel(const CCameraSession& session, QObject* parent)
    : QAbstractListModel(parent), m_session(session) {}

int CCameraModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant CCameraModel::data(const QModelIndex& index, int role) const {
    const std::vector<CameraRecord>& records = m_session.Records();
    // Mid-edit the view may ask about a row the records no longer hold.
    if (!index.isValid() || index.row() >= m_rows ||
        static_cast<std::size_t>(index.row()) >= records.size()) {
        return {};
    }
    const auto line = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: {
            QString& text = m_texts[line];
            if (text.isEmpty()) {
                text = QString::fromStdString(CameraLineText(records[line]));
            }
            return text;
        }
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            return QString::fromStdString(CameraDetailsText(
                records[line], m_session.SameAddress(line, SAME_ADDRESS_NAMED + 1)));
        default:
            return {};
    }
}

void CCameraModel::Follow(const ListEdit& edit) {
    const auto rows = static_cast<int>(m_session.Records().size());
    if (edit.CheaperToRewrite(static_cast<std::size_t>(m_rows))) {
        beginResetModel();
        m_rows = rows;
        m_texts.assign(static_cast<std::size_t>(rows), QString());
        endResetModel();
        return;
    }
    // Last run first, so that the earlier runs keep their row numbers.
    for (auto run = edit.dropped.rbegin(); run != edit.dropped.rend(); ++run) {
        const auto first = static_cast<int>(run->first);
        beginRemoveRows({}, first, first + static_cast<int>(run->second) - 1);
        m_rows -= static_cast<int>(run->second);
        const auto from = m_texts.begin() + static_cast<std::ptrdiff_t>(run->first);
        m_texts.erase(from, from + static_cast<std::ptrdiff_t>(run->second));
        endRemoveRows();
    }
    for (const std::size_t line : edit.changed) {
        m_texts[line].clear();
    }
    if (!edit.changed.empty()) {
        const auto [first, last] = std::minmax_element(edit.changed.begin(), edit.changed.end());
        emit dataChanged(index(static_cast<int>(*first)), index(static_cast<int>(*last)),
                         {Qt::DisplayRole});
    }
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        m_texts.resize(static_cast<std::size_t>(rows));
        endInsertRows();
    }
}

void CCameraModel::Clear() {
    beginResetModel();
    m_rows = 0;
    m_texts.clear();
    endResetModel();
}

}  // namespace vantrel
