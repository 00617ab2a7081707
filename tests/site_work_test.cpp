// SPDX-License-Identifier: GPL-3.0-or-later
// A whole site from the window: many cameras selected, set up from one
// plan, upgraded together, and the list saved as a file.
#include <arpa/inet.h>
#include <poll.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "protocol/text_field.h"
#include "qt/batch_upgrade_dlg.h"
#include "qt/file_chooser.h"
#include "qt/main_dlg.h"
#include "qt/message_box.h"
#include "qt/site_dlg.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "tests/test_sockets.h"
#include "tests/upgrade_camera.h"
#include "tests/when_modal.h"

using namespace vantrel;
using vantrel::test::UpgradeCamera;
using vantrel::test::WhenModal;

namespace {

// A new camera on its factory address, on this computer's subnet.
CameraRecord Camera(const std::string& id, const char* ip = "192.168.1.10") {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, "Cam " + id);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = camera.dns = inet_addr("192.168.1.1");
    camera.httpPort = htons(80);
    camera.systemVersion = 0x01000000;
    camera.appVersion = 0x01000001;
    camera.subnetMatch = 1;
    camera.seen = 1;
    return camera;
}

// The datagrams that reached the camera's side within the wait.
std::vector<std::vector<std::uint8_t>> Datagrams(SocketHandle socket, int waitMs) {
    std::vector<std::vector<std::uint8_t>> got;
    pollfd entry{socket, POLLIN, 0};
    while (poll(&entry, 1, waitMs) == 1) {
        std::vector<std::uint8_t> bytes(2048);
        bytes.resize(
            static_cast<std::size_t>(std::max(0L, recv(socket, bytes.data(), bytes.size(), 0))));
        got.push_back(std::move(bytes));
        waitMs = 100;
    }
    return got;
}

// The set-network requests among them; searches go out meanwhile too.
int Requests(const std::vector<std::vector<std::uint8_t>>& datagrams) {
    return static_cast<int>(std::count_if(datagrams.begin(), datagrams.end(),
                                          [](const auto& bytes) { return bytes.size() == 82; }));
}

std::string Contents(const QString& path) {
    std::ifstream file(path.toStdString());
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

class SiteWorkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::LoopbackUdp> m_camera;
    std::unique_ptr<CMainDlg> m_window;
    std::unique_ptr<QObject> m_timers;
    QTemporaryDir m_files;
    std::atomic<int> m_touches{0};

    CCameraList* List() { return m_window->findChild<CCameraList*>("cameraList"); }
    void Found(const CameraRecord& camera) { m_window->Session().OnCamerasFound({camera}); }
    void Search(const std::vector<CameraRecord>& answers) {
        for (const CameraRecord& camera : answers) {
            Found(camera);
        }
        m_window->Session().OnCameraRefresh();
    }
    // A search goes out and these cameras answer it.
    void Answer(const std::vector<CameraRecord>& answers) {
        m_window->Session().OnCameraRefresh();
        for (const CameraRecord& camera : answers) {
            Found(camera);
        }
    }
    // A system image of about this size.
    QString Image(std::size_t size) {
        const QString path = m_files.filePath("system.bin");
        std::ofstream(path.toStdString(), std::ios::binary) << "BNEG" << std::string(size, 'x');
        return path;
    }
    std::vector<std::string> SelectedIds() {
        std::vector<std::string> ids;
        for (const int line : List()->SelectedLines()) {
            ids.emplace_back(FieldText(m_window->Records()[static_cast<std::size_t>(line)].id));
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    void Click(int line, Qt::KeyboardModifiers modifiers = {}) {
        QTest::qWait(20);  // the list lays its lines out late
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, modifiers,
                          List()->visualRect(List()->model()->index(line, 0)).center());
    }
    // Opens the menu's command on the lines selected now.
    void Command(int commandId) {
        m_window->OnListRightButton({5, 5});
        m_window->Menu().hide();
        m_window->OnCommand(commandId);
    }
    static QStringList Column(QTableWidget* table, int column) {
        QStringList cells;
        for (int row = 0; row < table->rowCount(); ++row) {
            cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
        }
        return cells;
    }
    // Takes the cameras' first searches: from now on what reaches the
    // camera's socket is the window's doing.
    void Settle() { (void)Datagrams(m_camera->socket.Get(), 300); }

  private slots:
    void init() {
        CMessageBox::StartRecording();
        m_camera = std::make_unique<test::LoopbackUdp>();
        SessionConfig config;
        config.discovery.port = ntohs(test::LoopbackUdp().port);
        config.discovery.destination = test::LoopbackAddress();
        config.discovery.destinationPort = ntohs(m_camera->port);
        // Searches and ticks come from the test alone.
        config.discovery.clock = [] { return std::uint64_t{1000}; };
        // This computer is on 192.168.1.0/24, where another device already
        // holds 192.168.1.21.
        config.interfaces = [] {
            return std::optional<std::vector<HostInterface>>(
                {{inet_addr("192.168.1.2"), inet_addr("255.255.255.0"), 2, true, false, "eth0"}});
        };
        config.neighbours.read = [] {
            return std::optional<std::vector<Neighbour>>(
                {{inet_addr("192.168.1.21"), Neighbour::State::Reachable, "66:2e:11:00:00:21"}});
        };
        config.neighbours.touch = [this](const std::vector<std::uint32_t>&) { ++m_touches; };
        m_window = std::make_unique<CMainDlg>(std::move(config));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->OnInitDialog();
        m_timers = std::make_unique<QObject>();
        Settle();
    }
    void cleanup() {
        m_timers.reset();
        m_window.reset();
        m_camera.reset();
        CMessageBox::StopRecording();
    }

    void manyAreSelectedAndEachSelectionStaysOnItsCamera() {
        const std::vector<CameraRecord> five = {Camera("A"), Camera("B"), Camera("C"), Camera("D"),
                                                Camera("E")};
        Search(five);
        Click(1);
        Click(3, Qt::ControlModifier);
        QCOMPARE(SelectedIds(), (std::vector<std::string>{"B", "D"}));
        Click(1);
        QTest::keyClick(List(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(List(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedIds(), (std::vector<std::string>{"B", "C", "D"}));
        Click(2);
        Click(4, Qt::ShiftModifier);
        QCOMPARE(SelectedIds(), (std::vector<std::string>{"C", "D", "E"}));
        QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(SelectedIds(), (std::vector<std::string>{"A", "B", "C", "D", "E"}));

        // B and D are selected; B and C go (two missed searches), A stays.
        Click(1);
        Click(3, Qt::ControlModifier);
        for (int search = 0; search < 2; ++search) {
            Search({Camera("A"), Camera("D"), Camera("E")});
        }
        QCOMPARE(List()->count(), 3);
        // The selection stays on its own camera and moves to no other.
        QCOMPARE(SelectedIds(), std::vector<std::string>{"D"});
        // The last selected camera going leaves nothing selected.
        for (int search = 0; search < 2; ++search) {
            Search({Camera("A"), Camera("E")});
        }
        QVERIFY(List()->SelectedLines().empty());

        // With many selected, the web page is one camera's business.
        Search({Camera("A"), Camera("E")});
        QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
        m_window->OnListRightButton({5, 5});
        QTRY_VERIFY(m_window->Menu().isVisible());
        QVERIFY(!m_window->Menu().actions()[0]->isEnabled());
        QVERIFY(m_window->Menu().actions()[1]->isEnabled());
        m_window->Menu().hide();
    }

    void theListIsSavedAndCopiedAsTheTerminalListsIt() {
        Search({Camera("NEW2"), Camera("NEW1"), Camera("OLD", "192.168.1.50")});
        const QString path = m_files.filePath("cameras.csv");
        CFileChooser::SetNextAnswer(path);
        Command(ID_SAVE_LIST);
        const std::string saved = Contents(path);
        QVERIFY2(saved.starts_with("id,name,ip,mask,gateway,dns,http_port,system_version,"),
                 saved.c_str());
        QVERIFY2(saved.find("\nNEW1,Cam NEW1,192.168.1.10,255.255.255.0,") != std::string::npos,
                 saved.c_str());
        QVERIFY2(saved.find("NEW2") > saved.find("NEW1"), "by id, as the terminal sorts them");
        QCOMPARE(std::count(saved.begin(), saved.end(), '\n'), 4);

        QApplication::clipboard()->clear();
        Click(2);
        QTest::keyClick(List(), Qt::Key_C, Qt::ControlModifier);
        const std::string copied = QApplication::clipboard()->text().toStdString();
        QVERIFY2(copied.starts_with("id,name,ip,"), copied.c_str());
        QCOMPARE(std::count(copied.begin(), copied.end(), '\n'), 2);
        QVERIFY2(copied.find("\nOLD,Cam OLD,192.168.1.50,") != std::string::npos, copied.c_str());

        // A file that cannot be written is told, and the list stays.
        CFileChooser::SetNextAnswer(m_files.filePath("no/such/folder/cameras.csv"));
        Command(ID_SAVE_LIST);
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_FILE_SAVE_FAILED});
        QCOMPARE(List()->count(), 3);
    }

    void aRangeSkipsTheHeldAddressAndEachRowFollowsItsCamera() {
        const std::vector<CameraRecord> cameras = {Camera("NEW1"), Camera("NEW2"), Camera("NEW3")};
        Search(cameras);
        QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
        QString status;
        WhenModal(m_timers.get(), [&](QWidget* modal) {
            // A failed check returns early: the dialog must not stay up.
            const auto closing = qScopeGuard([modal] { static_cast<QDialog*>(modal)->reject(); });
            auto* site = qobject_cast<CSiteDlg*>(modal);
            QVERIFY(site != nullptr);
            auto* table = site->findChild<QTableWidget*>("planTable");
            auto* apply = site->findChild<QPushButton*>("applyButton");
            QCOMPARE(Column(table, 0), (QStringList{"NEW1", "NEW2", "NEW3"}));
            QVERIFY(!apply->isEnabled());
            site->findChild<QLineEdit*>("firstAddressEdit")->setText("192.168.1.20");
            site->findChild<QLineEdit*>("maskEdit")->setText("255.255.255.0");
            QCOMPARE(Column(table, 4)[0], QString("checking…"));
            QVERIFY2(!apply->isEnabled(), "not before the link has been asked");
            QTRY_VERIFY(apply->isEnabled());
            QCOMPARE(Column(table, 3),
                     (QStringList{"192.168.1.20/255.255.255.0", "192.168.1.22/255.255.255.0",
                                  "192.168.1.23/255.255.255.0"}));
            QCOMPARE(Column(table, 4), (QStringList{"ok", "ok", "ok"}));
            QCOMPARE(Column(table, 2)[0], QString("192.168.1.10/255.255.255.0"));
            QCOMPARE(site->findChild<QLabel*>("planNotes")->text(),
                     QString("skipped 192.168.1.21: a device with hardware address "
                             "66:2e:11:00:00:21 answers for it"));

            site->findChild<QLineEdit*>("passwordEdit")->setText("secret");
            Settle();
            QTest::mouseClick(apply, Qt::LeftButton);
            QCOMPARE(Requests(Datagrams(m_camera->socket.Get(), 2000)), 3);
            QCOMPARE(table->horizontalHeaderItem(4)->text(), QString("Result"));
            QVERIFY(!apply->isEnabled());

            // NEW1 and NEW3 show their new settings; NEW2 answers as it was.
            CameraRecord moved1 = cameras[0], moved3 = cameras[2];
            moved1.ip = inet_addr("192.168.1.20");
            moved3.ip = inet_addr("192.168.1.23");
            Answer({moved1, cameras[1], moved3});
            QTRY_COMPARE(Column(table, 4)[0], QString("changed"));
            QCOMPARE(Column(table, 4)[2], QString("changed"));
            QCOMPARE(Column(table, 4)[1], QString("not confirmed yet"));
            // Closed before the rows settled: the line under the list goes on.
            site->reject();
        });
        Command(ID_NETWORK_SETTINGS);
        auto* line = m_window->findChild<QLabel*>("restartStatus");
        QCOMPARE(line->text(),
                 QString("Network settings of 3 cameras: 2 show their new settings so far"));
        for (int search = 0; search < 6 && !line->text().contains("changed"); ++search) {
            Answer({cameras[1]});
        }
        QCOMPARE(
            line->text(),
            QString("Network settings of 3 cameras: 2 changed, 1 still on their old settings"));
        Q_UNUSED(status);
    }

    void everyProblemIsToldWithApplyDisabledAndAPlanIsRead() {
        Search({Camera("NEW1"), Camera("NEW2"), Camera("OLD", "192.168.1.50")});
        Click(0);
        Click(1, Qt::ControlModifier);
        const QString plan = m_files.filePath("site.csv");
        std::ofstream(plan.toStdString(), std::ios::binary)
            << "\xef\xbb\xbfid,ip,mask,gateway\r\n"
               "\"NEW1\",192.168.1.21,255.255.255.0,192.168.1.1\r\n"
               "NEW2,192.168.1.50,,\r\n"
               "NEW9,192.168.1.60,,\r\n";
        const QString report = m_files.filePath("report.json");
        WhenModal(m_timers.get(), [&](QWidget* modal) {
            // A failed check returns early: the dialog must not stay up.
            const auto closing = qScopeGuard([modal] { static_cast<QDialog*>(modal)->reject(); });
            auto* site = qobject_cast<CSiteDlg*>(modal);
            QVERIFY(site != nullptr);
            auto* table = site->findChild<QTableWidget*>("planTable");
            auto* apply = site->findChild<QPushButton*>("applyButton");
            auto* notes = site->findChild<QLabel*>("planNotes");
            // This computer's own address, then the broadcast address.
            site->findChild<QLineEdit*>("firstAddressEdit")->setText("192.168.1.2");
            QCOMPARE(Column(table, 4)[0], QString("192.168.1.2 is this computer's own address"));
            site->findChild<QLineEdit*>("firstAddressEdit")->setText("192.168.1.254");
            QTRY_VERIFY(!Column(table, 4)[1].startsWith("checking"));
            QCOMPARE(Column(table, 4)[1],
                     QString("192.168.1.255 is the broadcast address of its subnet"));
            QVERIFY(!apply->isEnabled());
            site->findChild<QLineEdit*>("firstAddressEdit")->setText("192.168.1");
            QCOMPARE(notes->text(), QString("error ip address setting ! (192.168.1)"));
            QVERIFY(!apply->isEnabled());

            // The plan file: the held address, an address that stays
            // another camera's, a camera that did not answer.
            CFileChooser::SetNextAnswer(plan);
            QTest::mouseClick(site->findChild<QPushButton*>("loadPlanButton"), Qt::LeftButton);
            QVERIFY(site->findChild<QRadioButton*>("planChoice")->isChecked());
            QTRY_VERIFY(!Column(table, 4)[0].startsWith("checking"));
            QCOMPARE(Column(table, 4),
                     (QStringList{"192.168.1.21 is in use: a device with hardware address "
                                  "66:2e:11:00:00:21 answers for it",
                                  "192.168.1.50 is OLD's address, and the plan does not move OLD",
                                  "did not answer"}));
            QVERIFY(notes->text().startsWith("the cameras that answered: "));
            QVERIFY(!apply->isEnabled());

            // DHCP for all needs no asking.
            const int touches = m_touches;
            site->findChild<QRadioButton*>("dhcpChoice")->click();
            QCOMPARE(Column(table, 3), (QStringList{"DHCP", "DHCP"}));
            QVERIFY(apply->isEnabled());
            QCOMPARE(m_touches.load(), touches);
            Settle();
            QTest::mouseClick(apply, Qt::LeftButton);
            QCOMPARE(Requests(Datagrams(m_camera->socket.Get(), 2000)), 2);
            // Both refuse the password.
            m_window->Session().OnSetNetworkResult(1);
            m_window->Session().OnSetNetworkResult(1);
            QTRY_COMPARE(Column(table, 4), (QStringList{"password refused", "password refused"}));
            auto* save = site->findChild<QPushButton*>("saveReportButton");
            QVERIFY(save->isEnabled());
            CFileChooser::SetNextAnswer(report);
            QTest::mouseClick(save, Qt::LeftButton);
            site->reject();
        });
        Command(ID_NETWORK_SETTINGS);
        const std::string saved = Contents(report);
        QVERIFY2(saved.find("\"result\": \"password refused\"") != std::string::npos,
                 saved.c_str());
        QVERIFY2(saved.find("\"password_refusals\": 2") != std::string::npos, saved.c_str());
        QCOMPARE(CMessageBox::TakeRecorded(),
                 (std::vector<int>{IDS_INCORRECT_PASSWORD, IDS_INCORRECT_PASSWORD}));
    }

    void aBatchUpgradeGoesOnPastAFaultedCameraAndCannotCloseMidUpload() {
        UpgradeCamera good(fakecam::UpgradeFault::None, "CAM1");
        UpgradeCamera refusing(fakecam::UpgradeFault::RejectPassword, "CAM2");
        QVERIFY(good.opened && refusing.opened);
        CameraRecord away = Camera("AWAY", "10.0.0.5");
        away.subnetMatch = 0;
        Search({good.Record(), refusing.Record(), away});
        QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
        const QString image = Image(4 << 20);
        bool refusedMidUpload = false;
        WhenModal(m_timers.get(), [&](QWidget* modal) {
            const auto closing = qScopeGuard([modal] { static_cast<QDialog*>(modal)->reject(); });
            auto* batch = qobject_cast<CBatchUpgradeDlg*>(modal);
            QVERIFY(batch != nullptr);
            auto* table = batch->findChild<QTableWidget*>("uploadTable");
            auto* upgrade = batch->findChild<QPushButton*>("upgradeButton");
            QCOMPARE(Column(table, 4)[2], QString("on another subnet: set its network first"));
            QVERIFY(!upgrade->isEnabled());
            CFileChooser::SetNextAnswer(image);
            QTest::mouseClick(batch->findChild<QPushButton*>("chooseImageButton"), Qt::LeftButton);
            QCOMPARE(batch->findChild<QLabel*>("imageKind")->text(), QString("system firmware"));
            QVERIFY(upgrade->isEnabled());
            batch->findChild<QLineEdit*>("passwordEdit")->setText("secret");
            batch->findChild<QSpinBox*>("atOnceBox")->setValue(2);
            QTest::mouseClick(upgrade, Qt::LeftButton);
            QVERIFY(batch->Running());
            batch->reject();
            refusedMidUpload = batch->isVisible();
            QTRY_VERIFY_WITH_TIMEOUT(!batch->Running(), 20000);
            QVERIFY2(Column(table, 4)[0].startsWith("image delivered; waiting for the camera"),
                     qPrintable(Column(table, 4)[0]));
            QCOMPARE(static_cast<QProgressBar*>(table->cellWidget(0, 3))->value(), 100);
            QVERIFY2(Column(table, 4)[1].startsWith("failed: incorrect password !"),
                     qPrintable(Column(table, 4)[1]));
            QCOMPARE(batch->findChild<QLabel*>("uploadSummary")->text(),
                     QString("2 cameras: 1 failed, 1 restarting"));
            const QString report = m_files.filePath("upgrade.json");
            CFileChooser::SetNextAnswer(report);
            QTest::mouseClick(batch->findChild<QPushButton*>("saveReportButton"), Qt::LeftButton);
            const std::string saved = Contents(report);
            QVERIFY2(saved.find("\"CAM2\"") != std::string::npos, saved.c_str());
            QVERIFY2(saved.find("incorrect password") != std::string::npos, saved.c_str());
        });
        Command(ID_FIRMWARE);
        QVERIFY2(refusedMidUpload, "the dialog closed with an upload in flight");
        const auto received = good.listener.WaitForUpload(5000);
        QVERIFY(received.has_value());
        QCOMPARE(received->image.size(), std::size_t{4 + (4 << 20)});
    }

    void stopAfterTheseFinishesTheUploadUnderWayAndTheWindowEndsAfterIt() {
        // The first stops reading mid-image, so that its upload is surely
        // under way when the button is pressed, and ends only in failure.
        UpgradeCamera first(fakecam::UpgradeFault::StopReading, "CAM1");
        UpgradeCamera second(fakecam::UpgradeFault::None, "CAM2");
        QVERIFY(first.opened && second.opened);
        Search({first.Record(), second.Record()});
        QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
        const QString image = Image(16 << 20);
        bool windowStayed = false;
        WhenModal(m_timers.get(), [&](QWidget* modal) {
            auto* batch = qobject_cast<CBatchUpgradeDlg*>(modal);
            QVERIFY(batch != nullptr);
            auto* table = batch->findChild<QTableWidget*>("uploadTable");
            CFileChooser::SetNextAnswer(image);
            QTest::mouseClick(batch->findChild<QPushButton*>("chooseImageButton"), Qt::LeftButton);
            batch->findChild<QLineEdit*>("passwordEdit")->setText("secret");
            batch->findChild<QSpinBox*>("atOnceBox")->setValue(1);
            QTest::mouseClick(batch->findChild<QPushButton*>("upgradeButton"), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(Column(table, 4)[0], QString("uploading"), 10000);
            auto* stop = batch->findChild<QPushButton*>("stopAfterTheseButton");
            QVERIFY(stop->isEnabled());
            QTest::mouseClick(stop, Qt::LeftButton);
            QVERIFY(!stop->isEnabled());
            // Asked to end meanwhile (SIGTERM comes here too), the window waits.
            m_window->reject();
            windowStayed = m_window->isVisible() && batch->isVisible();
            QTRY_VERIFY_WITH_TIMEOUT(!batch->isVisible(), 60000);
            QVERIFY2(Column(table, 4)[0].startsWith("failed: "), qPrintable(Column(table, 4)[0]));
            QVERIFY2(Column(table, 4)[1] == "waiting", qPrintable(Column(table, 4)[1]));
        });
        Command(ID_FIRMWARE);
        QVERIFY2(windowStayed, "the window ended with an upload under way");
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY2(!second.listener.WaitForUpload(300).has_value(), "no upload after these");
    }
};

QTEST_MAIN(SiteWorkTest)
#include "site_work_test.moc"
