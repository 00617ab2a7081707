// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "cameras/camera_table.h"
#include "cameras/restart_watch.h"
#include "discovery/discovery_sink.h"
#include "discovery/discovery_thread.h"
#include "discovery/host_interfaces.h"
#include "protocol/camera_record.h"

namespace vantrel {

class CDiscoveryWorker;

// The main window: the camera list mirrored line for line from its camera table,
// the context menu and double-click actions, the tray icon, and the
// discovery worker, whose reports arrive here as posted events.
class CMainDlg : public QDialog, public IDiscoverySink {
    Q_OBJECT
  public:
    // The program always uses the default config; tests move the worker.
    explicit CMainDlg(DiscoveryConfig config = {}, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Initialises, runs until the window ends, then shuts down.
    int exec() override;
    void OnInitDialog();
    void OnDestroy();

    // Brings the window back from the tray or from behind other windows.
    void ShowAndRaise();

    // The worker's reports, posted from its thread.
    void PostSocketError() override;
    void PostSetNetworkResult(std::uint16_t result) override;
    void PostCameraRefresh() override;
    void PostCamerasFound(std::vector<CameraRecord> records) override;

    void OnCamerasFound(const std::vector<CameraRecord>& records);
    void OnCameraFound(const CameraRecord& record);
    void OnCameraRefresh();
    void OnSocketError();
    void OnSetNetworkResult(std::uint16_t result);
    void OnListRightButton(QPoint position);
    void OnListDoubleClick();
    void OnCommand(int commandId);

    // Where the window learns which interfaces a search goes out on, for
    // what the empty list says; the program reads the host's own table.
    using InterfaceSource = std::function<std::optional<std::vector<HostInterface>>()>;
    void SetInterfaceSource(InterfaceSource source);

    [[nodiscard]] const std::vector<CameraRecord>& Records() const { return m_table.Records(); }
    [[nodiscard]] QMenu& Menu() { return m_menu; }

    // Ends the program as the close box does; while an image is on its way
    // to a camera, once the upload has ended (SIGTERM comes here too).
    void reject() override;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OpenWebPage(const CameraRecord& camera);
    void OpenNetworkSettings(const CameraRecord& camera);
    void OpenFirmware(const CameraRecord& camera);
    [[nodiscard]] int SelectedLine() const;
    [[nodiscard]] bool UploadInProgress() const;
    void OnUploadEnded();
    void CloseCameraDialog();
    void WatchRestart(const CameraRecord& camera, ImageKind kind, Delivery delivery);
    void ShowRestart();
    void AppendLine(const CameraRecord& record);
    void KeepSelection(int before, int after);
    void UpdatePlaceholder();
    void PaintPlaceholder();

    DiscoveryConfig m_config;
    CCameraTable m_table;  // before the list: its lines read their details from it
    QVBoxLayout m_layout;
    QListWidget m_list;
    QLabel m_notice;         // says when the list is full
    QLabel m_restartStatus;  // how the last upgraded camera's restart goes
    QMenu m_menu;
    QSystemTrayIcon m_tray;
    std::unique_ptr<CDiscoveryWorker> m_worker;
    QDialog* m_cameraDialog = nullptr;  // the camera dialog open right now
    bool m_ending = false;              // a socket error is ending the program
    bool m_socketErrorWaiting = false;  // it came during an upload
    bool m_endWaiting = false;          // the program was asked to end during an upload
    bool m_tellingPassword = false;     // "incorrect password !" is showing
    bool m_initialised = false;
    InterfaceSource m_interfaces = ReadHostInterfaces;
    // The camera upgraded last, followed through its restart.
    std::optional<CRestartWatch> m_restart;
    std::string m_restartId;
    std::string m_restartName;
    int m_quietTicks = 0;   // refresh ticks since the list became empty
    QString m_placeholder;  // what the empty list says; empty while it has lines
};

}  // namespace vantrel
