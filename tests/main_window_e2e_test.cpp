// SPDX-License-Identifier: GPL-3.0-or-later
// The main window with its real worker on port 10000, in the test LAN that
// tests/testlan.sh builds, against fakecam cameras on both segments.

#include <arpa/inet.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "qt/main_dlg.h"
#include "qt/message_box.h"
#include "tests/fakecam_process.h"
#include "tests/when_modal.h"

using namespace vantrel;

class MainWindowLanTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CMainDlg> m_window;
    std::unique_ptr<test::FakecamProcess> m_cameraA, m_cameraX, m_cameraB;

    QStringList Lines() {
        auto* list = m_window->findChild<CCameraList*>("cameraList");
        QStringList lines;
        for (int i = 0; i < list->count(); ++i) {
            lines << list->LineText(i);
        }
        lines.sort();
        return lines;
    }

  private slots:
    void init() {
        if (test::Environment("TESTLAN_HOST_NS").empty()) {
            QSKIP("runs inside tests/testlan.sh only");
        }
        CMessageBox::StartRecording();
        const std::string ready = "cameras on UDP port 10000";
        m_cameraA = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_A_NS"),
            std::vector<std::string>{
                "--camera",
                "id=CAMA,name=Front door,ip=10.71.1.20,mask=255.255.255.0,gateway=10.71.1.1,"
                "dns=10.71.1.1,password=alpha",
                "--camera",
                "id=CAMN,name=Loading bay,ip=10.71.1.21,mask=255.255.255.0,app=0.0.0.0"});
        m_cameraX = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_X_NS"),
            std::vector<std::string>{"--camera",
                                     "id=CAMX,name=Lobby,ip=172.29.5.20,mask=255.255.255.0"});
        m_cameraB = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_B_NS"),
            std::vector<std::string>{
                "--camera", "id=CAMB,name=Yard,ip=10.71.2.30,mask=255.255.255.0,port=8080"});
        for (auto* camera : {m_cameraA.get(), m_cameraX.get(), m_cameraB.get()}) {
            QVERIFY(camera->WaitForOutput(ready));
        }
        m_window = std::make_unique<CMainDlg>();
        m_window->show();
        m_window->OnInitDialog();
    }
    void cleanup() {
        m_window.reset();
        m_cameraA.reset();
        m_cameraX.reset();
        m_cameraB.reset();
        CMessageBox::StopRecording();
    }

    void listsEveryCameraWithinOneSearchPeriod() {
        const QStringList expected = {
            "Front door               http://10.71.1.20",
            "Loading bay              appication firmware does not exist, please dbclick to "
            "upgrade it !",
            "Lobby                    subnet does not match, please dbclick to change network "
            "settings !",
            "Yard                     http://10.71.2.30:8080",
        };
        QTRY_COMPARE_WITH_TIMEOUT(Lines(), expected, 3000);
        // A camera that stops answering is gone once it has missed two
        // searches: at most three periods.
        m_cameraB.reset();
        QTRY_COMPARE_WITH_TIMEOUT(Lines().size(), 3, 11000);
        QVERIFY(!Lines().join("\n").contains("Yard"));
        QVERIFY(CMessageBox::TakeRecorded().empty());
    }

    // Empty datagrams, 0xFFFE results, noise of every length and a flood of
    // made-up cameras: the window goes on, the worker goes on searching,
    // and once the flood has aged out the list shows the real cameras.
    void aHostileLanNeitherEndsNorConfusesTheWindow() {
        QTRY_VERIFY_WITH_TIMEOUT(Lines().size() == 4, 3000);
        const QStringList expected = Lines();
        m_cameraB.reset();  // each comes back misbehaving, on the same port
        m_cameraX.reset();
        m_cameraB = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_B_NS"),
            std::vector<std::string>{"--hostile", "--camera",
                                     "id=CAMB,name=Yard,ip=10.71.2.30,mask=255.255.255.0,"
                                     "port=8080"});
        m_cameraX = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_X_NS"),
            std::vector<std::string>{"--flood", "20000", "--flood-ms", "2000", "--camera",
                                     "id=CAMX,name=Lobby,ip=172.29.5.20,mask=255.255.255.0"});
        QVERIFY(m_cameraB->WaitForOutput("sent hostile datagrams"));
        QVERIFY(m_cameraX->WaitForOutput("flood: 20000 replies sent"));
        QTRY_VERIFY_WITH_TIMEOUT(Lines().size() > 4, 3000);  // the flood is listed
        QTRY_COMPARE_WITH_TIMEOUT(Lines(), expected, 15000);
        // Still searching: more searches reach the hostile camera after it.
        const std::size_t searches = m_cameraB->Count("recv search");
        QVERIFY(m_cameraB->WaitForCount("recv search", searches + 1, std::chrono::seconds(5)));
        QVERIFY(CMessageBox::TakeRecorded().empty());
        QVERIFY(m_window->isVisible());
    }

    void showsTheNewAddressOfACameraChangedThroughTheDialog() {
        auto* list = m_window->findChild<CCameraList*>("cameraList");
        QTRY_VERIFY_WITH_TIMEOUT(Lines().size() == 4, 3000);
        const QModelIndexList lines = list->model()->match(
            list->model()->index(0, 0), Qt::DisplayRole, "Front door", -1, Qt::MatchStartsWith);
        QCOMPARE(lines.size(), 1);
        list->setCurrentIndex(lines.front());
        m_window->OnListRightButton({1, 1});
        QObject timers;
        test::WhenModal(&timers, [](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("ipAddressEdit")->setText("10.71.1.77");
            dialog->findChild<QLineEdit*>("passwordEdit")->setText("alpha");
            QTest::mouseClick(dialog->findChild<QPushButton*>("setButton"), Qt::LeftButton);
            if (dialog->isVisible()) {
                static_cast<QDialog*>(dialog)->reject();  // a check failed
            }
        });
        const auto actions = m_window->Menu().actions();
        actions[1]->trigger();  // "Network Settings"
        QTRY_VERIFY_WITH_TIMEOUT(
            Lines().join("\n").contains("Front door               http://10.71.1.77"), 8000);
        QVERIFY(CMessageBox::TakeRecorded().empty());
    }
};

QTEST_MAIN(MainWindowLanTest)
#include "main_window_e2e_test.moc"
