// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/camera_record.h"
#include "win32/dialog.h"

namespace vantrel {

// "Network Settings" (template 134): one camera's address, mask, gateway,
// DNS server, HTTP port or DHCP, with the password that authorises the
// change. It works on its own copy, m_record, which the caller fills before
// DoModal() and reads after IDOK; the dialog itself sends nothing.
class CNetworkDlg final : public CDialog {
  public:
    CNetworkDlg();

    CameraRecord m_record{};

  private:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    // "Using Dhcp" clicked: zero and disable the addresses, or bring back
    // those the dialog was opened with.
    void OnDhcpClicked();
    // "Set": check everything, then write m_record and end with IDOK.
    void OnOK();
    void ShowRecord();
};

}  // namespace vantrel
