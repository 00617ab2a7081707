// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidgetItem>

#include "session/camera_session.h"

namespace vantrel {

// One line of the camera list. Its details (the tooltip, and the accessible
// description a screen reader speaks) are made from the session's cameras when they are
// asked for, so they always tell the camera as it last reported, and ten
// thousand lines cost nothing until someone looks at one.
class CCameraItem : public QListWidgetItem {
  public:
    CCameraItem(const QString& text, const CCameraSession& session);

    [[nodiscard]] QVariant data(int role) const override;

  private:
    const CCameraSession& m_session;
};

}  // namespace vantrel
