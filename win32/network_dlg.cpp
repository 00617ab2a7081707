// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/network_dlg.h"

#include "cameras/network_settings.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/resource_ids.h"
#include "win32/ip_address_field.h"
#include "win32/message_box.h"
#include "win32/wide_text.h"

namespace vantrel {

namespace {

constexpr int ADDRESS_FIELDS[] = {IDC_IP_ADDRESS, IDC_SUBNET_MASK, IDC_GATEWAY, IDC_DNS_SERVER};

}  // namespace

CNetworkDlg::CNetworkDlg() : CDialog(IDD_NETWORK) {}

bool CNetworkDlg::OnInitDialog() {
    const std::wstring caption = Wide(ShownText(FieldText(m_record.alias))) + L" ";
    wchar_t templateCaption[64] = {};
    GetWindowTextW(Handle(), templateCaption, static_cast<int>(std::size(templateCaption)));
    SetWindowTextW(Handle(), (caption + templateCaption).c_str());
    MakeRoomForCaption();
    // As long as the widest number a signed field reads.
    SendMessageW(Item(IDC_HTTP_PORT), EM_LIMITTEXT, 10, 0);
    ShowRecord();
    return true;
}

bool CNetworkDlg::OnCommand(int id, int code) {
    switch (id) {
        case IDC_USING_DHCP:
            if (code == BN_CLICKED) {
                OnDhcpClicked();
            }
            return true;
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            return true;
        default:
            return false;
    }
}

void CNetworkDlg::ShowRecord() {
    CIpAddressField::Show(Item(IDC_IP_ADDRESS), m_record.ip);
    CIpAddressField::Show(Item(IDC_SUBNET_MASK), m_record.mask);
    CIpAddressField::Show(Item(IDC_GATEWAY), m_record.gateway);
    CIpAddressField::Show(Item(IDC_DNS_SERVER), m_record.dns);
    SetItemText(IDC_HTTP_PORT, std::to_wstring(ntohs(m_record.httpPort)));
}

void CNetworkDlg::OnDhcpClicked() {
    const bool dhcp = IsDlgButtonChecked(Handle(), IDC_USING_DHCP) == BST_CHECKED;
    for (const int field : ADDRESS_FIELDS) {
        EnableWindow(Item(field), dhcp ? FALSE : TRUE);
        if (dhcp) {
            CIpAddressField::Show(Item(field), 0);
        }
    }
    if (!dhcp) {
        ShowRecord();
    }
}

void CNetworkDlg::OnOK() {
    NetworkForm form;
    form.portText = Utf8(ItemText(IDC_HTTP_PORT));
    form.dhcp = IsDlgButtonChecked(Handle(), IDC_USING_DHCP) == BST_CHECKED;
    if (!form.dhcp) {
        form.ipText = CIpAddressField::Text(Item(IDC_IP_ADDRESS));
        form.maskText = CIpAddressField::Text(Item(IDC_SUBNET_MASK));
        form.gatewayText = CIpAddressField::Text(Item(IDC_GATEWAY));
        form.dnsText = CIpAddressField::Text(Item(IDC_DNS_SERVER));
    }
    form.passwordText = Latin1(ItemText(IDC_NETWORK_PASSWORD));

    CameraRecord accepted = m_record;
    const NetworkFormResult result = ApplyNetworkForm(form, accepted);
    SetItemText(IDC_HTTP_PORT, Wide(result.portText));
    if (result.messageId != 0) {
        CMessageBox::Show(result.messageId, Handle());
        return;
    }
    SetItemText(IDC_NETWORK_PASSWORD, FromLatin1(result.passwordText));
    m_record = accepted;
    EndDialog(IDOK);
}

}  // namespace vantrel
