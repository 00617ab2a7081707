// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <optional>
#include <vector>

#include "qt/ip_address_edit.h"
#include "qt/queued_dispatcher.h"
#include "session/address_asking.h"
#include "session/camera_session.h"
#include "session/site_plan.h"

namespace vantrel {

// "Network Settings" for several cameras at once: consecutive addresses
// from a first one, DHCP for all, or a plan file; one password. The table
// shows each camera now and after and what the checks found, and Apply
// waits until nothing is wrong. After Apply each row follows its camera
// through the searches; closing the dialog loses nothing, since the
// session follows the plan and the line under the list counts it.
class CSiteDlg : public QDialog {
    Q_OBJECT
  public:
    // cameras: the selected ones, in list order.
    CSiteDlg(CCameraSession& session, std::vector<CameraRecord> cameras, QWidget* parent = nullptr);

    void OnFormChanged();
    void OnLoadPlan();
    void OnApply();
    void OnSaveReport();
    // The session's word on the plan sent from here.
    void PlanChanged(const CPlanRollout& rollout, bool ended);

    [[nodiscard]] const CSitePlan& Plan() const { return m_plan; }
    [[nodiscard]] bool Sent() const { return m_sent; }

  private:
    void Check();
    void AskTheLink();
    void ShowRows();
    void ShowOutcomes(const CPlanRollout& rollout);

    CCameraSession& m_session;
    const std::vector<CameraRecord> m_cameras;
    CQueuedDispatcher m_dispatcher{*this};
    CSitePlan m_plan;
    SitePlan m_loaded;  // the plan file's, once one is loaded
    bool m_sent = false;
    std::optional<CPlanRollout> m_rollout;

    QVBoxLayout m_layout;
    QGridLayout m_form;
    QRadioButton m_rangeChoice, m_dhcpChoice, m_planChoice;
    QLabel m_firstLabel, m_maskLabel, m_gatewayLabel, m_dnsLabel, m_passwordLabel;
    CIpAddressEdit m_firstEdit, m_maskEdit, m_gatewayEdit, m_dnsEdit;
    QPushButton m_loadButton;
    QLabel m_planName;
    QLineEdit m_passwordEdit;
    QTableWidget m_table;
    QLabel m_notes;  // what no row shows: the plan's own problems, skipped addresses
    QHBoxLayout m_buttons;
    QPushButton m_applyButton, m_reportButton, m_closeButton;
    CAddressAsking m_asking;  // last: its thread stops first
};

}  // namespace vantrel
