// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/firmware_dlg.h"

#include <arpa/inet.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "dialogs/image_file_chooser.h"
#include "dialogs/message_box.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "tools/fakecam/upgrade_listener.h"

using namespace vantrel;

namespace {

int OpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator{}));
}

}  // namespace

class FirmwareDlgTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;
    std::unique_ptr<CFirmwareDlg> m_dialog;
    std::unique_ptr<fakecam::CUpgradeListener> m_camera;
    std::atomic<bool> m_stop{false};
    std::thread m_serving;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_log{std::fopen("/dev/null", "w"),
                                                          &std::fclose};

    template <typename T>
    T* Find(const char* name) {
        return m_dialog->findChild<T*>(name);
    }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    QString File(const char* name, const QByteArray& bytes) {
        const QString path = m_files.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary).write(bytes.data(), bytes.size());
        return path;
    }
    void StartCamera(fakecam::UpgradeFault fault = fakecam::UpgradeFault::None) {
        CameraRecord camera = m_dialog->m_record;
        camera.httpPort = 0;
        fakecam::UpgradeOptions options;
        options.bindAddress = htonl(INADDR_LOOPBACK);
        options.fault = fault;
        options.keepImage = true;
        m_camera = std::make_unique<fakecam::CUpgradeListener>(camera, options, m_log.get());
        QVERIFY(m_camera->Open());
        m_dialog->m_record.httpPort = htons(m_camera->Port());
        m_serving = std::thread([this] { m_camera->Run(m_stop); });
    }

  private slots:
    void init() {
        CMessageBox::StartRecording();
        m_dialog = std::make_unique<CFirmwareDlg>();
        CameraRecord& record = m_dialog->m_record;
        StoreFieldText(record.id, "CAM1");
        StoreFieldText(record.alias, "Door");
        StoreFieldText(record.password, "secret");  // the camera's own, for fakecam
        record.ip = htonl(INADDR_LOOPBACK);
        const std::uint8_t system[4] = {1, 2, 3, 4};
        std::memcpy(&record.systemVersion, system, 4);
        record.appVersion = 0;
        record.subnetMatch = 1;
        m_dialog->OnInitDialog();
        m_dialog->show();
        m_stop = false;
    }
    void cleanup() {
        m_stop = true;
        if (m_serving.joinable()) {
            m_serving.join();
        }
        m_camera.reset();
        m_dialog.reset();
        CMessageBox::StopRecording();
    }

    void theDialogIsWideEnoughForItsWholeTitle() {
        StoreFieldText(m_dialog->m_record.alias, "WWWWWWWWWWWWWWWWWWWWW");
        m_dialog->OnInitDialog();
        QFont bold = m_dialog->font();
        bold.setBold(true);
        const int title = QFontMetrics(bold).horizontalAdvance(m_dialog->windowTitle());
        QTRY_VERIFY(m_dialog->width() >= title + 100);
    }

    void showsTheVersionsAndBlocksAForeignSubnet() {
        QCOMPARE(m_dialog->windowTitle(), QString("Door Firmware Version & Upgrade"));
        QCOMPARE(Find<QLineEdit>("systemVersionEdit")->text(), QString("1.2.3.4"));
        QCOMPARE(Find<QLineEdit>("appVersionEdit")->text(), QString("0.0.0.0"));
        QVERIFY(!Find<QLineEdit>("systemVersionEdit")->isEnabled());
        QVERIFY(Find<QPushButton>("upgradeSystemButton")->isEnabled());
        QVERIFY(!Find<QProgressBar>("uploadProgressBar")->isVisible());

        m_dialog->m_record.subnetMatch = 0;
        m_dialog->OnInitDialog();
        QVERIFY(!Find<QLineEdit>("passwordEdit")->isEnabled());
        QVERIFY(!Find<QPushButton>("upgradeSystemButton")->isEnabled());
        QVERIFY(!Find<QPushButton>("upgradeApplicationButton")->isEnabled());
        QVERIFY(Find<QLabel>("passwordLabel")->isEnabled());
        QVERIFY(Find<QPushButton>("returnButton")->isEnabled());
    }

    void aCancelledChoiceStillCutsThePassword() {
        Find<QLineEdit>("passwordEdit")->setText("abcdefghijklmn");
        CImageFileChooser::SetNextAnswer(std::nullopt);
        Click("upgradeApplicationButton");
        QCOMPARE(Find<QLineEdit>("passwordEdit")->text(), QString("abcdefghijk"));
        QCOMPARE(QByteArray(m_dialog->m_record.password), QByteArray("abcdefghijk"));
        QVERIFY(CMessageBox::TakeRecorded().empty());
        QCOMPARE(m_dialog->result(), 0);
    }

    void testsEachImagesMarkAndClosesTheFile() {
        const QByteArray app = QByteArray(8, 'x') + "UPGRADE APP_WARE FILE";
        struct Row {
            const char* button;
            QByteArray bytes;
            int message;
        };
        const Row rows[] = {
            {"upgradeSystemButton", "BNE", IDS_BAD_SYSTEM_IMAGE},
            {"upgradeSystemButton", "bneg", IDS_BAD_SYSTEM_IMAGE},
            {"upgradeSystemButton", app, IDS_BAD_SYSTEM_IMAGE},
            {"upgradeApplicationButton", app.left(28), IDS_BAD_APP_IMAGE},
            {"upgradeApplicationButton", QByteArray("BNEG") + QByteArray(40, 0), IDS_BAD_APP_IMAGE},
        };
        const int before = OpenDescriptors();
        for (const Row& row : rows) {
            CImageFileChooser::SetNextAnswer(File("image.bin", row.bytes));
            Click(row.button);
            QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{row.message});
        }
        CImageFileChooser::SetNextAnswer(m_files.filePath("missing.bin"));
        Click("upgradeSystemButton");
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_FILE_OPEN_FAILED});
        QCOMPARE(OpenDescriptors(), before);
        QVERIFY(m_dialog->isVisible());
    }

    void uploadsAnImageAndEndsWithOk() {
        StartCamera();
        Find<QLineEdit>("passwordEdit")->setText("secret");
        const QByteArray image =
            QByteArray(8, 'a') + "UPGRADE APP_WARE FILE" + QByteArray(3000, 'z');
        CImageFileChooser::SetNextAnswer(File("app.bin", image));
        Click("upgradeApplicationButton");
        QVERIFY(CMessageBox::TakeRecorded().empty());
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QVERIFY(!Find<QProgressBar>("uploadProgressBar")->isVisibleTo(m_dialog.get()));
        QVERIFY(Find<QLineEdit>("passwordEdit")->isVisibleTo(m_dialog.get()));
        const auto upload = m_camera->WaitForUpload(5000);
        QVERIFY(upload && upload->complete);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(upload->image.data()),
                            static_cast<int>(upload->image.size())),
                 image);
        // "BNEG" and nothing else is a whole system image.
        m_dialog->setResult(0);
        CImageFileChooser::SetNextAnswer(File("system.bin", "BNEG"));
        Click("upgradeSystemButton");
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    }

    void aWrongPasswordLeavesTheButtonReadyForAnotherTry() {
        StartCamera();
        Find<QLineEdit>("passwordEdit")->setText("guess");
        CImageFileChooser::SetNextAnswer(File("system.bin", "BNEG1234"));
        Click("upgradeSystemButton");
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_INCORRECT_PASSWORD});
        QCOMPARE(m_dialog->result(), 0);
        Find<QLineEdit>("passwordEdit")->setText("secret");
        CImageFileChooser::SetNextAnswer(File("system.bin", "BNEG1234"));
        Click("upgradeSystemButton");
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    }

    void aBrokenUploadShowsItsMessageOverTheBarThenUndoesIt() {
        StartCamera(fakecam::UpgradeFault::CloseMidUpload);
        Find<QLineEdit>("passwordEdit")->setText("secret");
        bool barShown = false;
        CMessageBox::StartRecording([&](int) {
            barShown = Find<QProgressBar>("uploadProgressBar")->isVisibleTo(m_dialog.get()) &&
                       !Find<QLineEdit>("passwordEdit")->isVisibleTo(m_dialog.get());
        });
        CImageFileChooser::SetNextAnswer(File("big.bin", "BNEG" + QByteArray(16 << 20, 'q')));
        Click("upgradeSystemButton");
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_SOCKET_ERROR});
        QVERIFY(barShown);
        QVERIFY(!Find<QProgressBar>("uploadProgressBar")->isVisibleTo(m_dialog.get()));
        QVERIFY(Find<QLabel>("passwordLabel")->isVisibleTo(m_dialog.get()));
        QCOMPARE(m_dialog->result(), 0);
    }
};

QTEST_MAIN(FirmwareDlgTest)
#include "firmware_dlg_test.moc"
