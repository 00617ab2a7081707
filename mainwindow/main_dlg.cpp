// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/main_dlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "cameras/camera_line.h"
#include "cameras/empty_list_text.h"
#include "dialogs/firmware_dlg.h"
#include "dialogs/message_box.h"
#include "dialogs/network_dlg.h"
#include "dialogs/widget_tags.h"
#include "discovery/discovery_worker.h"
#include "mainwindow/app_icon.h"
#include "mainwindow/camera_events.h"
#include "mainwindow/camera_item.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "res/resource_ids.h"
#include "res/string_table.h"

namespace vantrel {

namespace {

// The record the context menu was opened on; its commands act on this copy,
// whatever happens to the list meanwhile.
CameraRecord g_selected{};

// 25 columns of name and the longest status text.
constexpr int LONGEST_LINE = 91;
constexpr int MINIMUM_WIDTH = 760;
constexpr int HEIGHT = 330;

// So many lines going at once that the memory they held is worth returning.
constexpr std::size_t MANY_LINES = 4096;
// Line moves that dropping lines one by one may cost, about 10 ms' worth.
constexpr std::size_t MOST_SHIFTS = std::size_t{16} << 20;

// After a flood has gone, give the freed heap back to the system rather
// than keep it for a flood that may never come again.
void ReturnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

QString LineText(const CameraRecord& camera) {
    return QString::fromStdString(CameraLineText(camera));
}

}  // namespace

CMainDlg::CMainDlg(DiscoveryConfig config, QWidget* parent)
    : QDialog(parent), m_config(std::move(config)) {
    setWindowTitle(LoadText(IDS_CAPTION));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    Tag(this, IDD_MAIN, "mainDialog");
    Tag(&m_list, IDC_CAMERA_LIST, "cameraList");
    m_list.setAccessibleName("Cameras");
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);
    m_list.setSortingEnabled(false);
    m_list.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_layout.setContentsMargins(9, 9, 9, 9);
    // Every line is one line of one font: the view need not measure each.
    m_list.setUniformItemSizes(true);
    m_layout.addWidget(&m_list);
    m_notice.setObjectName("listFullNotice");
    m_notice.setText(LoadText(IDS_LIST_FULL));
    m_notice.setWordWrap(true);
    m_notice.hide();
    m_layout.addWidget(&m_notice);
    // Its text is its accessible name, so that a screen reader hears each
    // new one; hidden, it still has a name.
    m_restartStatus.setObjectName("restartStatus");
    m_restartStatus.setAccessibleName("Upgrade");
    m_restartStatus.setWordWrap(true);
    m_restartStatus.hide();
    m_layout.addWidget(&m_restartStatus);
    setLayout(&m_layout);

    const std::pair<int, const char*> commands[] = {
        {ID_ACCESS_CAMERA, "Access IP Camera"},
        {ID_NETWORK_SETTINGS, "Network Settings"},
        // A menu reads a single '&' as the mark of its shortcut key.
        {ID_FIRMWARE, "Firmware Version && Upgrade"},
    };
    for (const auto& [id, text] : commands) {
        QAction* action = m_menu.addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
    }
    connect(&m_list, &QListWidget::itemDoubleClicked, this, [this] { OnListDoubleClick(); });
}

CMainDlg::~CMainDlg() {
    OnDestroy();
    // The list sends events while it is taken apart, and the filter asks
    // for its viewport: by then only a plain QWidget is left to ask.
    m_list.removeEventFilter(this);
    m_list.viewport()->removeEventFilter(this);
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

    // Names are padded to a column of 25 characters, which lines up only in
    // a fixed-pitch font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(14);
    font.setWeight(QFont::DemiBold);
    m_list.setFont(font);
    // Fixed in size, and wide enough for the longest line there can be.
    const int lineWidth = QFontMetrics(font).horizontalAdvance(QString(LONGEST_LINE, 'M'));
    const int width = lineWidth + 2 * m_list.frameWidth() +
                      m_list.verticalScrollBar()->sizeHint().width() +
                      m_layout.contentsMargins().left() + m_layout.contentsMargins().right() + 8;
    setFixedSize(std::max(MINIMUM_WIDTH, width), HEIGHT);

    // A right press still reaches the list, which selects the line under
    // the pointer; the menu then opens on the selection.
    m_list.viewport()->installEventFilter(this);
    m_list.installEventFilter(this);

    UpdatePlaceholder();
    m_worker = std::make_unique<CDiscoveryWorker>(*this, m_config);
    if (!m_worker->Start()) {
        m_worker.reset();
        CMessageBox::Show(IDS_THREAD_FAILED, this);
    }
}

void CMainDlg::OnDestroy() {
    // The list goes before this window's base: it must not call back here.
    m_list.viewport()->removeEventFilter(this);
    m_table.Clear();
    m_list.clear();
    m_tray.hide();
    if (m_worker) {
        m_worker->Stop();
        m_worker.reset();
    }
    // Reports the worker posted before it ended go unread; their records
    // are freed with them.
    QCoreApplication::removePostedEvents(this);
}

void CMainDlg::ShowAndRaise() {
    showNormal();
    raise();
    activateWindow();
}

// Called on the worker's thread: posted, never run here.
void CMainDlg::PostSocketError() {
    QCoreApplication::postEvent(this,
                                std::make_unique<QEvent>(QEvent::Type(WM_CAMERA_ERROR)).release());
}

void CMainDlg::PostSetNetworkResult(std::uint16_t result) {
    QCoreApplication::postEvent(this, std::make_unique<CSetNetworkResultEvent>(result).release());
}

void CMainDlg::PostCameraRefresh() {
    QCoreApplication::postEvent(
        this, std::make_unique<QEvent>(QEvent::Type(WM_CAMERA_REFRESH)).release());
}

void CMainDlg::PostCamerasFound(std::vector<CameraRecord> records) {
    QCoreApplication::postEvent(this,
                                std::make_unique<CCameraFoundEvent>(std::move(records)).release());
}

bool CMainDlg::event(QEvent* event) {
    switch (static_cast<int>(event->type())) {
        case WM_CAMERA_ERROR:
            OnSocketError();
            return true;
        case WM_SET_NETWORK_RESULT:
            OnSetNetworkResult(static_cast<CSetNetworkResultEvent*>(event)->result);
            return true;
        case WM_CAMERA_REFRESH:
            OnCameraRefresh();
            return true;
        case WM_CAMERA_FOUND:
            OnCamerasFound(static_cast<CCameraFoundEvent*>(event)->records);
            return true;
        case WM_LIST_RBUTTON:
            OnListRightButton(static_cast<CListRightButtonEvent*>(event)->position);
            return true;
        default:
            return QDialog::event(event);
    }
}

void CMainDlg::SetInterfaceSource(InterfaceSource source) {
    m_interfaces = std::move(source);
    UpdatePlaceholder();
}

void CMainDlg::UpdatePlaceholder() {
    QString text;
    if (m_list.count() == 0) {
        const auto rows = m_interfaces();
        const std::vector<std::string> names =
            rows ? SearchedInterfaceNames(*rows) : std::vector<std::string>{"every interface"};
        // The first tick comes with the first search; periods follow it.
        text = QString::fromStdString(EmptyListText(names, std::max(0, m_quietTicks - 1)));
    }
    if (text != m_placeholder) {
        m_placeholder = text;
        m_list.setAccessibleDescription(text);
        m_list.viewport()->update();
    }
}

// Drawn over the empty list, not added to it: line i still shows record i.
void CMainDlg::PaintPlaceholder() {
    QWidget& viewport = *m_list.viewport();
    QPainter painter(&viewport);
    painter.fillRect(viewport.rect(), viewport.palette().base());
    painter.setFont(font());
    painter.setPen(viewport.palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport.rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
                     m_placeholder);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list.viewport() && event->type() == QEvent::Paint &&
        !m_placeholder.isEmpty()) {
        PaintPlaceholder();
        return true;
    }
    if (watched == m_list.viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton) {
            QCoreApplication::postEvent(
                this,
                std::make_unique<CListRightButtonEvent>(press->position().toPoint()).release());
        }
    }
    // The keyboard's way to the same menu: the Menu key or Shift+F10 opens
    // it at the selected line.
    if (watched == &m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Menu ||
            (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            // The line the keyboard is on is the one meant, selected or not
            // (the first arrow key only makes a line current).
            QListWidgetItem* const current = m_list.currentItem();
            if (current != nullptr && m_list.selectedItems().isEmpty()) {
                current->setSelected(true);
            }
            const QPoint position =
                current != nullptr ? m_list.visualItemRect(current).bottomLeft() : QPoint();
            QCoreApplication::postEvent(
                this, std::make_unique<CListRightButtonEvent>(position).release());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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

void CMainDlg::OnCamerasFound(const std::vector<CameraRecord>& records) {
    bool added = false;
    for (const CameraRecord& record : records) {
        if (m_restart && FieldText(record.id) == m_restartId) {
            m_restart->Answered(record);
        }
        switch (m_table.Take(record)) {
            case CCameraTable::Merge::Added:
                AppendLine(record);
                added = true;
                break;
            case CCameraTable::Merge::Refused:
                m_notice.show();
                break;
            case CCameraTable::Merge::Updated:
                break;  // its line changes at the next refresh
        }
    }
    if (added) {
        m_quietTicks = 0;
        UpdatePlaceholder();
    }
}

void CMainDlg::OnCameraFound(const CameraRecord& record) {
    OnCamerasFound({record});
}

void CMainDlg::AppendLine(const CameraRecord& record) {
    // The list owns its items.
    m_list.addItem(std::make_unique<CCameraItem>(LineText(record), m_table).release());
}

void CMainDlg::OnCameraRefresh() {
    if (m_restart && !m_restart->Ended()) {
        m_restart->Searched(CRestartWatch::Clock::now());
        ShowRestart();
    }
    const CCameraTable::Refresh refresh = m_table.DropUnseen();
    const int selected = SelectedLine();
    // The selected camera's line after the drop; -1 when none was selected
    // or its camera went.
    int selectedAfter = selected;
    std::size_t droppedLines = 0;
    std::size_t shifts = 0;
    for (const auto& [first, count] : refresh.dropped) {
        droppedLines += count;
        shifts += count * (static_cast<std::size_t>(m_list.count()) - first - count);
        const auto line = static_cast<std::size_t>(selected);
        if (selected >= 0 && line >= first && line < first + count) {
            selectedAfter = -1;
        } else if (selectedAfter >= 0 && line >= first + count) {
            selectedAfter -= static_cast<int>(count);
        }
    }
    // The list drops a line by moving every line after it, so thousands of
    // lines going from the middle of a long list (a flood ageing out) would
    // cost seconds; then the lines are written anew, all at once.
    if (shifts > MOST_SHIFTS) {
        m_list.clear();
        for (const CameraRecord& record : Records()) {
            AppendLine(record);
        }
    } else {
        // Last run first, so that the earlier runs keep their line numbers.
        for (auto run = refresh.dropped.rbegin(); run != refresh.dropped.rend(); ++run) {
            m_list.model()->removeRows(static_cast<int>(run->first), static_cast<int>(run->second));
        }
        for (const std::size_t line : refresh.changed) {
            QListWidgetItem& item = *m_list.item(static_cast<int>(line));
            const QString text = LineText(Records()[line]);
            if (item.text() != text) {
                item.setText(text);
            }
        }
    }
    KeepSelection(selected, selectedAfter);
    m_notice.setVisible(refresh.refused);
    m_quietTicks = m_list.count() == 0 ? m_quietTicks + 1 : 0;
    UpdatePlaceholder();
    if (droppedLines >= MANY_LINES) {
        ReturnFreedMemory();
    }
}

// A command acts on the selected line, so the selection stays on the camera
// the user chose. When the list drops the current line it makes a
// neighbour current and selects it; when the chosen camera went, nothing is
// selected instead.
void CMainDlg::KeepSelection(int before, int after) {
    if (after >= 0) {
        if (SelectedLine() != after) {
            m_list.setCurrentRow(after);
        }
    } else if (before >= 0 || !m_list.selectedItems().isEmpty()) {
        m_list.selectionModel()->clear();
    }
}

void CMainDlg::OnSocketError() {
    // The program has decided to end, but an upload finishes first: a camera
    // left with half an image may not start again.
    if (UploadInProgress()) {
        m_socketErrorWaiting = true;
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
        return;
    }
    QDialog::reject();
}

bool CMainDlg::UploadInProgress() const {
    const auto* firmware = qobject_cast<const CFirmwareDlg*>(m_cameraDialog);
    return firmware != nullptr && firmware->Uploading();
}

void CMainDlg::OnUploadEnded() {
    if (m_socketErrorWaiting) {
        m_socketErrorWaiting = false;
        OnSocketError();
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

void CMainDlg::OnSetNetworkResult(std::uint16_t result) {
    // Replies are not matched to requests, so anyone can send them: while
    // the box is up, more of them would only stack further boxes on it.
    if ((result != 1 && result != 5 && result != 6) || m_tellingPassword) {
        return;
    }
    m_tellingPassword = true;
    CMessageBox::Show(IDS_INCORRECT_PASSWORD, this);
    m_tellingPassword = false;
}

int CMainDlg::SelectedLine() const {
    const QList<QListWidgetItem*> selected = m_list.selectedItems();
    return selected.isEmpty() ? -1 : m_list.row(selected.front());
}

void CMainDlg::OnListRightButton(QPoint position) {
    const int line = SelectedLine();
    if (line < 0 || line >= static_cast<int>(Records().size())) {
        return;
    }
    g_selected = Records()[line];
    const bool reachable = g_selected.subnetMatch != 0 && g_selected.appVersion != 0;
    for (QAction* action : m_menu.actions()) {
        if (action->data().toInt() == ID_ACCESS_CAMERA) {
            action->setEnabled(reachable);
        }
    }
    m_menu.popup(m_list.viewport()->mapToGlobal(position));
}

void CMainDlg::OnCommand(int commandId) {
    const CameraRecord camera = g_selected;
    switch (commandId) {
        case ID_ACCESS_CAMERA:
            OpenWebPage(camera);
            break;
        case ID_NETWORK_SETTINGS:
            OpenNetworkSettings(camera);
            break;
        case ID_FIRMWARE:
            OpenFirmware(camera);
            break;
        default:
            break;
    }
}

void CMainDlg::OnListDoubleClick() {
    const int line = SelectedLine();
    if (line < 0 || line >= static_cast<int>(Records().size())) {
        return;
    }
    const CameraRecord camera = Records()[line];
    if (camera.subnetMatch == 0) {
        OpenNetworkSettings(camera);
    } else if (camera.appVersion != 0) {
        OpenWebPage(camera);
    } else {
        OpenFirmware(camera);
    }
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
    if (result == QDialog::Accepted && !m_ending && m_worker) {
        m_worker->PostSetNetwork(dialog.m_record);
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
    if (result == QDialog::Accepted && !m_ending && m_worker) {
        if (const auto delivery = dialog.Delivered()) {
            WatchRestart(camera, dialog.DeliveredKind(), *delivery);
        }
        m_worker->PostSearchNow();
    }
}

// The dialog ends in silence; the line under the list follows the camera
// through its restart, so that nobody uploads again to a camera on its way
// back (its line still offers an upgrade until then).
void CMainDlg::WatchRestart(const CameraRecord& camera, ImageKind kind, Delivery delivery) {
    m_restart.emplace(camera, kind, CRestartWatch::Clock::now(), RESTART_WAIT, delivery);
    m_restartId = FieldText(camera.id);
    m_restartName = ShownText(FieldText(camera.alias));
    ShowRestart();
}

void CMainDlg::ShowRestart() {
    const QString text = QString::fromStdString(m_restartName + ": " + m_restart->Text());
    if (m_restartStatus.text() != text) {
        m_restartStatus.setText(text);
        m_restartStatus.setAccessibleName(text);
    }
    m_restartStatus.show();
}

}  // namespace vantrel
