// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "qt/camera_list.h"
#include "qt/queued_dispatcher.h"
#include "session/camera_session.h"

namespace vantrel {

// The main window: the camera list, line for line as the camera session
// lists its cameras, the context menu and double-click actions, the tray
// icon, and the line under the list. It shows what the session says; the
// session's work runs here as queued calls.
class CMainDlg : public QDialog, private ISessionObserver {
    Q_OBJECT
  public:
    // The program always uses the default config; tests move the worker.
    explicit CMainDlg(SessionConfig config = {}, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Initialises, runs until the window ends, then shuts down.
    int exec() override;
    void OnInitDialog();
    void OnDestroy();

    // Brings the window back from the tray or from behind other windows.
    void ShowAndRaise();

    void OnListRightButton(QPoint position);
    // The line double-clicked, whatever else is selected.
    void OnListDoubleClick(int line);
    void OnCommand(int commandId);
    // The selected cameras' rows as CSV, for a spreadsheet or a ticket.
    void OnCopy();

    [[nodiscard]] CCameraSession& Session() { return m_session; }
    [[nodiscard]] const std::vector<CameraRecord>& Records() const { return m_session.Records(); }
    [[nodiscard]] QMenu& Menu() { return m_menu; }

    // Ends the program as the close box does; while an image is on its way
    // to a camera, once the upload has ended (SIGTERM comes here too).
    void reject() override;

  protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ListChanged(const ListEdit& edit) override;
    void EmptyListTextChanged(const std::string& text) override;
    void ListFullChanged(bool full) override;
    void StatusLineChanged(const std::string& text) override;
    void PasswordRefused() override;
    void SocketFailed() override;
    void PlanChanged(const CPlanRollout& rollout, bool ended) override;
    void UploadsChanged() override;

    void OpenWebPage(const CameraRecord& camera);
    void OpenNetworkSettings(const CameraRecord& camera);
    void OpenFirmware(const CameraRecord& camera);
    void OpenSitePlan(const std::vector<CameraRecord>& cameras);
    void OpenBatchUpgrade(const std::vector<CameraRecord>& cameras);
    void SaveList();
    [[nodiscard]] bool UploadInProgress() const;
    void OnUploadEnded();
    void CloseCameraDialog();

    CQueuedDispatcher m_dispatcher{*this};
    CCameraSession m_session;  // before the list: its lines read their details from it
    QVBoxLayout m_layout;
    CCameraList m_list;
    QLabel m_notice;  // says when the list is full
    QLabel m_status;  // how the camera followed last stands
    QMenu m_menu;
    QSystemTrayIcon m_tray;
    QDialog* m_cameraDialog = nullptr;  // the camera dialog open right now
    bool m_ending = false;              // a socket error is ending the program
    bool m_socketErrorWaiting = false;  // it came during an upload
    bool m_endWaiting = false;          // the program was asked to end during an upload
    bool m_tellingPassword = false;     // "incorrect password !" is showing
    bool m_initialised = false;
};

}  // namespace vantrel
