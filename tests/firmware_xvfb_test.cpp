// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware dialog on a real X display during a slow upload, as a
// window manager meets it: it answers every ping, repaints what another
// window uncovers, and does not close when asked to. Runs inside
// tests/testlan.sh under xvfb-run, with fakecam behind a shaped link.

#include <arpa/inet.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "protocol/text_field.h"
#include "qt/firmware_dlg.h"
#include "qt/image_file_chooser.h"
#include "qt/message_box.h"
#include "tests/fakecam_process.h"

extern char** environ;

using namespace vantrel;

namespace {

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

class FirmwareXvfbTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::FakecamProcess> m_camera;
    std::unique_ptr<CFirmwareDlg> m_dialog;
    QTemporaryDir m_files;

    // Runs the probe against the dialog while the event loop goes on; what
    // it printed. posix_spawn, not QProcess: the thread sanitizer forbids a
    // fork's child to start threads, and QProcess's child may.
    QString Probe(int pings, const std::vector<std::string>& extra = {}) {
        const std::string output = m_files.filePath("probe.out").toStdString();
        std::vector<std::string> words = {"/usr/bin/python3", VANTREL_WINDOW_PING,
                                          std::to_string(m_dialog->winId()), std::to_string(pings)};
        words.insert(words.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            return "cannot run the probe";
        }
        // Not a blocking wait: the dialog must go on answering meanwhile.
        QDeadlineTimer deadline(30000);
        while (waitpid(pid, nullptr, WNOHANG) == 0) {
            if (deadline.hasExpired()) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
                return "the probe hung";
            }
            QTest::qWait(20);
        }
        std::ifstream in(output);
        std::string line;
        std::getline(in, line);
        return QString::fromStdString(line);
    }

  private slots:
    void initTestCase() {
        if (test::Environment("TESTLAN_CAM_A_NS").empty() || test::Environment("DISPLAY").empty() ||
            std::system("/usr/bin/python3 -c 'import Xlib' 2>/dev/null") != 0) {
            QSKIP("needs the test LAN, an X display and python3-xlib");
        }
        m_camera = std::make_unique<test::FakecamProcess>(
            test::Environment("TESTLAN_CAM_A_NS"),
            std::vector<std::string>{
                "--upgrade", "--camera",
                "id=CAMA,name=Door,ip=10.71.1.2,mask=255.255.255.0,password=demo"});
        QVERIFY(m_camera->WaitForOutput("cameras on UDP port"));
        QCOMPARE(std::system("tc qdisc replace dev ha root tbf rate 1mbit burst 32kbit "
                             "latency 400ms"),
                 0);
    }
    void cleanupTestCase() {
        std::system("tc qdisc del dev ha root 2>/dev/null");
        m_camera.reset();
    }

    void answersPingsRepaintsAndStaysOpenWhileItUploads() {
        CMessageBox::StartRecording();
        m_dialog = std::make_unique<CFirmwareDlg>();
        StoreFieldText(m_dialog->m_record.id, "CAMA");
        StoreFieldText(m_dialog->m_record.alias, "Door");
        m_dialog->m_record.ip = inet_addr("10.71.1.2");
        m_dialog->m_record.httpPort = htons(80);
        m_dialog->m_record.subnetMatch = 1;
        m_dialog->OnInitDialog();
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        // Before a silence can mean anything, the probe must hear an idle window.
        QCOMPARE(Probe(3), QString("answered 3 of 3"));

        const QString image = m_files.filePath("system.bin");
        std::ofstream(image.toStdString(), std::ios::binary)
            << "BNEG" << std::string(1024 * 1024 - 4, 'x');  // about 9 s at 1 Mbit/s
        m_dialog->findChild<QLineEdit*>("passwordEdit")->setText("demo");
        CImageFileChooser::SetNextAnswer(image);
        m_dialog->findChild<QPushButton*>("upgradeSystemButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_dialog->Uploading(), 5000);

        PaintCounter painted;
        m_dialog->installEventFilter(&painted);
        QCOMPARE(Probe(5, {"--cover", "--close"}), QString("answered 5 of 5"));
        QVERIFY2(painted.paints > 0, "the dialog repainted what the other window uncovered");
        QVERIFY2(m_dialog->isVisible() && m_dialog->Uploading(),
                 "asked to close, the dialog went on uploading");
        m_dialog->removeEventFilter(&painted);

        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), 60000);
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QVERIFY(CMessageBox::TakeRecorded().empty());
        m_dialog.reset();
        CMessageBox::StopRecording();
    }
};

QTEST_MAIN(FirmwareXvfbTest)
#include "firmware_xvfb_test.moc"
