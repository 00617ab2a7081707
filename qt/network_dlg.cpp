// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/network_dlg.h"

#include <algorithm>

#include "cameras/network_settings.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "qt/message_box.h"
#include "qt/title_room.h"
#include "qt/widget_tags.h"
#include "res/resource_ids.h"

namespace vantrel {

CNetworkDlg::CNetworkDlg(QWidget* parent)
    : QDialog(parent),
      m_ipLabel("IP Address"),
      m_maskLabel("Subnet Mask"),
      m_gatewayLabel("Gateway"),
      m_dnsLabel("DNS Server"),
      m_portLabel("Http Port"),
      m_passwordLabel("Password"),
      m_digitsOnly(QRegularExpression("[0-9]*")),
      m_dhcpCheckBox("Using Dhcp"),
      m_setButton("Set"),
      m_returnButton("Return") {
    setWindowTitle("Network Settings");
    Tag(this, IDD_NETWORK, "networkDialog");
    Tag(&m_ipEdit, IDC_IP_ADDRESS, "ipAddressEdit");
    Tag(&m_maskEdit, IDC_SUBNET_MASK, "subnetMaskEdit");
    Tag(&m_gatewayEdit, IDC_GATEWAY, "gatewayEdit");
    Tag(&m_dnsEdit, IDC_DNS_SERVER, "dnsServerEdit");
    Tag(&m_portEdit, IDC_HTTP_PORT, "httpPortEdit");
    Tag(&m_passwordEdit, IDC_NETWORK_PASSWORD, "passwordEdit");
    Tag(&m_dhcpCheckBox, IDC_USING_DHCP, "dhcpCheckBox");
    Tag(&m_setButton, ID_OK, "setButton");
    Tag(&m_returnButton, ID_CANCEL, "returnButton");

    m_portEdit.setValidator(&m_digitsOnly);
    m_portEdit.setMaxLength(10);
    m_passwordEdit.setEchoMode(QLineEdit::Password);
    m_portEdit.setFixedWidth(m_ipEdit.maximumWidth());
    m_passwordEdit.setFixedWidth(m_ipEdit.maximumWidth());

    // One label width in both groups, so labels and fields line up.
    QLabel* const labels[] = {&m_ipLabel,  &m_maskLabel, &m_gatewayLabel,
                              &m_dnsLabel, &m_portLabel, &m_passwordLabel};
    int labelWidth = 0;
    for (QLabel* label : labels) {
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    }
    for (QLabel* label : labels) {
        label->setMinimumWidth(labelWidth);
    }
    m_ipLabel.setBuddy(&m_ipEdit);
    m_maskLabel.setBuddy(&m_maskEdit);
    m_gatewayLabel.setBuddy(&m_gatewayEdit);
    m_dnsLabel.setBuddy(&m_dnsEdit);
    m_portLabel.setBuddy(&m_portEdit);
    m_passwordLabel.setBuddy(&m_passwordEdit);

    m_addressForm.addRow(&m_ipLabel, &m_ipEdit);
    m_addressForm.addRow(&m_maskLabel, &m_maskEdit);
    m_addressForm.addRow(&m_gatewayLabel, &m_gatewayEdit);
    m_addressForm.addRow(&m_dnsLabel, &m_dnsEdit);
    m_addressGroup.setLayout(&m_addressForm);
    m_accessForm.addRow(&m_portLabel, &m_portEdit);
    m_accessForm.addRow(&m_passwordLabel, &m_passwordEdit);
    m_accessForm.addRow(nullptr, &m_dhcpCheckBox);
    m_accessGroup.setLayout(&m_accessForm);

    m_setButton.setDefault(true);
    m_buttons.addButton(&m_setButton, QDialogButtonBox::AcceptRole);
    m_buttons.addButton(&m_returnButton, QDialogButtonBox::RejectRole);

    m_layout.addWidget(&m_addressGroup);
    m_layout.addWidget(&m_accessGroup);
    m_layout.addWidget(&m_buttons);
    m_layout.setSizeConstraint(QLayout::SetFixedSize);
    setLayout(&m_layout);

    connect(&m_dhcpCheckBox, &QCheckBox::clicked, this, &CNetworkDlg::OnDhcpClicked);
    connect(&m_setButton, &QPushButton::clicked, this, &CNetworkDlg::OnOK);
    connect(&m_returnButton, &QPushButton::clicked, this, &QDialog::reject);
}

int CNetworkDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CNetworkDlg::OnInitDialog() {
    setWindowTitle(QString::fromStdString(ShownText(FieldText(m_record.alias))) +
                   " Network Settings");
    MakeRoomForTitle(*this, m_addressGroup);
    ShowRecord();
}

void CNetworkDlg::ShowRecord() {
    m_ipEdit.SetAddress(m_record.ip);
    m_maskEdit.SetAddress(m_record.mask);
    m_gatewayEdit.SetAddress(m_record.gateway);
    m_dnsEdit.SetAddress(m_record.dns);
    m_portEdit.setText(QString::number(ntohs(m_record.httpPort)));
}

void CNetworkDlg::OnDhcpClicked() {
    CIpAddressEdit* const addresses[] = {&m_ipEdit, &m_maskEdit, &m_gatewayEdit, &m_dnsEdit};
    const bool dhcp = m_dhcpCheckBox.isChecked();
    for (CIpAddressEdit* edit : addresses) {
        edit->setEnabled(!dhcp);
        if (dhcp) {
            edit->SetAddress(0);
        }
    }
    if (!dhcp) {
        ShowRecord();
    }
}

void CNetworkDlg::OnOK() {
    NetworkForm form;
    form.portText = m_portEdit.text().toStdString();
    form.dhcp = m_dhcpCheckBox.isChecked();
    if (!form.dhcp) {
        form.ipText = m_ipEdit.text().toStdString();
        form.maskText = m_maskEdit.text().toStdString();
        form.gatewayText = m_gatewayEdit.text().toStdString();
        form.dnsText = m_dnsEdit.text().toStdString();
    }
    // Passwords are single-byte texts on the camera's side.
    form.passwordText = m_passwordEdit.text().toLatin1().toStdString();

    CameraRecord accepted = m_record;
    const NetworkFormResult result = ApplyNetworkForm(form, accepted);
    m_portEdit.setText(QString::fromStdString(result.portText));
    if (result.messageId != 0) {
        CMessageBox::Show(result.messageId, this);
        return;
    }
    m_passwordEdit.setText(QString::fromLatin1(result.passwordText));
    m_record = accepted;
    accept();
}

}  // namespace vantrel
