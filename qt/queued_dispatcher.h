// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>

#include "session/session_dispatcher.h"

namespace vantrel {

// Runs the session's tasks on the window's thread as queued calls; the
// calls still queued when the window goes are dropped with it.
class CQueuedDispatcher final : public ISessionDispatcher {
  public:
    explicit CQueuedDispatcher(QObject& context) : m_context(context) {}

    void Dispatch(std::function<void()> task) override {
        QMetaObject::invokeMethod(&m_context, std::move(task), Qt::QueuedConnection);
    }

  private:
    QObject& m_context;
};

}  // namespace vantrel
