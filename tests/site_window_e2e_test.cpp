// SPDX-License-Identifier: GPL-3.0-or-later
// A whole site from the window, with its real worker on port 10000 in the
// test LAN that tests/testlan.sh builds: twelve cameras out of the box on
// one address, six on each segment, set up first by a range and then by a
// plan, and eight of them upgraded four at a time.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "qt/batch_upgrade_dlg.h"
#include "qt/file_chooser.h"
#include "qt/main_dlg.h"
#include "qt/message_box.h"
#include "qt/site_dlg.h"
#include "res/resource_ids.h"
#include "tests/fakecam_process.h"
#include "tests/when_modal.h"

using namespace vantrel;

namespace {

constexpr int PER_SEGMENT = 6;

// The cameras of one segment, all on the factory address, each with an
// upload side on a port of its own; after an image they restart.
std::vector<std::string> Cameras(char segment) {
    std::vector<std::string> args = {"--upgrade", "--restart-after-upgrade", "1500",
                                     "--upgraded-version", "2.0.0.0"};
    for (int i = 1; i <= PER_SEGMENT; ++i) {
        const std::string name = std::string(1, segment) + std::to_string(i);
        args.push_back("--camera");
        args.push_back("id=SITE" + name + ",name=Mast " + name +
                       ",ip=192.168.1.10,mask=255.255.255.0,gateway=192.168.1.1,"
                       "dns=192.168.1.1,password=pw,system=1.0.0.1,port=" +
                       std::to_string(8000 + i));
    }
    return args;
}

QStringList Column(QTableWidget* table, int column) {
    QStringList cells;
    for (int row = 0; row < table->rowCount(); ++row) {
        cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
    }
    return cells;
}

}  // namespace

class SiteWindowLanTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CMainDlg> m_window;
    std::unique_ptr<test::FakecamProcess> m_segmentA, m_segmentB;
    QTemporaryDir m_files;

    CCameraList* List() { return m_window->findChild<CCameraList*>("cameraList"); }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < List()->count(); ++i) {
            lines << List()->LineText(i);
        }
        lines.sort();
        return lines;
    }
    void SelectAll() {
        List()->setFocus();
        QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
    }
    void Command(int commandId) {
        m_window->OnListRightButton({1, 1});
        m_window->Menu().hide();
        m_window->OnCommand(commandId);
    }
    // Runs the site dialog: what fill does, then Apply, then waits for
    // every row to say "changed".
    void SetUp(const std::function<void(QWidget*)>& fill) {
        QObject timers;
        bool allChanged = false;
        test::WhenModal(&timers, [&](QWidget* modal) {
            const auto closing = qScopeGuard([modal] { static_cast<QDialog*>(modal)->reject(); });
            fill(modal);
            auto* apply = modal->findChild<QPushButton*>("applyButton");
            QTRY_VERIFY_WITH_TIMEOUT(apply->isEnabled(), 8000);
            modal->findChild<QLineEdit*>("passwordEdit")->setText("pw");
            QTest::mouseClick(apply, Qt::LeftButton);
            auto* table = modal->findChild<QTableWidget*>("planTable");
            QTRY_COMPARE_WITH_TIMEOUT(Column(table, 4), QStringList(12, "changed"), 15000);
            allChanged = true;
        });
        SelectAll();
        Command(ID_NETWORK_SETTINGS);
        QVERIFY(allChanged);
    }

  private slots:
    void init() {
        if (test::Environment("TESTLAN_HOST_NS").empty()) {
            QSKIP("runs inside tests/testlan.sh only");
        }
        CMessageBox::StartRecording();
        m_segmentA = std::make_unique<test::FakecamProcess>(test::Environment("TESTLAN_CAM_A_NS"),
                                                            Cameras('A'));
        m_segmentB = std::make_unique<test::FakecamProcess>(test::Environment("TESTLAN_CAM_B_NS"),
                                                            Cameras('B'));
        for (auto* segment : {m_segmentA.get(), m_segmentB.get()}) {
            QVERIFY(segment->WaitForOutput("cameras on UDP port 10000"));
        }
        m_window = std::make_unique<CMainDlg>();
        m_window->show();
        m_window->OnInitDialog();
    }
    void cleanup() {
        m_window.reset();
        m_segmentA.reset();
        m_segmentB.reset();
        CMessageBox::StopRecording();
    }

    void twelveNewCamerasAreSetUpByARangeThenByAPlanAndEightUpgraded() {
        QTRY_COMPARE_WITH_TIMEOUT(Lines().size(), 2 * PER_SEGMENT, 8000);
        QVERIFY(Lines().front().contains("subnet does not match"));

        // A range puts all twelve on the first segment's subnet, in list order.
        SetUp([](QWidget* modal) {
            modal->findChild<QLineEdit*>("firstAddressEdit")->setText("10.71.1.101");
            modal->findChild<QLineEdit*>("maskEdit")->setText("255.255.255.0");
            modal->findChild<QLineEdit*>("gatewayEdit")->setText("10.71.1.1");
        });
        QTRY_VERIFY_WITH_TIMEOUT(Lines().filter("http://10.71.1.1").size() == 12, 8000);

        // Then a plan, as a spreadsheet saves it, puts each segment's
        // cameras on their own segment's subnet.
        const QString plan = m_files.filePath("site.csv");
        {
            std::ofstream file(plan.toStdString(), std::ios::binary);
            file << "\xef\xbb\xbfid,ip,mask,gateway\r\n";
            for (const char segment : {'A', 'B'}) {
                const std::string subnet = segment == 'A' ? "10.71.1." : "10.71.2.";
                for (int i = 1; i <= PER_SEGMENT; ++i) {
                    file << "\"SITE" << segment << i << "\"," << subnet << 120 + i
                         << ",255.255.255.0," << subnet << "1\r\n";
                }
            }
        }
        SetUp([&](QWidget* modal) {
            CFileChooser::SetNextAnswer(plan);
            QTest::mouseClick(modal->findChild<QPushButton*>("loadPlanButton"), Qt::LeftButton);
        });
        QTRY_VERIFY_WITH_TIMEOUT(Lines().filter("http://10.71.2.12").size() == PER_SEGMENT, 8000);
        QVERIFY(CMessageBox::TakeRecorded().empty());

        // The cameras now answer at their new addresses for uploads too.
        for (const char segment : {'A', 'B'}) {
            const std::string ns =
                test::Environment(segment == 'A' ? "TESTLAN_CAM_A_NS" : "TESTLAN_CAM_B_NS");
            const std::string subnet = segment == 'A' ? "10.71.1." : "10.71.2.";
            for (int i = 1; i <= PER_SEGMENT; ++i) {
                const std::string add = "ip -n " + ns + " addr add " + subnet +
                                        std::to_string(120 + i) + "/24 dev eth0";
                QCOMPARE(std::system(add.c_str()), 0);
            }
        }
        // Eight upgraded four at a time: the first four of each segment.
        List()->clearSelection();
        for (int line = 0; line < List()->count(); ++line) {
            const QString text = List()->LineText(line);
            for (int i = 1; i <= 4; ++i) {
                if (text.startsWith(QString("Mast A%1 ").arg(i)) ||
                    text.startsWith(QString("Mast B%1 ").arg(i))) {
                    List()->selectionModel()->select(List()->model()->index(line, 0),
                                                     QItemSelectionModel::Select);
                }
            }
        }
        QCOMPARE(List()->SelectedLines().size(), 8u);
        const QString image = m_files.filePath("system.bin");
        std::ofstream(image.toStdString(), std::ios::binary) << "BNEG" << std::string(1 << 20, 's');
        QObject timers;
        QStringList states;
        test::WhenModal(&timers, [&](QWidget* modal) {
            const auto closing = qScopeGuard([modal] { static_cast<QDialog*>(modal)->reject(); });
            CFileChooser::SetNextAnswer(image);
            QTest::mouseClick(modal->findChild<QPushButton*>("chooseImageButton"), Qt::LeftButton);
            modal->findChild<QLineEdit*>("passwordEdit")->setText("pw");
            modal->findChild<QSpinBox*>("atOnceBox")->setValue(4);
            QTest::mouseClick(modal->findChild<QPushButton*>("upgradeButton"), Qt::LeftButton);
            auto* table = modal->findChild<QTableWidget*>("uploadTable");
            QTRY_VERIFY_WITH_TIMEOUT(Column(table, 4).filter("upgraded: back after").size() == 8,
                                     60000);
            states = Column(table, 4);
        });
        Command(ID_FIRMWARE);
        QCOMPARE(states.size(), 8);
        for (const QString& state : states) {
            QVERIFY2(state.contains("with system firmware 2.0.0.0 (was 1.0.0.1)"),
                     qPrintable(state));
        }
        QVERIFY(CMessageBox::TakeRecorded().empty());
    }
};

QTEST_MAIN(SiteWindowLanTest)
#include "site_window_e2e_test.moc"
