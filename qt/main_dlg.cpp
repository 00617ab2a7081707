// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/main_dlg.h"

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
#include "qt/app_icon.h"
#include "qt/camera_events.h"
#include "qt/camera_item.h"
#include "qt/firmware_dlg.h"
#include "qt/message_box.h"
#include "qt/network_dlg.h"
#include "qt/widget_tags.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "session/camera_action.h"

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

CMainDlg::CMainDlg(SessionConfig config, QWidget* parent)
    : QDialog(parent), m_session(m_dispatcher, *this, std::move(config)) {
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

    EmptyListTextChanged(m_session.EmptyText());
    if (!m_session.Start()) {
        CMessageBox::Show(IDS_THREAD_FAILED, this);
    }
}

void CMainDlg::OnDestroy() {
    // The list goes before this window's base: it must not call back here.
    m_list.viewport()->removeEventFilter(this);
    m_list.clear();
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

bool CMainDlg::event(QEvent* event) {
    if (event->type() == QEvent::Type(WM_LIST_RBUTTON)) {
        OnListRightButton(static_cast<CListRightButtonEvent*>(event)->position);
        return true;
    }
    return QDialog::event(event);
}

void CMainDlg::EmptyListTextChanged(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (shown != m_placeholder) {
        m_placeholder = shown;
        m_list.setAccessibleDescription(shown);
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

void CMainDlg::AppendLine(std::size_t line) {
    // The list owns its items.
    m_list.addItem(std::make_unique<CCameraItem>(LineText(Records()[line]), m_session).release());
}

// A command acts on the selected line, so the selection stays on the camera
// the user chose; when that camera went, nothing is selected, not a
// neighbour the list would pick.
void CMainDlg::ListChanged(const ListEdit& edit) {
    const int selected = SelectedLine();
    int selectedAfter = -1;
    if (selected >= 0) {
        selectedAfter =
            static_cast<int>(edit.Where(static_cast<std::size_t>(selected)).value_or(-1));
    }
    std::size_t shifts = 0;
    for (const auto& [first, count] : edit.dropped) {
        shifts += count * (static_cast<std::size_t>(m_list.count()) - first - count);
    }
    // The list drops a line by moving every line after it, so thousands of
    // lines going from the middle of a long list (a flood ageing out) would
    // cost seconds; then the lines are written anew, all at once.
    const std::size_t kept = Records().size() - edit.added;
    if (shifts > MOST_SHIFTS) {
        m_list.clear();
        for (std::size_t line = 0; line < kept; ++line) {
            AppendLine(line);
        }
    } else {
        // Last run first, so that the earlier runs keep their line numbers.
        for (auto run = edit.dropped.rbegin(); run != edit.dropped.rend(); ++run) {
            m_list.model()->removeRows(static_cast<int>(run->first), static_cast<int>(run->second));
        }
        for (const std::size_t line : edit.changed) {
            QListWidgetItem& item = *m_list.item(static_cast<int>(line));
            const QString text = LineText(Records()[line]);
            if (item.text() != text) {
                item.setText(text);
            }
        }
    }
    for (std::size_t line = kept; line < Records().size(); ++line) {
        AppendLine(line);
    }
    if (selectedAfter >= 0) {
        if (SelectedLine() != selectedAfter) {
            m_list.setCurrentRow(selectedAfter);
        }
    } else if (selected >= 0 || !m_list.selectedItems().isEmpty()) {
        m_list.selectionModel()->clear();
    }
    if (edit.DroppedLines() >= MANY_LINES) {
        ReturnFreedMemory();
    }
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
    for (QAction* action : m_menu.actions()) {
        if (action->data().toInt() == ID_ACCESS_CAMERA) {
            action->setEnabled(OffersWebPage(g_selected));
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
