// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <string>

#include "cameras/upgrade_view.h"

namespace vantrel {

// Carries what the upgrade session reports on its own thread to a view that
// lives on the window's thread, as queued calls in the order they were made.
// A message is the one call that waits: the session closes the socket and
// the image only once the user has read it, as it always has.
class CUpgradeRelay final : public IUpgradeView {
  public:
    // context is the view's QObject: calls still queued when it goes are dropped.
    CUpgradeRelay(QObject& context, IUpgradeView& view) : m_context(context), m_view(view) {}

    void ShowUploadView() override;
    void SetProgress(int percent) override;
    void RepaintNow() override;
    void UndoUploadView() override;
    void ExplainFailure(const std::string& reason) override;
    void ShowMessage(int stringId) override;
    void EndWithOk(Delivery delivery) override;

  private:
    template <typename Call>
    void Post(Call call);

    QObject& m_context;
    IUpgradeView& m_view;
    int m_percent = -1;  // the last percent passed on: one call per step, not per chunk
};

}  // namespace vantrel
