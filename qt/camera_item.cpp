// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/camera_item.h"

#include <QListWidget>

#include "cameras/camera_line.h"

namespace vantrel {

CCameraItem::CCameraItem(const QString& text, const CCameraSession& session)
    : QListWidgetItem(text), m_session(session) {}

QVariant CCameraItem::data(int role) const {
    if (role != Qt::ToolTipRole && role != Qt::AccessibleDescriptionRole) {
        return QListWidgetItem::data(role);
    }
    // Line i shows record i.
    const int line = listWidget() != nullptr ? listWidget()->row(this) : -1;
    if (line < 0 || static_cast<std::size_t>(line) >= m_session.Records().size()) {
        return {};
    }
    const auto index = static_cast<std::size_t>(line);
    return QString::fromStdString(CameraDetailsText(
        m_session.Records()[index], m_session.SameAddress(index, SAME_ADDRESS_NAMED + 1)));
}

}  // namespace vantrel
