// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "protocol/camera_record.h"
#include "qt/ip_address_edit.h"

namespace vantrel {

// "Network Settings": one camera's address, mask, gateway, DNS server, HTTP
// port or DHCP, with the password that authorises the change. It works on
// its own copy, m_record, which the caller fills before exec() and reads
// after an accepted result; the dialog itself sends nothing.
class CNetworkDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CNetworkDlg(QWidget* parent = nullptr);

    int exec() override;

    // Caption and fields from m_record; exec() runs it first.
    void OnInitDialog();
    // "Using Dhcp" toggled: zero and disable the addresses, or bring back
    // those the dialog was opened with.
    void OnDhcpClicked();
    // "Set": check everything, then write m_record and accept.
    void OnOK();

    CameraRecord m_record{};

  private:
    void ShowRecord();

    QVBoxLayout m_layout;
    QGroupBox m_addressGroup;
    QFormLayout m_addressForm;
    QGroupBox m_accessGroup;
    QFormLayout m_accessForm;
    QLabel m_ipLabel, m_maskLabel, m_gatewayLabel, m_dnsLabel, m_portLabel, m_passwordLabel;
    CIpAddressEdit m_ipEdit, m_maskEdit, m_gatewayEdit, m_dnsEdit;
    QLineEdit m_portEdit;
    QLineEdit m_passwordEdit;
    QRegularExpressionValidator m_digitsOnly;
    QCheckBox m_dhcpCheckBox;
    QDialogButtonBox m_buttons;
    QPushButton m_setButton;
    QPushButton m_returnButton;
};

}  // namespace vantrel
