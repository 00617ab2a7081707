// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/upgrade_relay.h"

#include <QMetaObject>

namespace vantrel {

template <typename Call>
void CUpgradeRelay::Post(Call call) {
    // Queued: the view runs it on its own thread, after every earlier call.
    QMetaObject::invokeMethod(&m_context, std::move(call), Qt::QueuedConnection);
}

void CUpgradeRelay::ShowUploadView() {
    m_percent = 0;
    Post([view = &m_view] { view->ShowUploadView(); });
}

void CUpgradeRelay::SetProgress(int percent) {
    if (percent != m_percent) {
        m_percent = percent;
        Post([view = &m_view, percent] { view->SetProgress(percent); });
    }
}

void CUpgradeRelay::RepaintNow() {
    Post([view = &m_view] { view->RepaintNow(); });
}

void CUpgradeRelay::UndoUploadView() {
    Post([view = &m_view] { view->UndoUploadView(); });
}

void CUpgradeRelay::ExplainFailure(const std::string& reason) {
    Post([view = &m_view, reason] { view->ExplainFailure(reason); });
}

void CUpgradeRelay::ShowMessage(int stringId) {
    QMetaObject::invokeMethod(
        &m_context, [view = &m_view, stringId] { view->ShowMessage(stringId); },
        Qt::BlockingQueuedConnection);
}

void CUpgradeRelay::EndWithOk(Delivery delivery) {
    Post([view = &m_view, delivery] { view->EndWithOk(delivery); });
}

}  // namespace vantrel
