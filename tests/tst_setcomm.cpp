// The link settings dialog: what it shows for the stored settings, which controls it enables,
// what OK stores and what "退出" leaves alone; and its opening from the main window.
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgSetComm.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

void ExpectSerialControlsEnabled(const TFrmSetComm& dialog, bool enabled) {
    QCOMPARE(dialog.cbCommPort->isEnabled(), enabled);
    QCOMPARE(dialog.cbrate->isEnabled(), enabled);
    QCOMPARE(dialog.lblcommPort->isEnabled(), enabled);
    QCOMPARE(dialog.lblBaudRate->isEnabled(), enabled);
}

// Two serial ports present on the machine: two instruments on pseudo-terminals.
class TwoPorts {
public:
    TwoPorts() {
        m_previous = SetSerialPortLister([this] {
            return QList<PresentSerialPort>{
                {usb.devicePath(), QStringLiteral("USB to UART bridge"), 0x10C4, 0xEA60},
                {onboard.devicePath(), QStringLiteral("Onboard UART"), std::nullopt, std::nullopt}};
        });
    }
    ~TwoPorts() { SetSerialPortLister(m_previous); }
    TwoPorts(const TwoPorts&) = delete;
    TwoPorts& operator=(const TwoPorts&) = delete;
    SerialSim usb;
    SerialSim onboard;

private:
    SerialPortLister m_previous;
};

} // namespace

class TstSetComm : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void controlsAndLabels() {
        TFrmSetComm dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("通讯设置"));
        QCOMPARE(dialog.cbCommStyle->count(), 2);
        QCOMPARE(dialog.cbCommStyle->itemText(0), QStringLiteral("USB"));
        QCOMPARE(dialog.cbCommStyle->itemText(1), QStringLiteral("串口"));
        QCOMPARE(dialog.cbCommPort->count(), 16);
        QCOMPARE(dialog.cbCommPort->itemText(0), QStringLiteral("COM1"));
        QCOMPARE(dialog.cbCommPort->itemText(15), QStringLiteral("COM16"));
        const QStringList rates{"300",   "600",   "1200",  "2400",  "4800",   "9600",  "19200",
                                "38400", "43000", "56000", "57600", "115200", "256000"};
        QCOMPARE(dialog.cbrate->count(), rates.size());
        for (int i = 0; i < rates.size(); ++i) {
            QCOMPARE(dialog.cbrate->itemText(i), rates.at(i));
            QCOMPARE(BaudRateFromIndex(i + 1), rates.at(i).toInt()); // the rate the port opens at
        }
        for (QComboBox* list : {dialog.cbCommStyle, dialog.cbCommPort, dialog.cbrate})
            QVERIFY(!list->isEditable());
        // Each list is named by its label, for the keyboard and for screen readers.
        const QList<std::pair<QLabel*, QComboBox*>> labels{{dialog.lblCommStyle, dialog.cbCommStyle},
                                                           {dialog.lblcommPort, dialog.cbCommPort},
                                                           {dialog.lblBaudRate, dialog.cbrate}};
        for (const auto& [label, list] : labels) {
            QCOMPARE(label->buddy(), list);
            QCOMPARE(list->accessibleName(), label->text());
        }
        QCOMPARE(dialog.lblCommStyle->text(), QStringLiteral("通讯方式："));
        QCOMPARE(dialog.lblcommPort->text(), QStringLiteral("串口："));
        QCOMPARE(dialog.lblBaudRate->text(), QStringLiteral("波特率："));
        QCOMPARE(dialog.BtnCancel->text(), QStringLiteral("退出"));
    }

    void presets_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("styleText");
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("baudText");
        QTest::addColumn<bool>("serialEnabled");
        QTest::newRow("defaults") << 0 << 3 << 6 << "USB"
                                  << "COM3"
                                  << "9600" << false;
        QTest::newRow("serial, last entries") << 1 << 16 << 13 << "串口"
                                              << "COM16"
                                              << "256000" << true;
        QTest::newRow("serial, first entries") << 1 << 1 << 1 << "串口"
                                               << "COM1"
                                               << "300" << true;
        QTest::newRow("port and baud out of range") << 1 << 17 << 14 << "串口"
                                                    << ""
                                                    << "" << true;
        QTest::newRow("port and baud zero") << 0 << 0 << 0 << "USB"
                                            << ""
                                            << "" << false;
        QTest::newRow("negative values") << 1 << -5 << int(INT32_MIN) << "串口"
                                         << ""
                                         << "" << true;
    }

    void presets() {
        QFETCH(int, style);
        QFETCH(int, port);
        QFETCH(int, baud);
        QFETCH(QString, styleText);
        QFETCH(QString, portText);
        QFETCH(QString, baudText);
        QFETCH(bool, serialEnabled);
        giCommStyle = style;
        giCommPort = port;
        giBaudRate = baud;
        TFrmSetComm dialog;
        QCOMPARE(dialog.cbCommStyle->currentText(), styleText);
        QCOMPARE(dialog.cbCommPort->currentText(), portText);
        QCOMPARE(dialog.cbrate->currentText(), baudText);
        ExpectSerialControlsEnabled(dialog, serialEnabled);
    }

    void choosingTheLinkEnablesTheSerialControls() {
        TFrmSetComm dialog;
        ExpectSerialControlsEnabled(dialog, false);
        dialog.cbCommStyle->setCurrentIndex(1);
        ExpectSerialControlsEnabled(dialog, true);
        dialog.cbCommPort->setCurrentIndex(6);
        dialog.cbCommStyle->setCurrentIndex(0);
        ExpectSerialControlsEnabled(dialog, false);
        QCOMPARE(dialog.cbCommPort->currentText(), QStringLiteral("COM7")); // kept while disabled
    }

    void okStoresTheSelections_data() {
        QTest::addColumn<int>("storedPort");
        QTest::addColumn<int>("storedBaud");
        QTest::addColumn<int>("chosenStyle");
        QTest::addColumn<int>("chosenPort"); // -1: leave the list as preset
        QTest::addColumn<int>("chosenBaud");
        QTest::addColumn<int>("expectedPort");
        QTest::addColumn<int>("expectedBaud");
        QTest::newRow("serial COM5 at 43000") << 3 << 6 << 1 << 4 << 8 << 5 << 9;
        QTest::newRow("USB keeps the serial choices too") << 3 << 6 << 0 << 15 << 12 << 16 << 13;
        QTest::newRow("nothing selected stores 0") << 20 << 99 << 1 << -1 << -1 << 0 << 0;
    }

    void okStoresTheSelections() {
        QFETCH(int, storedPort);
        QFETCH(int, storedBaud);
        QFETCH(int, chosenStyle);
        QFETCH(int, chosenPort);
        QFETCH(int, chosenBaud);
        QFETCH(int, expectedPort);
        QFETCH(int, expectedBaud);
        giCommPort = storedPort;
        giBaudRate = storedBaud;
        TFrmSetComm dialog;
        dialog.cbCommStyle->setCurrentIndex(chosenStyle);
        if (chosenPort >= 0)
            dialog.cbCommPort->setCurrentIndex(chosenPort);
        if (chosenBaud >= 0)
            dialog.cbrate->setCurrentIndex(chosenBaud);
        QTest::mouseClick(dialog.BtnOK, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(giCommStyle, chosenStyle);
        QCOMPARE(giCommPort, expectedPort);
        QCOMPARE(giBaudRate, expectedBaud);
    }

    void cancelChangesNothing() {
        giCommStyle = 1;
        giCommPort = 4;
        giBaudRate = 7;
        TFrmSetComm dialog;
        dialog.cbCommStyle->setCurrentIndex(0);
        dialog.cbCommPort->setCurrentIndex(10);
        dialog.cbrate->setCurrentIndex(2);
        QTest::mouseClick(dialog.BtnCancel, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(giCommStyle, 1);
        QCOMPARE(giCommPort, 4);
        QCOMPARE(giBaudRate, 7);
    }

    // The device beside the COM number, the present ports with their ids, an assignment that the
    // next exchange uses at once and the settings file receives only when it is saved.
    void presentPortsCanBeAssigned() {
        TempProgramDir dir;
        TwoPorts ports;
        QVERIFY(ports.usb.ok() && ports.onboard.ok());
        const QString missing = dir.filePath(QStringLiteral("ttyUSB7"));
        ProfileFile ini(SettingsFilePath());
        ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM5"), missing);
        QVERIFY(ini.save());
        const QByteArray before = FileBytes(SettingsFilePath());
        giCommStyle = 1;
        giCommPort = 5;
        TFrmSetComm dialog;
        QCOMPARE(dialog.lblPortDevice->text(), QStringLiteral("无此设备"));
        QCOMPARE(dialog.cbCommPort->itemData(4, Qt::ToolTipRole).toString(), QStringLiteral("无此设备"));
        QCOMPARE(dialog.cbPresentPorts->count(), 2);
        QCOMPARE(dialog.cbPresentPorts->itemText(0),
                 ports.usb.devicePath() + QStringLiteral(" — USB to UART bridge (10C4:EA60)"));
        QCOMPARE(dialog.cbPresentPorts->itemText(1),
                 ports.onboard.devicePath() + QStringLiteral(" — Onboard UART"));
        QVERIFY(dialog.BtnAssignPort->isEnabled());

        dialog.cbPresentPorts->setCurrentIndex(1);
        QTest::mouseClick(dialog.BtnAssignPort, Qt::LeftButton);
        QCOMPARE(dialog.lblPortDevice->text(), ports.onboard.devicePath());
        QCOMPARE(dialog.cbCommPort->itemData(4, Qt::ToolTipRole).toString(), ports.onboard.devicePath());
        QCOMPARE(dialog.cbCommPort->currentText(), QStringLiteral("COM5"));
        QTest::mouseClick(dialog.BtnOK, Qt::LeftButton);
        QCOMPARE(giCommPort, 5);

        CommandBuffer buffer{cmdIdentify};
        QVERIFY(SendCommand(cmdIdentify, buffer, 2, 1));
        QCOMPARE(ports.onboard.requestCodes(), QList<uint8_t>{cmdIdentify});
        QVERIFY(ports.usb.requests().isEmpty());
        QCOMPARE(FileBytes(SettingsFilePath()), before);

        QVERIFY(SaveSettings());
        const QByteArray saved = FileBytes(SettingsFilePath());
        QVERIFY(saved.startsWith("[SerialPorts]\r\nCOM5=" + ports.onboard.devicePath().toUtf8() + "\r\n"));
        QCOMPARE(saved.count("COM5="), 1);
    }

    void cancelDropsTheAssignment() {
        TempProgramDir dir;
        TwoPorts ports;
        giCommStyle = 1;
        TFrmSetComm dialog;
        QTest::mouseClick(dialog.BtnAssignPort, Qt::LeftButton);
        QCOMPARE(dialog.lblPortDevice->text(), ports.usb.devicePath());
        QTest::mouseClick(dialog.BtnCancel, Qt::LeftButton);
        QVERIFY(gSerialPortAssignments.isEmpty());
        QVERIFY(SaveSettings());
        QVERIFY(!FileBytes(SettingsFilePath()).contains("SerialPorts"));
    }

    // Opened from the main window as a modal dialog; switching the link leaves the buttons as the
    // last connect left them.
    void openedFromTheMainWindow() {
        TempProgramDir dir;
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        gbDeviceConnected = true;
        window.UpdateButtons();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TFrmSetComm*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QCOMPARE(dialog->parentWidget(), &window);
            dialog->cbCommStyle->setCurrentIndex(1);
            dialog->cbCommPort->setCurrentIndex(1);
            QTest::mouseClick(dialog->BtnOK, Qt::LeftButton);
        });
        QTest::mouseClick(window.BtnSetComm, Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(giCommStyle, 1);
        QCOMPARE(giCommPort, 2);
        QVERIFY(window.BtnSampleData->isEnabled());
        QVERIFY(window.BtnClearData->isEnabled());
        QVERIFY(window.BtnTest->isEnabled());
    }
};

QTEST_MAIN(TstSetComm)
#include "tst_setcomm.moc"
