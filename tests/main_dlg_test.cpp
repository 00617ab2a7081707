// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/main_dlg.h"

#include <arpa/inet.h>
#include <poll.h>

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "cameras/camera_line.h"
#include "discovery/host_interfaces.h"
#include "protocol/text_field.h"
#include "qt/camera_list.h"
#include "qt/firmware_dlg.h"
#include "qt/image_file_chooser.h"
#include "qt/message_box.h"
#include "qt/network_dlg.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "tests/test_sockets.h"
#include "tests/upgrade_camera.h"
#include "tests/when_modal.h"

using namespace vantrel;
using vantrel::test::UpgradeCamera;
using vantrel::test::WhenModal;

namespace {

using Bytes = std::vector<std::uint8_t>;

CameraRecord Camera(const char* id, const char* ip, std::uint8_t subnetMatch = 1,
                    std::uint32_t appVersion = 0x01000001) {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, id);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = camera.dns = (camera.ip & camera.mask) | htonl(1);
    camera.httpPort = htons(80);
    camera.appVersion = appVersion;
    camera.subnetMatch = subnetMatch;
    camera.seen = 1;
    return camera;
}

std::optional<Bytes> ReceiveDatagram(SocketHandle socket, int timeoutMs) {
    pollfd entry{socket, POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) != 1) {
        return std::nullopt;
    }
    Bytes bytes(2048);
    bytes.resize(
        static_cast<std::size_t>(std::max(0L, recv(socket, bytes.data(), bytes.size(), 0))));
    return bytes;
}

}  // namespace

// Captures the web pages the window opens.
// The rows a list's model says it removed, added or wrote anew, in order.
class RowChanges {
  public:
    explicit RowChanges(const QAbstractItemModel& model) {
        const auto said = [this](const char* what) {
            return [this, what](const QModelIndex&, int first, int last) {
                m_said << QString("%1 %2-%3").arg(what).arg(first).arg(last);
            };
        };
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, &m_context, said("removed"));
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, &m_context, said("added"));
        QObject::connect(&model, &QAbstractItemModel::modelReset, &m_context,
                         [this] { m_said << "reset"; });
    }
    [[nodiscard]] const QStringList& Said() const { return m_said; }

  private:
    QObject m_context;
    QStringList m_said;
};

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

class MainDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::LoopbackUdp> m_camera;
    std::atomic<std::uint64_t> m_now{1000};
    std::unique_ptr<CMainDlg> m_window;
    UrlCatcher m_urls;
    std::unique_ptr<QObject> m_timers;

    CCameraList* List() { return m_window->findChild<CCameraList*>("cameraList"); }
    QModelIndex Index(int line) { return List()->model()->index(line, 0); }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < List()->count(); ++i) {
            lines << List()->LineText(i);
        }
        return lines;
    }
    // Line i shows record i, but for records updated since the last tick.
    bool Mirrors() {
        const auto& records = m_window->Records();
        if (List()->count() != static_cast<int>(records.size())) {
            return false;
        }
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (List()->LineText(static_cast<int>(i)) !=
                QString::fromStdString(CameraLineText(records[i]))) {
                return false;
            }
        }
        return true;
    }
    void Found(const CameraRecord& camera) { m_window->Session().OnCamerasFound({camera}); }
    // These cameras answer one search; then comes its refresh tick.
    void Search(std::initializer_list<CameraRecord> answers) {
        for (const CameraRecord& camera : answers) {
            Found(camera);
        }
        m_window->Session().OnCameraRefresh();
    }
    // Starts the worker and takes its first search, so later datagrams are
    // the window's doing.
    void StartWorker() {
        m_window->OnInitDialog();
        const auto first = ReceiveDatagram(m_camera->socket.Get(), 5000);
        QVERIFY(first && first->size() == 27);
        QTest::qWait(50);  // its refresh tick arrives and empties nothing
    }
    void Select(int line) { List()->setCurrentIndex(Index(line)); }
    QRect LineRect(int line) {
        QTest::qWait(20);  // the list lays its lines out late
        return List()->visualRect(Index(line));
    }
    void DoubleClick(int line) {
        const QRect rect = LineRect(line);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
    }

  private slots:
    void init() {
        CMessageBox::StartRecording();
        QDesktopServices::setUrlHandler("http", &m_urls, "Open");
        m_urls.opened.clear();
        m_camera = std::make_unique<test::LoopbackUdp>();
        DiscoveryConfig config;
        config.port = ntohs(test::LoopbackUdp().port);
        config.destination = test::LoopbackAddress();
        config.destinationPort = ntohs(m_camera->port);
        config.clock = [this] { return m_now.load(); };
        m_window = std::make_unique<CMainDlg>(SessionConfig{config});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_timers = std::make_unique<QObject>();
        StartWorker();
    }
    void cleanup() {
        m_timers.reset();
        m_window.reset();
        m_camera.reset();
        QDesktopServices::unsetUrlHandler("http");
        CMessageBox::StopRecording();
    }

    void mirrorsTheRecordsAndUpdatesLinesAtTheNextTick() {
        m_window->Session().OnCameraRefresh();
        QVERIFY(Lines().isEmpty());
        Found(Camera("A", "192.168.1.10"));
        Found(Camera("B", "192.168.1.11"));
        QCOMPARE(Lines().size(), 2);
        QVERIFY(Mirrors());
        Found(Camera("A", "192.168.1.99"));
        QCOMPARE(m_window->Records().size(), 2u);
        QVERIFY2(Lines()[0].endsWith("http://192.168.1.10"), "unchanged until the tick");
        m_window->Session().OnCameraRefresh();
        QVERIFY(Lines()[0].endsWith("http://192.168.1.99"));
        QVERIFY(Mirrors());
        for (const CameraRecord& record : m_window->Records()) {
            QCOMPARE(record.seen, std::uint8_t{0});
        }
    }

    void dropsCamerasThatStopAnswering() {
        for (const char* id : {"A", "B", "C", "D", "E"}) {
            Found(Camera(id, "192.168.1.10"));
        }
        m_window->Session().OnCameraRefresh();
        Search({Camera("B", "192.168.1.10"), Camera("D", "192.168.1.10")});
        QCOMPARE(Lines().size(), 5);  // one missed search is forgiven
        Search({Camera("B", "192.168.1.10"), Camera("D", "192.168.1.10")});  // A, C and E go
        QCOMPARE(
            Lines(),
            (QStringList{QString::fromStdString(CameraLineText(Camera("B", "192.168.1.10"))),
                         QString::fromStdString(CameraLineText(Camera("D", "192.168.1.10")))}));
        QVERIFY(Mirrors());
        Found(Camera("A", "192.168.1.10"));  // back again: at the end
        QCOMPARE(QString::fromLatin1(m_window->Records().back().id), QString("A"));
        QVERIFY(Mirrors());
    }

    void theFirstOfThreeGoingRewritesTheOtherTwo() {
        Found(Camera("A", "192.168.1.10"));
        Found(Camera("B", "192.168.1.11"));
        Found(Camera("C", "192.168.1.12"));
        m_window->Session().OnCameraRefresh();
        Search({Camera("B", "192.168.1.11"), Camera("C", "192.168.1.12")});
        Search({Camera("B", "192.168.1.11"), Camera("C", "192.168.1.12")});
        QCOMPARE(Lines().size(), 2);
        QVERIFY(Lines()[0].endsWith("192.168.1.11"));
        QVERIFY(Lines()[1].endsWith("192.168.1.12"));
    }

    void dropsFromTheMiddleAndTheTopWithoutTouchingTheOtherLines() {
        for (const char* id : {"A", "B", "C", "D", "E"}) {
            Found(Camera(id, "192.168.1.10"));
        }
        m_window->Session().OnCameraRefresh();
        // Only the one run goes: no line is rewritten or added again.
        RowChanges changes(*List()->model());
        for (int search = 0; search < 2; ++search) {  // C goes from the middle
            for (const char* id : {"A", "B", "D", "E"}) {
                Found(Camera(id, "192.168.1.10"));
            }
            m_window->Session().OnCameraRefresh();
        }
        QVERIFY(Mirrors());
        QCOMPARE(changes.Said(), QStringList{"removed 2-2"});
        for (int search = 0; search < 2; ++search) {  // A goes from the top
            for (const char* id : {"B", "D", "E"}) {
                Found(Camera(id, "192.168.1.10"));
            }
            m_window->Session().OnCameraRefresh();
        }
        QVERIFY(Mirrors());
        QCOMPARE(List()->count(), 3);
        QCOMPARE(changes.Said(), (QStringList{"removed 2-2", "removed 0-0"}));
    }

    void aFloodFillsTheListToItsCeilingAndAgesOut() {
        auto* notice = m_window->findChild<QLabel*>("listFullNotice");
        QVERIFY(notice != nullptr);
        Found(Camera("REAL", "192.168.1.10"));
        std::vector<CameraRecord> flood;
        for (std::size_t i = 0; i < CCameraTable::CEILING + 100; ++i) {
            flood.push_back(Camera(("F" + std::to_string(i)).c_str(), "192.168.1.11"));
        }
        m_window->Session().OnCamerasFound(flood);
        QCOMPARE(m_window->Records().size(), CCameraTable::CEILING);
        QCOMPARE(List()->count(), static_cast<int>(CCameraTable::CEILING));
        QVERIFY(!notice->isHidden());
        Found(Camera("LATE", "192.168.1.12"));  // no room for it yet
        m_window->Session().OnCameraRefresh();
        QVERIFY2(!notice->isHidden(), "still turning ids away in that period");
        // The first half of the flood goes from the middle of the list, the
        // second half from its end; the selection stays on its camera while
        // the list is written anew.
        std::vector<CameraRecord> again(flood.begin() + CCameraTable::CEILING / 2,
                                        flood.begin() + CCameraTable::CEILING - 1);
        again.push_back(Camera("REAL", "192.168.1.10"));
        Select(40000);
        QCOMPARE(List()->LineText(40000).left(6), QString("F39999"));
        for (int search = 0; search < 2; ++search) {
            m_window->Session().OnCamerasFound(again);
            m_window->Session().OnCameraRefresh();
        }
        QVERIFY(notice->isHidden());
        QCOMPARE(List()->count(), static_cast<int>(CCameraTable::CEILING / 2));
        QVERIFY(Mirrors());
        QCOMPARE(List()->SelectedLines().size(), 1u);
        QCOMPARE(List()->LineText(List()->SelectedLine()).left(6), QString("F39999"));
        Search({Camera("REAL", "192.168.1.10")});
        Search({Camera("REAL", "192.168.1.10")});
        QCOMPARE(Lines().size(), 1);
        QVERIFY(Mirrors());
        QVERIFY2(List()->SelectedLines().empty(), "its camera went: nothing is selected");
        Found(Camera("LATE", "192.168.1.12"));  // the refill
        Found(Camera("NEXT", "192.168.1.13"));
        QCOMPARE(Lines().size(), 3);
        QVERIFY(Mirrors());
        m_window->Session().OnCameraRefresh();
        Search({Camera("REAL", "192.168.1.10"), Camera("NEXT", "192.168.1.13")});
        Search({Camera("REAL", "192.168.1.10"), Camera("NEXT", "192.168.1.13")});
        QCOMPARE(Lines().size(), 2);  // LATE went from the middle
        QVERIFY(Mirrors());
    }

    void aFlakyCameraKeepsItsLineAndTheSelectionStaysOnTheChosenCamera() {
        for (const char* id : {"A", "FLAKY", "C", "D"}) {
            Found(Camera(id, "192.168.1.10"));
        }
        RowChanges changes(*List()->model());
        Select(1);
        for (int search = 0; search < 10; ++search) {  // ten periods, every other one lost
            if (search % 2 == 0) {
                Search({Camera("A", "192.168.1.10"), Camera("C", "192.168.1.10"),
                        Camera("D", "192.168.1.10")});
            } else {
                Search({Camera("A", "192.168.1.10"), Camera("FLAKY", "192.168.1.10"),
                        Camera("C", "192.168.1.10"), Camera("D", "192.168.1.10")});
            }
            QCOMPARE(List()->count(), 4);
            QCOMPARE(changes.Said(), QStringList{});  // never removed, never re-added
            QCOMPARE(List()->CurrentLine(), 1);
        }
        // A line going above the selected one leaves the selection on its camera.
        for (int search = 0; search < 2; ++search) {
            Search({Camera("FLAKY", "192.168.1.10"), Camera("C", "192.168.1.10"),
                    Camera("D", "192.168.1.10")});
        }
        QCOMPARE(Lines().size(), 3);
        QCOMPARE(List()->SelectedLines(), std::vector<int>{0});
        QCOMPARE(List()->LineText(0).left(5), QString("FLAKY"));
        // The selected camera going leaves nothing selected, not its neighbour.
        for (int search = 0; search < 2; ++search) {
            Search({Camera("C", "192.168.1.10"), Camera("D", "192.168.1.10")});
        }
        QCOMPARE(Lines().size(), 2);
        QVERIFY(List()->SelectedLines().empty());
        QCOMPARE(List()->CurrentLine(), -1);
        // Nor does a line that was only current (the keyboard on it, unselected).
        List()->selectionModel()->setCurrentIndex(Index(1), QItemSelectionModel::NoUpdate);
        QVERIFY(List()->SelectedLines().empty());
        Search({Camera("C", "192.168.1.10")});
        Search({Camera("C", "192.168.1.10")});
        QCOMPARE(Lines().size(), 1);
        QVERIFY(List()->SelectedLines().empty());
    }

    void eachLineTellsItsCameraApartFromOthersOnItsAddress() {
        Found(Camera("CAM1", "192.168.1.10"));
        Found(Camera("CAM2", "192.168.1.10"));
        Found(Camera("CAM3", "192.168.1.20"));
        QCOMPARE(Lines()[0].trimmed(), Lines()[1].trimmed().replace("CAM2", "CAM1"));
        const auto details = [this](int line, int role) {
            return Index(line).data(role).toString();
        };
        QCOMPARE(details(0, Qt::ToolTipRole),
                 QString("Id: CAM1\nAddress: 192.168.1.10, mask 255.255.255.0\n"
                         "Gateway: 192.168.1.1, DNS server 192.168.1.1\nHTTP port: 80\n"
                         "System firmware: 0.0.0.0, application firmware 1.0.0.1\n"
                         "Same address as CAM2"));
        QCOMPARE(details(0, Qt::AccessibleDescriptionRole), details(0, Qt::ToolTipRole));
        QVERIFY(details(1, Qt::ToolTipRole).endsWith("Same address as CAM1"));
        QVERIFY(!details(2, Qt::ToolTipRole).contains("Same address"));
        // CAM2 moves to CAM3's address: the details follow at once.
        Found(Camera("CAM2", "192.168.1.20"));
        QVERIFY(!details(0, Qt::ToolTipRole).contains("Same address"));
        QVERIFY(details(2, Qt::ToolTipRole).endsWith("Same address as CAM2"));
        // A screen reader hears them as the line's description.
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(List());
        QVERIFY(list != nullptr);
        bool heard = false;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* child = list->child(i);
            heard |= child != nullptr && child->text(QAccessible::Name) == Lines()[2] &&
                     child->text(QAccessible::Description).endsWith("Same address as CAM2");
        }
        QVERIFY(heard);
    }

    void theEmptyListSaysWhatItIsDoing() {
        std::optional<std::vector<HostInterface>> rows = std::vector<HostInterface>{
            {inet_addr("127.0.0.1"), inet_addr("255.0.0.0"), 1, false, true, "lo"},
            {inet_addr("192.168.1.5"), inet_addr("255.255.255.0"), 2, true, false, "eth0"},
            {inet_addr("192.168.7.5"), inet_addr("255.255.255.0"), 2, true, false, "eth0"},
            {inet_addr("10.0.0.5"), inet_addr("255.0.0.0"), 3, true, false, "wlan0"},
        };
        m_window->Session().SetInterfaceSource([&] { return rows; });
        const auto said = [this] { return List()->accessibleDescription(); };
        // Drawn over the empty list: something other than its background.
        const auto drawn = [this] {
            const QImage image = List()->viewport()->grab().toImage();
            const QRgb base = List()->viewport()->palette().color(QPalette::Base).rgb();
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixel(x, y) != base) {
                        return true;
                    }
                }
            }
            return false;
        };
        const QString searching = "Searching for cameras on eth0, wlan0\u2026";
        QCOMPARE(said(), searching);  // the worker's first tick is in
        QVERIFY(drawn());
        QCOMPARE(List()->count(), 0);
        m_window->Session().OnCameraRefresh();
        QCOMPARE(said(), searching);
        m_window->Session().OnCameraRefresh();  // two periods without an answer
        QCOMPARE(said(), QString("No camera has answered yet. Check the cable, and that your "
                                 "firewall lets UDP port 10000 in.\n\nSearched on eth0, wlan0."));
        Found(Camera("A", "192.168.1.10"));
        QCOMPARE(said(), QString());
        for (int search = 0; search < 3; ++search) {
            m_window->Session().OnCameraRefresh();  // A answered none of the last two: gone
        }
        QCOMPARE(List()->count(), 0);
        QCOMPARE(said(), searching);
        rows = std::vector<HostInterface>{rows->front()};  // loopback only: offline
        m_window->Session().OnCameraRefresh();
        QVERIFY(said().startsWith("This computer has no network to search on."));
        QVERIFY(drawn());
    }

    void twoCamerasWithOneIdShareARecord() {
        Found(Camera("SAME", "192.168.1.10"));
        Found(Camera("SAME", "192.168.1.20"));
        QCOMPARE(m_window->Records().size(), 1u);
        QCOMPARE(m_window->Records()[0].ip, inet_addr("192.168.1.20"));
    }

    void aRightPressOpensTheMenuOnlyOnASelection() {
        Found(Camera("WEB", "192.168.1.10"));
        Found(Camera("NOFW", "192.168.1.11", 1, 0));
        Found(Camera("AWAY", "10.0.0.5", 0, 1));
        List()->clearSelection();
        m_window->OnListRightButton({5, 5});
        QVERIFY(!m_window->Menu().isVisible());

        const bool enabled[] = {true, false, false};
        for (int line = 0; line < 3; ++line) {
            const QRect rect = LineRect(line);
            QTest::mousePress(List()->viewport(), Qt::RightButton, {}, rect.center());
            QTest::mouseRelease(List()->viewport(), Qt::RightButton, {}, rect.center());
            QTRY_VERIFY(m_window->Menu().isVisible());
            QCOMPARE(List()->CurrentLine(), line);
            const QList<QAction*> actions = m_window->Menu().actions();
            QCOMPARE(actions.size(), 6);
            QCOMPARE(actions[0]->text(), QString("Access IP Camera"));
            QVERIFY(actions[3]->isSeparator());
            QCOMPARE(actions[4]->text(), QString("Save list as…"));
            QCOMPARE(actions[5]->text(), QString("Copy"));
            QCOMPARE(actions[5]->shortcut(), QKeySequence(QKeySequence::Copy));
            QCOMPARE(actions[0]->isEnabled(), enabled[line]);
            QVERIFY(actions[1]->isEnabled() && actions[2]->isEnabled());
            m_window->Menu().hide();
        }
    }

    void theMenuKeyAndShiftF10OpenTheMenuAtTheSelectedLine() {
        Found(Camera("WEB", "192.168.1.10"));
        Found(Camera("NOFW", "192.168.1.11", 1, 0));
        List()->setFocus();
        List()->setCurrentIndex({});
        QTest::keyClick(List(), Qt::Key_Menu);
        QTest::qWait(50);
        QVERIFY2(!m_window->Menu().isVisible(), "no line current, no menu");
        List()->selectionModel()->setCurrentIndex(Index(1), QItemSelectionModel::NoUpdate);
        QVERIFY(List()->SelectedLines().empty());
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
            QTest::keyClick(List(), key, modifiers);
            QTRY_VERIFY(m_window->Menu().isVisible());
            QVERIFY2(!m_window->Menu().actions()[0]->isEnabled(), "the menu is the second line's");
            const QRect line = LineRect(1);
            QVERIFY(m_window->Menu().geometry().top() >=
                    List()->viewport()->mapToGlobal(line.bottomLeft()).y() - 1);
            m_window->Menu().hide();
        }
        QTest::keyClick(List(), Qt::Key_F10);
        QTest::qWait(50);
        QVERIFY2(!m_window->Menu().isVisible(), "F10 alone is not the menu's key");
    }

    void aMenuCommandActsOnTheCopyTakenWhenItOpened() {
        CameraRecord web = Camera("WEB", "192.168.1.10");
        web.httpPort = htons(8080);
        Found(web);
        Select(0);
        m_window->OnListRightButton({5, 5});
        for (int search = 0; search < 3; ++search) {
            m_window->Session().OnCameraRefresh();  // the camera is gone from the list
        }
        QVERIFY(Lines().isEmpty());
        m_window->Menu().actions()[0]->trigger();
        QCOMPARE(m_urls.opened, QList<QUrl>{QUrl("http://192.168.1.10:8080")});
    }

    void aDoubleClickPicksTheActionForTheCamera() {
        Found(Camera("AWAY", "10.0.0.5", 0, 0));
        Found(Camera("WEB", "192.168.1.10"));
        Found(Camera("NOFW", "192.168.1.11", 1, 0));
        QString opened;
        WhenModal(m_timers.get(), [&](QWidget* modal) {
            opened = modal->objectName();
            static_cast<QDialog*>(modal)->reject();
        });
        Select(0);
        m_window->OnListDoubleClick(0);
        QCOMPARE(opened, QString("networkDialog"));
        Select(1);
        m_window->OnListDoubleClick(1);
        QCOMPARE(m_urls.opened, QList<QUrl>{QUrl("http://192.168.1.10")});
        WhenModal(m_timers.get(), [&](QWidget* modal) {
            opened = modal->objectName();
            static_cast<QDialog*>(modal)->reject();
        });
        Select(2);
        m_window->OnListDoubleClick(2);
        QCOMPARE(opened, QString("firmwareDialog"));
        m_window->OnListDoubleClick(-1);  // under no line: nothing happens
        QCOMPARE(m_urls.opened.size(), 1);
    }

    void acceptedNetworkSettingsGoToTheWorkerOnce() {
        Found(Camera("AWAY", "10.0.0.5", 0, 1));
        WhenModal(m_timers.get(), [](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        DoubleClick(0);
        QVERIFY2(!ReceiveDatagram(m_camera->socket.Get(), 300), "Return sends nothing");

        WhenModal(m_timers.get(), [](QWidget* modal) {
            modal->findChild<QLineEdit*>("ipAddressEdit")->setText("10.0.0.50");
            modal->findChild<QLineEdit*>("passwordEdit")->setText("secret");
            QTest::mouseClick(modal->findChild<QPushButton*>("setButton"), Qt::LeftButton);
        });
        DoubleClick(0);
        const auto request = ReceiveDatagram(m_camera->socket.Get(), 5000);
        QVERIFY(request && request->size() == 82);
        const auto search = ReceiveDatagram(m_camera->socket.Get(), 5000);
        QVERIFY2(search && search->size() == 27, "the worker searches by itself");
        QVERIFY2(!ReceiveDatagram(m_camera->socket.Get(), 300), "and once only");
        // The line under the list follows the change until the camera shows it.
        auto* status = m_window->findChild<QLabel*>("restartStatus");
        QVERIFY(status->isVisible());
        QCOMPARE(status->text(), QString("AWAY: new network settings sent; waiting for the "
                                         "camera to answer with them\u2026"));
        for (int search = 0; search < 5; ++search) {
            Search({Camera("AWAY", "10.0.0.5", 0, 1)});
        }
        QVERIFY2(status->text().startsWith("AWAY: did not show the new settings within 4 "
                                           "searches; it shows 10.0.0.5"),
                 qPrintable(status->text()));
    }

    void aCompletedUpgradeAsksForASearchAtOnce() {
        UpgradeCamera upgrades;
        QVERIFY(upgrades.opened);
        CameraRecord camera = upgrades.Record();
        Found(camera);

        QTemporaryDir files;
        const QString image = files.filePath("system.bin");
        std::ofstream(image.toStdString(), std::ios::binary) << "BNEG and the rest";
        WhenModal(m_timers.get(), [](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        DoubleClick(0);
        QVERIFY2(!ReceiveDatagram(m_camera->socket.Get(), 300), "Return asks for nothing");
        CImageFileChooser::SetNextAnswer(image);
        WhenModal(m_timers.get(), [](QWidget* modal) {
            modal->findChild<QLineEdit*>("passwordEdit")->setText("secret");
            QTest::mouseClick(modal->findChild<QPushButton*>("upgradeSystemButton"),
                              Qt::LeftButton);
        });
        DoubleClick(0);
        const auto search = ReceiveDatagram(m_camera->socket.Get(), 5000);
        QVERIFY(search && search->size() == 27);
        QVERIFY(!ReceiveDatagram(m_camera->socket.Get(), 300));
        QVERIFY(CMessageBox::TakeRecorded().empty());

        // The line under the list follows the camera through its restart;
        // the camera's own line keeps its text.
        auto* status = m_window->findChild<QLabel*>("restartStatus");
        QVERIFY(status != nullptr && status->isVisible());
        QCOMPARE(status->text(),
                 QString("CAM1: image delivered; waiting for the camera to restart\u2026"));
        const QString line = Lines()[0];
        Search({camera});
        Search({});
        Search({});
        QCOMPARE(status->text(),
                 QString("CAM1: restarting; waiting for the camera to come back\u2026"));
        CameraRecord back = camera;
        back.systemVersion = inet_addr("2.0.0.0");
        Search({back});
        QVERIFY(Lines().isEmpty() || Lines()[0] == line);
        Search({back});
        QVERIFY2(status->text().startsWith("CAM1: back after "), qPrintable(status->text()));
        QVERIFY(status->text().endsWith(" s with system firmware 2.0.0.0 (was 0.0.0.0)"));
        QCOMPARE(QAccessible::queryAccessibleInterface(status)->text(QAccessible::Name),
                 status->text());
    }

    void reportsOnlyTheResultsThatMeanSomething() {
        // 0xFFFE is a camera's result like any other, not the worker's -2.
        for (const int code : {0, 2, 3, 4, 7, 0xFFFD, 0xFFFE, 1000}) {
            m_window->Session().OnSetNetworkResult(static_cast<std::uint16_t>(code));
        }
        QVERIFY(CMessageBox::TakeRecorded().empty());
        for (const int code : {1, 5, 6}) {
            m_window->Session().OnSetNetworkResult(static_cast<std::uint16_t>(code));
        }
        QCOMPARE(CMessageBox::TakeRecorded(),
                 (std::vector<int>{IDS_INCORRECT_PASSWORD, IDS_INCORRECT_PASSWORD,
                                   IDS_INCORRECT_PASSWORD}));
        QVERIFY(m_window->isVisible());
    }

    void aStormOfWrongPasswordResultsShowsOneBoxAtATime() {
        // While the box is up, more results arrive and are handled.
        int depth = 0;
        int deepest = 0;
        CMessageBox::StartRecording([&](int) {
            deepest = std::max(deepest, ++depth);
            for (int i = 0; i < 50; ++i) {
                m_window->Session().PostSetNetworkResult(1);
            }
            QCoreApplication::processEvents();
            --depth;
        });
        m_window->Session().OnSetNetworkResult(1);
        QCOMPARE(deepest, 1);
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_INCORRECT_PASSWORD});
        QCoreApplication::removePostedEvents(m_window.get());
        CMessageBox::StartRecording();
    }

    void aSocketErrorEndsTheProgramThroughTheShutdown() {
        Found(Camera("AWAY", "10.0.0.5", 0, 1));
        // A camera dialog is open when the error comes: it ends first and
        // its result is not acted on.
        QTimer::singleShot(0, m_window.get(), [this] {
            WhenModal(m_timers.get(), [this](QWidget* modal) {
                modal->findChild<QLineEdit*>("passwordEdit")->setText("secret");
                m_window->Session().PostSocketError();
            });
            Select(0);
            m_window->OnListDoubleClick(0);
        });
        const int result = m_window->exec();
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_SOCKET_ERROR});
        QVERIFY(Lines().isEmpty());
        QVERIFY(m_window->Records().empty());
        // The worker has stopped: nothing more comes from it.
        ReceiveDatagram(m_camera->socket.Get(), 100);  // its first search
        QVERIFY(!ReceiveDatagram(m_camera->socket.Get(), 300));
    }

    // A second copy hands over, the worker fails and the program is asked
    // to end (SIGTERM) while an image is on its way: all wait until the
    // upload has ended (here a camera that stops reading holds it for three
    // seconds).
    void aSocketErrorOrAnEndDuringAnUploadWaitsForItToEnd() {
        UpgradeCamera upgrades(fakecam::UpgradeFault::StopReading);
        QVERIFY(upgrades.opened);
        Found(upgrades.Record());
        QTemporaryDir files;
        const QString image = files.filePath("system.bin");
        std::ofstream(image.toStdString(), std::ios::binary)
            << "BNEG" << std::string(64 << 20, 'q');
        CImageFileChooser::SetNextAnswer(image);
        QPointer<CFirmwareDlg> firmware;
        std::vector<bool> firmwareShown;  // at each message
        CMessageBox::StartRecording(
            [&](int) { firmwareShown.push_back(firmware && firmware->isVisible()); });
        bool askedDuringUpload = false;
        QTimer::singleShot(0, m_window.get(), [&] {
            WhenModal(m_timers.get(), [&](QWidget* modal) {
                firmware = qobject_cast<CFirmwareDlg*>(modal);
                modal->findChild<QLineEdit*>("passwordEdit")->setText("secret");
                QTest::mouseClick(modal->findChild<QPushButton*>("upgradeSystemButton"),
                                  Qt::LeftButton);
                QTimer::singleShot(500, m_timers.get(), [&] {
                    askedDuringUpload = firmware && firmware->Uploading();
                    m_window->ShowAndRaise();  // a second copy hands over
                    m_window->Session().PostSocketError();
                    m_window->reject();
                });
            });
            Select(0);
            m_window->OnListDoubleClick(0);
        });
        const int result = m_window->exec();
        QVERIFY(askedDuringUpload);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(CMessageBox::TakeRecorded(),
                 (std::vector<int>{IDS_SOCKET_ERROR, IDS_SOCKET_ERROR}));
        // The upload's own failure first, over its dialog; then the worker's.
        QCOMPARE(firmwareShown, (std::vector<bool>{true, false}));
    }

    void aSocketErrorClosesTheFileChooserAndNoUploadStarts() {
        UpgradeCamera upgrades;
        QVERIFY(upgrades.opened);
        CameraRecord camera = upgrades.Record();
        Found(camera);
        QTemporaryDir files;
        const QString image = files.filePath("system.bin");
        std::ofstream(image.toStdString(), std::ios::binary) << "BNEG and the rest";

        // The real chooser is up when the worker fails; should it stay, a
        // user would go on and pick the image.
        QTimer::singleShot(0, m_window.get(), [&] {
            WhenModal(m_timers.get(), [&](QWidget* firmware) {
                WhenModal(m_timers.get(), [&](QWidget* chooser) {
                    QVERIFY(qobject_cast<QFileDialog*>(chooser) != nullptr);
                    m_window->Session().PostSocketError();
                    QTimer::singleShot(300, m_timers.get(), [&, chooser = QPointer(chooser)] {
                        if (chooser && chooser->isVisible()) {
                            auto* dialog = static_cast<QFileDialog*>(chooser.data());
                            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(image);
                            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
                        }
                    });
                });
                firmware->findChild<QLineEdit*>("passwordEdit")->setText("secret");
                QTest::mouseClick(firmware->findChild<QPushButton*>("upgradeSystemButton"),
                                  Qt::LeftButton);
            });
            Select(0);
            m_window->OnListDoubleClick(0);
        });
        const int result = m_window->exec();
        QTest::qWait(400);  // past the moment a user would have picked the image
        const bool uploaded = upgrades.listener.WaitForUpload(500).has_value();
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_SOCKET_ERROR});
        QVERIFY2(!uploaded, "an upload ran after the program decided to end");
    }

    void theMenuShowsItsAmpersandAsWritten() {
        // What a screen reader reads, and what the menu draws: Qt takes a
        // single '&' as a shortcut mark, which takes the '&' away.
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(&m_window->Menu());
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->childCount(), 6);
        QCOMPARE(menu->child(0)->text(QAccessible::Name), QString("Access IP Camera"));
        QCOMPARE(menu->child(1)->text(QAccessible::Name), QString("Network Settings"));
        QCOMPARE(menu->child(2)->text(QAccessible::Name), QString("Firmware Version & Upgrade"));
    }

    void hidingTheWindowDoesNotEndIt() {
        bool running = false;
        QTimer::singleShot(0, m_window.get(), [&] {
            m_window->hide();  // as minimising to the tray does
            QTimer::singleShot(100, m_window.get(), [&] {
                running = true;
                m_window->ShowAndRaise();
                m_window->reject();
            });
        });
        QCOMPARE(m_window->exec(), int(QDialog::Rejected));
        QVERIFY(running);
    }

    void enterAndEscapeEndTheWindow() {
        QTimer::singleShot(0, m_window.get(), [this] { QTest::keyClick(List(), Qt::Key_Return); });
        QCOMPARE(m_window->exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, m_window.get(), [this] { QTest::keyClick(List(), Qt::Key_Escape); });
        QCOMPARE(m_window->exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(MainDlgTest)
#include "main_dlg_test.moc"
