// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/network_dlg.h"

#include <arpa/inet.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "qt/message_box.h"
#include "res/string_table.h"

using namespace vantrel;

namespace {

CameraRecord Door() {
    CameraRecord record{};
    std::memcpy(record.id, "CAM1", 4);
    std::memcpy(record.alias, "Door", 4);
    record.ip = inet_addr("192.168.1.20");
    record.mask = inet_addr("255.255.255.0");
    record.gateway = inet_addr("192.168.1.1");
    record.dns = inet_addr("192.168.1.2");
    record.httpPort = htons(8080);
    record.appVersion = 0x01020304;
    record.subnetMatch = 1;
    record.seen = 1;
    return record;
}

}  // namespace

class NetworkDlgTest : public QObject {
    Q_OBJECT

    CNetworkDlg* m_dialog = nullptr;

    QLineEdit* Edit(const char* name) { return m_dialog->findChild<QLineEdit*>(name); }
    QCheckBox* Dhcp() { return m_dialog->findChild<QCheckBox*>("dhcpCheckBox"); }
    void Set() {
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("setButton"), Qt::LeftButton);
    }
    bool RecordIs(const CameraRecord& expected) {
        return std::memcmp(&expected, &m_dialog->m_record, sizeof expected) == 0;
    }

  private slots:
    void init() {
        CMessageBox::StartRecording();
        m_dialog = new CNetworkDlg;
        m_dialog->m_record = Door();
        m_dialog->OnInitDialog();
        m_dialog->show();
    }
    void cleanup() {
        delete m_dialog;
        CMessageBox::StopRecording();
    }

    void showsTheRecordInHostOrder() {
        QCOMPARE(m_dialog->windowTitle(), QString("Door Network Settings"));
        QCOMPARE(Edit("ipAddressEdit")->text(), QString("192.168.1.20"));
        QCOMPARE(Edit("subnetMaskEdit")->text(), QString("255.255.255.0"));
        QCOMPARE(Edit("gatewayEdit")->text(), QString("192.168.1.1"));
        QCOMPARE(Edit("dnsServerEdit")->text(), QString("192.168.1.2"));
        QCOMPARE(Edit("httpPortEdit")->text(), QString("8080"));
        QCOMPARE(Edit("passwordEdit")->text(), QString());
        QVERIFY(!Dhcp()->isChecked());
        QCOMPARE(Edit("passwordEdit")->echoMode(), QLineEdit::Password);
    }

    void aNameFillingItsFieldIsShownWhole() {
        std::memcpy(m_dialog->m_record.alias, "ABCDEFGHIJKLMNOPQRSTU", 21);
        m_dialog->OnInitDialog();
        QCOMPARE(m_dialog->windowTitle(), QString("ABCDEFGHIJKLMNOPQRSTU Network Settings"));
    }

    void tabGoesThroughTheFieldsTopToBottom() {
        QStringList order;
        QWidget* widget = Edit("ipAddressEdit");
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(m_dialog) &&
                !widget->objectName().isEmpty()) {
                order << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget != Edit("ipAddressEdit") && order.size() < 20);
        QCOMPARE(order, (QStringList{"ipAddressEdit", "subnetMaskEdit", "gatewayEdit",
                                     "dnsServerEdit", "httpPortEdit", "passwordEdit",
                                     "dhcpCheckBox", "setButton", "returnButton"}));
    }

    void theDialogIsWideEnoughForItsWholeTitle() {
        const int narrow = m_dialog->width();
        std::memcpy(m_dialog->m_record.alias, "WWWWWWWWWWWWWWWWWWWWW", 21);
        m_dialog->OnInitDialog();
        QFont bold = m_dialog->font();
        bold.setBold(true);
        const int title = QFontMetrics(bold).horizontalAdvance(m_dialog->windowTitle());
        QTRY_VERIFY(m_dialog->width() >= title + 100);
        QVERIFY(m_dialog->width() > narrow);
    }

    void dhcpOffBringsBackTheOpenedValues() {
        Edit("httpPortEdit")->setText("9090");
        Edit("ipAddressEdit")->setText("10.0.0.9");
        QTest::mouseClick(Dhcp(), Qt::LeftButton);
        QVERIFY(Dhcp()->isChecked());
        for (const char* name :
             {"ipAddressEdit", "subnetMaskEdit", "gatewayEdit", "dnsServerEdit"}) {
            QVERIFY(!Edit(name)->isEnabled());
            QCOMPARE(Edit(name)->text(), QString("0.0.0.0"));
        }
        QVERIFY(Edit("httpPortEdit")->isEnabled());
        QCOMPARE(Edit("httpPortEdit")->text(), QString("9090"));
        QTest::mouseClick(Dhcp(), Qt::LeftButton);
        QVERIFY(Edit("ipAddressEdit")->isEnabled());
        QCOMPARE(Edit("ipAddressEdit")->text(), QString("192.168.1.20"));
        QCOMPARE(Edit("httpPortEdit")->text(), QString("8080"));
    }

    void setUnderDhcpStoresZerosAndTheNewPort() {
        QTest::mouseClick(Dhcp(), Qt::LeftButton);
        Edit("httpPortEdit")->setText("8081");
        Set();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        const CameraRecord& record = m_dialog->m_record;
        QCOMPARE(record.ip | record.mask | record.gateway | record.dns, 0u);
        QCOMPARE(record.httpPort, htons(8081));
        QCOMPARE(QByteArray(record.id), QByteArray("CAM1"));
        QVERIFY(CMessageBox::TakeRecorded().empty());
    }

    void aFailedCheckKeepsTheDialogOpenAndTheRecordUntouched() {
        const CameraRecord before = m_dialog->m_record;
        Edit("httpPortEdit")->setText("75536");
        Set();
        QCOMPARE(Edit("httpPortEdit")->text(), QString("10000"));
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_HTTP_PORT_INVALID});
        Edit("httpPortEdit")->setText("8080");
        Edit("gatewayEdit")->setText("192.168.2.1");
        Set();
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_GATEWAY_INVALID});
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), 0);
        QVERIFY(RecordIs(before));
        QCOMPARE(Edit("gatewayEdit")->text(), QString("192.168.2.1"));
    }

    void aLongPasswordIsStoredAsElevenCharacters() {
        Edit("passwordEdit")->setText("abcdefghijkl");
        Edit("ipAddressEdit")->setText("192.168.1.30");
        Set();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(std::memcmp(m_dialog->m_record.password, "abcdefghijk\0\0", 13), 0);
        QCOMPARE(Edit("passwordEdit")->text(), QString("abcdefghijk"));
        QCOMPARE(m_dialog->m_record.ip, inet_addr("192.168.1.30"));
    }

    void typedAddressesAreReadAsDecimalAndShortFormsRefused() {
        // What an installer types into a zero-padded list: decimal.
        Edit("ipAddressEdit")->clear();
        QTest::keyClicks(Edit("ipAddressEdit"), "192.168.1.010");
        Edit("gatewayEdit")->clear();
        QTest::keyClicks(Edit("gatewayEdit"), "192.168.1");
        Set();
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_GATEWAY_INVALID});
        QCOMPARE(m_dialog->m_record.ip, inet_addr("192.168.1.20"));  // nothing stored
        QTest::keyClicks(Edit("gatewayEdit"), "x.1");
        QCOMPARE(Edit("gatewayEdit")->text(), QString("192.168.1.1"));  // no letter typed
        Set();
        QVERIFY(CMessageBox::TakeRecorded().empty());
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(m_dialog->m_record.ip, htonl(0xc0a8010a));  // 192.168.1.10, not .8
        QCOMPARE(Edit("ipAddressEdit")->text(), QString("192.168.1.010"));
    }

    void enterPressesSet() {
        Edit("httpPortEdit")->setText("0");
        QTest::keyClick(Edit("httpPortEdit"), Qt::Key_Return);
        QCOMPARE(CMessageBox::TakeRecorded(), std::vector<int>{IDS_HTTP_PORT_INVALID});
        QVERIFY(m_dialog->isVisible());
    }

    void returnAndEscapeLeaveTheRecordAsItWas() {
        const CameraRecord before = m_dialog->m_record;
        Edit("ipAddressEdit")->setText("10.9.9.9");
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("returnButton"), Qt::LeftButton);
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
        QVERIFY(RecordIs(before));
        m_dialog->show();
        QTest::keyClick(m_dialog, Qt::Key_Escape);
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(RecordIs(before));
    }
};

QTEST_MAIN(NetworkDlgTest)
#include "network_dlg_test.moc"
