// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/main_dlg.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QUrl>

#include "cameras/camera_line.h"
#include "qt/app_icon.h"
#include "qt/batch_upgrade_dlg.h"
#include "qt/file_chooser.h"
#include "qt/firmware_dlg.h"
#include "qt/message_box.h"
#include "qt/network_dlg.h"
#include "qt/site_dlg.h"
#include "qt/widget_tags.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "session/camera_action.h"
#include "session/camera_rows.h"
#include "session/report_file.h"

namespace vantrel {

namespace {

// The records the context menu was opened on; its commands act on these
// copies, whatever happens to the list meanwhile.
std::vector<CameraRecord> g_selected;

constexpr int MINIMUM_WIDTH = 760;
constexpr int HEIGHT = 330;

}  // namespace

CMainDlg::CMainDlg(SessionConfig config, QWidget* parent)
    : QDialog(parent), m_session(m_dispatcher, *this, std::move(config)), m_list(m_session) {
    setWindowTitle(LoadText(IDS_CAPTION));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    Tag(this, IDD_MAIN, "mainDialog");
    Tag(&m_list, IDC_CAMERA_LIST, "cameraList");
    m_layout.setContentsMargins(9, 9, 9, 9);
    m_layout.addWidget(&m_list);
    m_notice.setObjectName("listFullNotice");
    m_notice.setText(LoadText(IDS_LIST_FULL));
    m_notice.setWordWrap(true);
    m_notice.hide();
    m_layout.addWidget(&m_notice);
    // Its text is its accessible name, so that a screen reader hears each
    // new one; hidden, it still has a name.
    m_status.setObjectName("restartStatus");
    m_status.setAccessibleName("Upgrade");
    m_status.setWordWrap(true);
    m_status.hide();
    m_layout.addWidget(&m_status);
    setLayout(&m_layout);

    const std::pair<int, const char*> commands[] = {
        {ID_ACCESS_CAMERA, "Access IP Camera"},
        {ID_NETWORK_SETTINGS, "Network Settings"},
        // A menu reads a single '&' as the mark of its shortcut key.
        {ID_FIRMWARE, "Firmware Version && Upgrade"},
        {0, nullptr},
        {ID_SAVE_LIST, "Save list as…"},
        {ID_COPY_CAMERAS, "Copy"},
    };
    for (const auto& [id, text] : commands) {
        if (text == nullptr) {
            m_menu.addSeparator();
            continue;
        }
        QAction* action = m_menu.addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
        if (id == ID_COPY_CAMERAS) {
            action->setShortcut(QKeySequence::Copy);  // shown; the list takes the key itself
        }
    }
    connect(&m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OnListDoubleClick(index.row()); });
    connect(&m_list, &CCameraList::menuRequested, this, &CMainDlg::OnListRightButton);
    connect(&m_list, &CCameraList::copyRequested, this, &CMainDlg::OnCopy);
}

CMainDlg::~CMainDlg() {
    OnDestroy();
}

int CMainDlg::exec() {
    OnInitDialog();
    // Not QDialog::exec(): its loop ends whenever the window is hidden, and
    // hiding to the tray must not end the program. This one ends with done().
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    OnDestroy();
    return result();
}

void CMainDlg::OnInitDialog() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    setWindowIcon(AppIcon());

    m_tray.setIcon(AppIcon());
    m_tray.setToolTip(LoadText(IDS_CAPTION));
    connect(&m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    ShowAndRaise();
                }
            });
    m_tray.show();

    // Fixed in size, and wide enough for the longest line there can be.
    const int width = m_list.LongestLineWidth() + m_layout.contentsMargins().left() +
                      m_layout.contentsMargins().right() + 8;
    setFixedSize(std::max(MINIMUM_WIDTH, width), HEIGHT);

    EmptyListTextChanged(m_session.EmptyText());
    if (!m_session.Start()) {
        CMessageBox::Show(IDS_THREAD_FAILED, this);
    }
}

void CMainDlg::OnDestroy() {
    m_list.Clear();
    m_tray.hide();
    m_session.Stop();
    // Reports the worker posted before it ended go unread; their records
    // are freed with them.
    QCoreApplication::removePostedEvents(this);
}

void CMainDlg::ShowAndRaise() {
    showNormal();
    raise();
    activateWindow();
}

void CMainDlg::EmptyListTextChanged(const std::string& text) {
    m_list.SetPlaceholder(QString::fromStdString(text));
}

void CMainDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Minimised, the window goes to the tray; with no tray to bring it back
    // from, it stays an ordinary minimised window.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::ListChanged(const ListEdit& edit) {
    m_list.Follow(edit);
}

void CMainDlg::ListFullChanged(bool full) {
    m_notice.setVisible(full);
}

void CMainDlg::StatusLineChanged(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    m_status.setText(shown);
    m_status.setAccessibleName(shown);
    m_status.show();
}

void CMainDlg::SocketFailed() {
    // The program has decided to end, but an upload finishes first: a camera
    // left with half an image may not start again.
    if (UploadInProgress()) {
        m_socketErrorWaiting = true;
        m_session.StartNoMoreUploads();  // a batch finishes what is under way
        return;
    }
    m_ending = true;
    CloseCameraDialog();
    CMessageBox::Show(IDS_SOCKET_ERROR, this);
    QDialog::reject();
}

void CMainDlg::reject() {
    if (UploadInProgress()) {
        m_endWaiting = true;
        m_session.StartNoMoreUploads();  // a batch finishes what is under way
        return;
    }
    QDialog::reject();
}

bool CMainDlg::UploadInProgress() const {
    const auto* firmware = qobject_cast<const CFirmwareDlg*>(m_cameraDialog);
    return (firmware != nullptr && firmware->Uploading()) || !m_session.UploadsOver();
}

void CMainDlg::UploadsChanged() {
    if (auto* batch = qobject_cast<CBatchUpgradeDlg*>(m_cameraDialog)) {
        batch->UploadsChanged();
    }
    if ((m_socketErrorWaiting || m_endWaiting) && !UploadInProgress()) {
        OnUploadEnded();
    }
}

void CMainDlg::PlanChanged(const CPlanRollout& rollout, bool ended) {
    if (auto* site = qobject_cast<CSiteDlg*>(m_cameraDialog)) {
        site->PlanChanged(rollout, ended);
    }
}

void CMainDlg::OnUploadEnded() {
    if (m_socketErrorWaiting) {
        m_socketErrorWaiting = false;
        SocketFailed();
    } else if (m_endWaiting) {
        m_endWaiting = false;
        // Ending now: the camera dialog goes first, as for a socket error.
        CloseCameraDialog();
        QDialog::reject();
    }
}

// An open camera dialog goes, with whatever it has open over it (a file
// chooser, a message box), and nothing it was about to do is done.
void CMainDlg::CloseCameraDialog() {
    if (m_cameraDialog != nullptr) {
        for (QDialog* child : m_cameraDialog->findChildren<QDialog*>()) {
            child->reject();
        }
        m_cameraDialog->reject();
    }
}

void CMainDlg::PasswordRefused() {
    // Replies are not matched to requests, so anyone can send them: while
    // the box is up, more of them would only stack further boxes on it.
    if (m_tellingPassword) {
        return;
    }
    m_tellingPassword = true;
    CMessageBox::Show(IDS_INCORRECT_PASSWORD, this);
    m_tellingPassword = false;
}

void CMainDlg::OnListRightButton(QPoint position) {
    g_selected.clear();
    for (const int line : m_list.SelectedLines()) {
        if (line < static_cast<int>(Records().size())) {
            g_selected.push_back(Records()[line]);
        }
    }
    if (g_selected.empty()) {
        return;
    }
    for (QAction* action : m_menu.actions()) {
        if (action->data().toInt() == ID_ACCESS_CAMERA) {
            action->setEnabled(g_selected.size() == 1 && OffersWebPage(g_selected.front()));
        }
    }
    m_menu.popup(m_list.viewport()->mapToGlobal(position));
}

void CMainDlg::OnCommand(int commandId) {
    const std::vector<CameraRecord> cameras = g_selected;
    if (commandId == ID_SAVE_LIST) {
        SaveList();
        return;
    }
    if (commandId == ID_COPY_CAMERAS) {
        OnCopy();
        return;
    }
    if (cameras.empty()) {
        return;
    }
    switch (commandId) {
        case ID_ACCESS_CAMERA:
            OpenWebPage(cameras.front());
            break;
        case ID_NETWORK_SETTINGS:
            cameras.size() == 1 ? OpenNetworkSettings(cameras.front()) : OpenSitePlan(cameras);
            break;
        case ID_FIRMWARE:
            cameras.size() == 1 ? OpenFirmware(cameras.front()) : OpenBatchUpgrade(cameras);
            break;
        default:
            break;
    }
}

void CMainDlg::OnListDoubleClick(int line) {
    if (line < 0 || line >= static_cast<int>(Records().size())) {
        return;
    }
    const CameraRecord camera = Records()[line];
    switch (ActionFor(camera)) {
        case CameraAction::NetworkSettings:
            OpenNetworkSettings(camera);
            break;
        case CameraAction::WebPage:
            OpenWebPage(camera);
            break;
        case CameraAction::Upgrade:
            OpenFirmware(camera);
            break;
    }
}

void CMainDlg::OnCopy() {
    std::vector<ListedCamera> selected;
    for (const int line : m_list.SelectedLines()) {
        selected.push_back(m_session.ListedAt(static_cast<std::size_t>(line)));
    }
    if (!selected.empty()) {
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(CsvText(SortedRows(selected))));
    }
}

void CMainDlg::SaveList() {
    const std::optional<QString> path =
        CFileChooser::Save(this, "cameras.csv", "CSV (*.csv);;All files (*)");
    if (!path) {
        return;
    }
    std::vector<ListedCamera> listed;
    for (std::size_t line = 0; line < Records().size(); ++line) {
        listed.push_back(m_session.ListedAt(line));
    }
    std::string error;
    if (!WriteReportFile(path->toStdString(), CsvText(SortedRows(listed)), error)) {
        CMessageBox::Show(IDS_FILE_SAVE_FAILED, this);
    }
}

void CMainDlg::OpenSitePlan(const std::vector<CameraRecord>& cameras) {
    CSiteDlg dialog(m_session, cameras, this);
    m_cameraDialog = &dialog;
    dialog.exec();
    m_cameraDialog = nullptr;
    m_session.SearchNow();
}

void CMainDlg::OpenBatchUpgrade(const std::vector<CameraRecord>& cameras) {
    CBatchUpgradeDlg dialog(m_session, cameras, this);
    m_cameraDialog = &dialog;
    dialog.exec();
    m_cameraDialog = nullptr;
}

void CMainDlg::OpenWebPage(const CameraRecord& camera) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(WebAddress(camera))));
}

void CMainDlg::OpenNetworkSettings(const CameraRecord& camera) {
    CNetworkDlg dialog(this);
    dialog.m_record = camera;
    m_cameraDialog = &dialog;
    const int result = dialog.exec();
    m_cameraDialog = nullptr;
    if (result == QDialog::Accepted && !m_ending) {
        m_session.ChangeNetwork(camera, dialog.m_record);
    }
}

void CMainDlg::OpenFirmware(const CameraRecord& camera) {
    CFirmwareDlg dialog(this);
    dialog.m_record = camera;
    connect(&dialog, &CFirmwareDlg::uploadEnded, this, &CMainDlg::OnUploadEnded,
            Qt::QueuedConnection);
    m_cameraDialog = &dialog;
    const int result = dialog.exec();
    m_cameraDialog = nullptr;
    if (result == QDialog::Accepted && !m_ending && m_session.Searching()) {
        // The dialog ends in silence; the line under the list follows the
        // camera through its restart, so that nobody uploads again to a
        // camera on its way back (its line still offers an upgrade until then).
        if (const auto delivery = dialog.Delivered()) {
            m_session.WatchRestart(camera, dialog.DeliveredKind(), *delivery);
        }
        m_session.SearchNow();
    }
}

}  // namespace vantrel
