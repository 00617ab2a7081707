// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "session/address_asking.h"
#include "session/camera_session.h"
#include "session/site_plan.h"
#include "win32/dialog.h"
#include "win32/report_view.h"
#include "win32/window_dispatcher.h"

namespace vantrel {

// "Network Settings" for several cameras at once (template 137):
// consecutive addresses from a first one, DHCP for all, or a plan file;
// one password. The table shows each camera now and after and what the
// checks found, and Apply waits until nothing is wrong. After Apply each
// row follows its camera through the searches; closing the dialog loses
// nothing, since the session follows the plan and the line under the list
// counts it.
class CSiteDlg final : public CDialog {
  public:
    // cameras: the selected ones, in list order.
    CSiteDlg(CCameraSession& session, std::vector<CameraRecord> cameras);

    // The session's word on the plan sent from here.
    void PlanChanged(const CPlanRollout& rollout, bool ended);

    [[nodiscard]] const CSitePlan& Plan() const { return m_plan; }
    [[nodiscard]] bool Sent() const { return m_sent; }
    [[nodiscard]] const CReportView& Table() const { return m_table; }

  private:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void Check();
    void AskTheLink();
    void ShowRows();
    void ShowOutcomes(const CPlanRollout& rollout);
    void OnLoadPlan();
    void OnApply();
    void OnSaveReport();
    [[nodiscard]] std::string AddressText(int field) const;

    CCameraSession& m_session;
    const std::vector<CameraRecord> m_cameras;
    CSitePlan m_plan;
    SitePlan m_loaded;  // the plan file's, once one is loaded
    bool m_sent = false;
    bool m_ready = false;  // the controls are made
    std::optional<CPlanRollout> m_rollout;
    CReportView m_table;
    CWindowDispatcher m_dispatcher;
    CAddressAsking m_asking;  // last: its thread stops first
};

}  // namespace vantrel
