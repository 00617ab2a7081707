// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/firmware_dlg.h"

#include <commctrl.h>

#include <fstream>

#include "cameras/network_settings.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "res/resource_ids.h"
#include "session/camera_action.h"
#include "win32/image_file_chooser.h"
#include "win32/ip_address_field.h"
#include "win32/message_box.h"
#include "win32/wide_text.h"

namespace vantrel {

CFirmwareDlg::CFirmwareDlg() : CDialog(IDD_FIRMWARE) {}

// An upload still at its last steps ends with m_upload: what it still
// tells is dropped with the dispatcher's window.
CFirmwareDlg::~CFirmwareDlg() = default;

bool CFirmwareDlg::OnInitDialog() {
    const std::wstring caption = Wide(ShownText(FieldText(m_record.alias))) + L" ";
    wchar_t templateCaption[64] = {};
    GetWindowTextW(Handle(), templateCaption, static_cast<int>(std::size(templateCaption)));
    SetWindowTextW(Handle(), (caption + templateCaption).c_str());
    MakeRoomForCaption();
    CIpAddressField::Show(Item(IDC_SYSTEM_VERSION), m_record.systemVersion);
    CIpAddressField::Show(Item(IDC_APP_VERSION), m_record.appVersion);
    SendMessageW(Item(IDC_UPLOAD_PROGRESS), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    if (!Reachable(m_record)) {
        EnableWindow(Item(IDC_FIRMWARE_PASSWORD), FALSE);
        EnableWindow(Item(IDC_UPGRADE_SYSTEM), FALSE);
        EnableWindow(Item(IDC_UPGRADE_APPLICATION), FALSE);
    }
    return true;
}

bool CFirmwareDlg::OnCommand(int id, int code) {
    switch (id) {
        case IDC_UPGRADE_SYSTEM:
        case IDC_UPGRADE_APPLICATION:
            if (code == BN_CLICKED && !m_running) {
                OnUpgrade(id == IDC_UPGRADE_SYSTEM ? ImageKind::System : ImageKind::Application);
            }
            return true;
        case IDCANCEL:
            // The close box and Escape lead here too.
            if (!m_running) {
                EndDialog(IDCANCEL);
            }
            return true;
        case IDOK:
            return true;  // Enter: no button is the default, none starts an upgrade
        default:
            return false;
    }
}

bool CFirmwareDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    // The system menu's Close comes as WM_CLOSE, which must not end an upload.
    if (message == WM_CLOSE && m_running) {
        return true;
    }
    return false;
}

void CFirmwareDlg::OnUpgrade(ImageKind kind) {
    const std::string typed = Latin1(ItemText(IDC_FIRMWARE_PASSWORD));
    SetItemText(IDC_FIRMWARE_PASSWORD, FromLatin1(StorePassword(m_record, typed)));

    const std::optional<std::string> path = CImageFileChooser::Choose(Handle());
    // The dialog may have been ended while the chooser was up: then nothing
    // more starts from it.
    if (!path || Ended()) {
        return;
    }
    std::ifstream image;
    if (const int message = OpenImage(*path, kind, image); message != 0) {
        CMessageBox::Show(message, Handle());
        return;
    }
    image.close();
    m_delivered.reset();
    m_kind = kind;
    m_shown = UploadJob::State::Waiting;
    SetSessionRunning(true);
    SetAtStake(true);
    m_upload = std::make_unique<CUploadRun>(m_dispatcher, [this] { OnUploadChanged(); });
    m_upload->Start({m_record}, *path, kind, 1);
}

void CFirmwareDlg::OnUploadChanged() {
    const UploadJob& job = m_upload->Jobs().front();
    if (job.state != m_shown) {
        m_shown = job.state;
        switch (job.state) {
            case UploadJob::State::Uploading:
                ShowUploadView(true);
                UpdateWindow(Handle());
                break;
            case UploadJob::State::Failed:
                // After a failure nothing more goes to the camera: what
                // waited for the upload to end need not wait for the user to
                // read this. The bar stays where it stood under the message.
                SetAtStake(false);
                CMessageBox::Show(job.messageId, Handle());
                ShowUploadView(false);
                break;
            case UploadJob::State::Delivered:
            case UploadJob::State::Unconfirmed:
                m_delivered = DeliveryOf(job.state);
                ShowUploadView(false);
                break;
            default:
                ShowUploadView(false);
                break;
        }
    }
    if (job.state == UploadJob::State::Uploading && m_percent != job.percent) {
        m_percent = job.percent;
        SendMessageW(Item(IDC_UPLOAD_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(job.percent), 0);
    }
    if (m_upload->Over()) {
        SetSessionRunning(false);
        SetAtStake(false);
        if (m_delivered) {
            EndDialog(IDOK);
        }
    }
}

void CFirmwareDlg::SetSessionRunning(bool running) {
    m_running = running;
    const BOOL buttons = !running && Reachable(m_record) ? TRUE : FALSE;
    EnableWindow(Item(IDC_UPGRADE_SYSTEM), buttons);
    EnableWindow(Item(IDC_UPGRADE_APPLICATION), buttons);
    EnableWindow(Item(IDCANCEL), running ? FALSE : TRUE);
}

void CFirmwareDlg::SetAtStake(bool atStake) {
    if (m_atStake != atStake) {
        m_atStake = atStake;
        if (m_atStakeChanged) {
            m_atStakeChanged(atStake);
        }
    }
}

// The progress bar lies where the password lies, and stands in for it while
// the image goes out.
void CFirmwareDlg::ShowUploadView(bool shown) {
    if (shown) {
        ShowWindow(Item(IDC_PASSWORD_LABEL), SW_HIDE);
        ShowWindow(Item(IDC_FIRMWARE_PASSWORD), SW_HIDE);
        m_percent = 0;
        SendMessageW(Item(IDC_UPLOAD_PROGRESS), PBM_SETPOS, 0, 0);
        ShowWindow(Item(IDC_UPLOAD_PROGRESS), SW_SHOW);
    } else {
        ShowWindow(Item(IDC_UPLOAD_PROGRESS), SW_HIDE);
        ShowWindow(Item(IDC_PASSWORD_LABEL), SW_SHOW);
        ShowWindow(Item(IDC_FIRMWARE_PASSWORD), SW_SHOW);
    }
}

}  // namespace vantrel
