// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/firmware_dlg.h"

#include <arpa/inet.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "protocol/text_field.h"
#include "qt/image_file_chooser.h"
#include "qt/message_box.h"
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
    // The session runs on a thread of its own; "Return" comes back with
    // the dialog's buttons once it has ended.
    void WaitForSession() {
        QTRY_VERIFY_WITH_TIMEOUT(Find<QPushButton>("returnButton")->isEnabled(), 30000);
    }
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
        // A file that is not there, and a folder (it opens, then fails its
        // first read), fail to open; neither is an image with a wrong mark.
        for (const char* button : {"upgradeSystemButton", "upgradeApplicationButton"}) {
            for (const QString& path : {m_files.filePath("missing.bin"), m_files.path()}) {
                CImageFileChooser::SetNextAnswer(path);
                Click(button);
                QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_FILE_OPEN_FAILED});
            }
        }
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
        WaitForSession();
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
        WaitForSession();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    }

    void aWrongPasswordLeavesTheButtonReadyForAnotherTry() {
        StartCamera();
        Find<QLineEdit>("passwordEdit")->setText("guess");
        CImageFileChooser::SetNextAnswer(File("system.bin", "BNEG1234"));
        Click("upgradeSystemButton");
        WaitForSession();
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_INCORRECT_PASSWORD});
        QCOMPARE(m_dialog->result(), 0);
        QVERIFY(Find<QPushButton>("upgradeSystemButton")->isEnabled());
        Find<QLineEdit>("passwordEdit")->setText("secret");
        CImageFileChooser::SetNextAnswer(File("system.bin", "BNEG1234"));
        Click("upgradeSystemButton");
        WaitForSession();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    }

    // Every fault fakecam has, through the dialog: one message, shown while
    // the bar (if the upload had begun) still stands, and undone after it.
    void eachFaultShowsItsMessageOverTheBarThenUndoesIt() {
        using fakecam::UpgradeFault;
        struct Row {
            UpgradeFault fault;
            int message;
            bool barAtMessage;
        };
        const Row rows[] = {
            {UpgradeFault::Silent, IDS_NO_ECHO, false},
            {UpgradeFault::CloseAfterLogin, IDS_DISCONNECTED, false},
            {UpgradeFault::ResetAfterLogin, IDS_DISCONNECTED, false},
            {UpgradeFault::OtherId, IDS_WRONG_CAMERA, false},
            {UpgradeFault::Busy, IDS_CAMERA_BUSY, false},
            {UpgradeFault::RejectPassword, IDS_INCORRECT_PASSWORD, false},
            {UpgradeFault::WrongMagic, IDS_UNKNOWN_ECHO, false},
            {UpgradeFault::WrongOp, IDS_UNKNOWN_ECHO, false},
            {UpgradeFault::ShortReply, IDS_UNKNOWN_ECHO, false},
            {UpgradeFault::CloseMidUpload, IDS_SOCKET_ERROR, true},
        };
        const QString image = File("big.bin", "BNEG" + QByteArray(16 << 20, 'q'));
        for (const Row& row : rows) {
            cleanup();
            init();
            StartCamera(row.fault);
            Find<QLineEdit>("passwordEdit")->setText("secret");
            std::vector<bool> barShown;
            CMessageBox::StartRecording([&](int) {
                barShown.push_back(
                    Find<QProgressBar>("uploadProgressBar")->isVisibleTo(m_dialog.get()) &&
                    !Find<QLineEdit>("passwordEdit")->isVisibleTo(m_dialog.get()));
            });
            CImageFileChooser::SetNextAnswer(image);
            Click("upgradeSystemButton");
            WaitForSession();
            QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{row.message});
            QCOMPARE(barShown, std::vector<bool>{row.barAtMessage});
            QVERIFY(!Find<QProgressBar>("uploadProgressBar")->isVisibleTo(m_dialog.get()));
            QVERIFY(Find<QLabel>("passwordLabel")->isVisibleTo(m_dialog.get()));
            QCOMPARE(m_dialog->result(), 0);
            QVERIFY(m_dialog->isVisible());
        }
    }

    // A camera that stops reading holds the upload for three seconds: the
    // dialog goes on answering, and nothing in it cuts the upload short.
    void theDialogLivesThroughAnUploadAndCannotBreakItOff() {
        StartCamera(fakecam::UpgradeFault::StopReading);
        Find<QLineEdit>("passwordEdit")->setText("secret");
        CImageFileChooser::SetNextAnswer(File("big.bin", "BNEG" + QByteArray(64 << 20, 'q')));
        Click("upgradeSystemButton");
        QTRY_VERIFY_WITH_TIMEOUT(
            m_dialog->Uploading() && Find<QProgressBar>("uploadProgressBar")->isVisible(), 10000);
        QVERIFY(!Find<QPushButton>("upgradeSystemButton")->isEnabled());
        QVERIFY(!Find<QPushButton>("upgradeApplicationButton")->isEnabled());
        QVERIFY(!Find<QPushButton>("returnButton")->isEnabled());
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(50);
        m_dialog->close();  // the close box
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
        m_dialog->reject();
        QTest::qWait(1000);
        QVERIFY(m_dialog->isVisible());
        QVERIFY(m_dialog->Uploading());
        QVERIFY2(ticks >= 10, "the event loop turned during the upload");
        WaitForSession();
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_SOCKET_ERROR});
        QVERIFY(!m_dialog->Uploading());
        QVERIFY(Find<QPushButton>("upgradeSystemButton")->isEnabled());
        m_dialog->reject();
        QVERIFY(!m_dialog->isVisible());
    }
};

QTEST_MAIN(FirmwareDlgTest)
#include "firmware_dlg_test.moc"
