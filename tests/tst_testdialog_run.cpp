// The live test dialog running a test on the virtual instrument: start, the poll timer and
// every status it acts on, the poll limit, and saving results into the main window's grid.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgTest.h"
#include "ui/UMain.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

namespace {

const QString kCommFailed = QStringLiteral("通讯失败！");

// A contact of 120.0 µΩ: at 100 A the instrument ends with 100.0 A, 12.0 mV and 120.0 uΩ.
SimSetup Contact(std::initializer_list<int> steps = {1, 7}) {
    SimSetup setup;
    setup.stepFlags = SimSetup::steps(steps);
    setup.testMicroOhmTenths = 1200;
    return setup;
}

QPointer<TFrmTest> OpenDialog(TFrmMain* main = nullptr) {
    QPointer<TFrmTest> dialog = new TFrmTest(main);
    dialog->show();
    return dialog;
}

QList<QByteArray> FramesOf(const SimFixture& sim, uint8_t code) {
    QList<QByteArray> frames;
    for (const QByteArray& frame : sim.requests()) {
        if (uint8_t(frame.at(0)) == code)
            frames.append(frame);
    }
    return frames;
}

QStringList Readings(const TFrmTest* dialog) {
    return {dialog->EdtCurrent->text(), dialog->EdtVolt->text(), dialog->EdtRes->text()};
}

// Whether the step list, the time box and "测试" are all enabled; false as well when mixed.
bool ParamsEnabled(const TFrmTest* dialog) {
    return dialog->CBCurrentStep->isEnabled() && dialog->cbTestTime->isEnabled() &&
           dialog->BtnTest->isEnabled();
}

bool ParamsDisabled(const TFrmTest* dialog) {
    return !dialog->CBCurrentStep->isEnabled() && !dialog->cbTestTime->isEnabled() &&
           !dialog->BtnTest->isEnabled();
}

} // namespace

class TstTestDialogRun : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void testPolledByTheTimerOverTheSerialLink() {
        TempProgramDir dir;
        MessageRecorder messages;
        SerialSim sim(Contact());
        QVERIFY(sim.ok());
        sim.pointProgramAt(3);
        iTestTime = 5;
        QPointer<TFrmTest> dialog = OpenDialog();
        QCOMPARE(dialog->CBCurrentStep->currentText(), QStringLiteral("100 A"));
        sim.clearRequests();

        dialog->BtnTest->click();
        const QByteArray start = QByteArray(1, char(cmdStartTest)).append(char(5)).append(char(1));
        QCOMPARE(sim.requests(), QList<QByteArray>{start});
        QVERIFY(ParamsDisabled(dialog));
        QVERIFY(dialog->Timer1->isActive());
        QVERIFY(dialog->PBar->isVisible());
        QCOMPARE(dialog->PBar->value(), 0);

        // Five seconds of running polls, then the final one; the controls come back after it.
        QTRY_VERIFY_WITH_TIMEOUT(dialog->BtnTest->isEnabled(), 30000);
        QCOMPARE(FramesOf(sim, cmdPollTest).size(), 6);
        QCOMPARE(Readings(dialog), (QStringList{"100.0 A", "12.0 mV", "120.0 uΩ"}));
        QCOMPARE(dialog->PollCount, 5);
        QVERIFY(!dialog->PBar->isVisible());
        QVERIFY(!dialog->Timer1->isActive());
        QVERIFY(ParamsEnabled(dialog));
        QCOMPARE(dialog->ListBox1->count(), 19);
        QCOMPARE(dialog->ListBox1->item(18)->text(), QStringLiteral("(18)--83"));
        QVERIFY(messages.messages.isEmpty());
        delete dialog;
    }

    void everyPollOfARun() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        iTestTime = 5;
        QPointer<TFrmTest> dialog = OpenDialog();
        dialog->CBCurrentStep->setCurrentText(QStringLiteral("30 A"));
        dialog->BtnTest->click();
        QCOMPARE(usb.instrument().testParams(), (std::pair<uint8_t, uint8_t>{5, 7}));

        QStringList previous;
        for (int poll = 1; poll <= 5; ++poll) {
            dialog->Timer1Timer();
            QCOMPARE(dialog->PollCount, poll);
            QCOMPARE(dialog->PBar->value(), poll);
            QVERIFY(dialog->PBar->isVisible());
            QVERIFY(dialog->Timer1->isActive());
            QVERIFY(ParamsDisabled(dialog));
            const QStringList live = Readings(dialog);
            QVERIFY(!live.contains(QString()));
            QVERIFY(live != previous); // the readings follow the instrument
            previous = live;
        }
        // The final poll: its readings stand for a second before the controls return. The window
        // stays alive meanwhile, but no new test gets in.
        QStringList duringPause;
        bool disabledDuringPause = false;
        QTimer::singleShot(std::chrono::milliseconds(300), dialog.data(), [&] {
            duringPause = Readings(dialog);
            disabledDuringPause = ParamsDisabled(dialog);
            QTest::mouseClick(dialog->BtnTest, Qt::LeftButton);
        });
        usb.clearRequests();
        QElapsedTimer pause;
        pause.start();
        dialog->Timer1Timer();
        QVERIFY(pause.elapsed() >= 1000);
        QCOMPARE(duringPause, (QStringList{"30.0 A", "3.6 mV", "120.0 uΩ"}));
        QVERIFY(disabledDuringPause);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(usb.requestCodes(), QList<uint8_t>{cmdPollTest});
        QCOMPARE(Readings(dialog), (QStringList{"30.0 A", "3.6 mV", "120.0 uΩ"}));
        QCOMPARE(dialog->PollCount, 5);
        QVERIFY(!dialog->PBar->isVisible());
        QVERIFY(!dialog->Timer1->isActive());
        QVERIFY(ParamsEnabled(dialog));
        QVERIFY(messages.messages.isEmpty());
        delete dialog;
    }

    // A close asked for while the final readings stand is not lost: it is carried out when the
    // pause ends, through the same check as any close (invalid inputs keep the dialog open).
    void closeDuringThePauseIsCarriedOutAfterIt_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("deviceNumber");
        QTest::addColumn<bool>("closes");
        QTest::newRow("退出") << "button"
                              << "QF1" << true;
        QTest::newRow("Esc") << "escape"
                             << "QF1" << true;
        QTest::newRow("close box") << "close"
                                   << "QF1" << true;
        QTest::newRow("退出 with 21 characters") << "button" << QString(21, QLatin1Char('x')) << false;
    }

    void closeDuringThePauseIsCarriedOutAfterIt() {
        QFETCH(QString, route);
        QFETCH(QString, deviceNumber);
        QFETCH(bool, closes);
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        iTestTime = 5;
        QPointer<TFrmTest> dialog = OpenDialog();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
        dialog->BtnTest->click();
        SimFaults finished;
        finished.pollStatus = 0x83;
        usb.setFaults(finished);

        bool openAfterRequest = false;
        QTimer::singleShot(std::chrono::milliseconds(300), dialog.data(), [&] {
            dialog->EdtDeviceNum->setText(deviceNumber);
            if (route == QLatin1String("button"))
                QTest::mouseClick(dialog->BtnCancel, Qt::LeftButton);
            else if (route == QLatin1String("escape"))
                QTest::keyClick(dialog.data(), Qt::Key_Escape);
            else
                dialog->close();
            openAfterRequest = dialog->isVisible();
        });
        QElapsedTimer pause;
        pause.start();
        dialog->Timer1Timer();
        QVERIFY(pause.elapsed() >= 1000);
        QVERIFY(openAfterRequest); // held during the pause
        if (closes) {
            QTRY_VERIFY(dialog.isNull() || !dialog->isVisible());
            QVERIFY(messages.messages.isEmpty());
            QCOMPARE(strDevice, deviceNumber);
            QTRY_VERIFY(dialog.isNull()); // and freed
        } else {
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(messages.texts().size(), 1);
            QVERIFY(
                messages.texts().constFirst().startsWith(QStringLiteral("“设备编号”字符数应在20个字符以内")));
            QCOMPARE(QApplication::focusWidget(), dialog->EdtDeviceNum);
            delete dialog;
        }
    }

    void statusOfAPoll_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("readings"); // "cleared", "shown" (the status reply's) or "kept"
        QTest::addColumn<bool>("ended");
        QTest::addColumn<bool>("polling");
        QTest::addColumn<bool>("progressShown");
        QTest::addColumn<int>("polls");
        QTest::newRow("0x81 wiring error") << 0x81 << "接线错误！"
                                           << "cleared" << true << false << false << 1;
        QTest::newRow("0x82 over range") << 0x82 << "超量程！"
                                         << "cleared" << true << false << false << 1;
        QTest::newRow("0x83 finished") << 0x83 << ""
                                       << "shown" << true << false << false << 1;
        QTest::newRow("0x88 running") << 0x88 << ""
                                      << "shown" << false << true << true << 2;
        QTest::newRow("other status stalls") << 0x85 << ""
                                             << "kept" << false << false << true << 2;
    }
    void statusOfAPoll() {
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, readings);
        QFETCH(bool, ended);
        QFETCH(bool, polling);
        QFETCH(bool, progressShown);
        QFETCH(int, polls);
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        dialog->BtnTest->click();
        dialog->Timer1Timer(); // a first running poll with live readings
        const QStringList live = Readings(dialog);
        QVERIFY(!live.contains(QString()));

        SimFaults faults;
        faults.pollStatus = uint8_t(status);
        usb.setFaults(faults);
        dialog->Timer1Timer();

        if (message.isEmpty()) {
            QVERIFY(messages.messages.isEmpty());
        } else {
            QCOMPARE(messages.texts(), QStringList{message});
            QCOMPARE(messages.messages.first().icon, MsgIcon::Warning);
            QCOMPARE(messages.messages.first().caption, QStringLiteral("回路电阻测试仪2.1"));
        }
        if (readings == "cleared")
            QCOMPARE(Readings(dialog), (QStringList{"", "", ""}));
        else if (readings == "shown")
            QCOMPARE(Readings(dialog), (QStringList{"0.0 A", "0.0 mV", "0.0 uΩ"}));
        else
            QCOMPARE(Readings(dialog), live);
        QVERIFY(ended ? ParamsEnabled(dialog) : ParamsDisabled(dialog));
        QCOMPARE(dialog->Timer1->isActive(), polling);
        QCOMPARE(dialog->PBar->isVisible(), progressShown);
        QCOMPARE(dialog->PollCount, polls);
        QCOMPARE(dialog->ListBox1->item(18)->text(), ByteTraceLine(18, uint8_t(status)));

        // Saving and closing stay possible in every state.
        messages.clear();
        QVERIFY(dialog->close());
        QVERIFY(!dialog->Timer1->isActive());
        QVERIFY(messages.messages.isEmpty());
    }

    void pollingStopsAfterHundredAndOneRunningPolls() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup = Contact();
        setup.faults.pollStatus = 0x88; // a test that never ends
        UsbSim usb(setup);
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        dialog->BtnTest->click();
        for (int poll = 1; poll <= 101; ++poll)
            dialog->Timer1Timer();
        QCOMPARE(FramesOf(usb, cmdPollTest).size(), 101);
        QCOMPARE(dialog->PollCount, 101);
        QVERIFY(dialog->Timer1->isActive());
        QVERIFY(dialog->PBar->isVisible());
        QCOMPARE(dialog->PBar->value(), 100);

        dialog->Timer1Timer();
        QCOMPARE(FramesOf(usb, cmdPollTest).size(), 101); // no further poll
        QVERIFY(!dialog->PBar->isVisible());
        QVERIFY(!dialog->Timer1->isActive());
        QVERIFY(ParamsDisabled(dialog)); // stalled until the dialog is opened again
        QVERIFY(messages.messages.isEmpty());
        delete dialog;
    }

    void failedPollAllowsANewTest() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        dialog->BtnTest->click();
        dialog->Timer1Timer();
        usb.setFaults(SimFaults{.dieAfter = 0});
        dialog->Timer1Timer();
        QCOMPARE(messages.texts(), QStringList{kCommFailed});
        QCOMPARE(messages.messages.first().icon, MsgIcon::Warning);
        QVERIFY(ParamsEnabled(dialog));
        QVERIFY(dialog->PBar->isVisible());
        QVERIFY(!dialog->Timer1->isActive());

        usb.setFaults(SimFaults{});
        usb.clearRequests();
        dialog->BtnTest->click();
        QCOMPARE(usb.requestCodes(), QList<uint8_t>{cmdStartTest});
        QCOMPARE(dialog->PollCount, 0);
        QCOMPARE(dialog->PBar->value(), 0);
        QVERIFY(Readings(dialog) == (QStringList{"", "", ""}));
        QVERIFY(dialog->Timer1->isActive());
        delete dialog;
    }

    void failedStartStaysIdle() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        usb.setFaults(SimFaults{.dieAfter = 0});
        dialog->BtnTest->click();
        QCOMPARE(messages.texts(), QStringList{kCommFailed});
        QVERIFY(ParamsEnabled(dialog));
        QVERIFY(!dialog->Timer1->isActive());
        QVERIFY(!dialog->PBar->isVisible());
        delete dialog;
    }

    void savesAppendRowsAndKeepTheDialogOpen() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        iTestTime = 5;
        TFrmMain window;
        QPointer<TFrmTest> dialog = OpenDialog(&window);
        dialog->EdtDeviceNum->setText(QStringLiteral(" QF-101 "));
        dialog->EdtTestUser->setText(QStringLiteral("李工"));
        dialog->EdtTestAdd->setText(QStringLiteral("一号站"));
        RecordGrid* grid = window.Grid();
        const QRegularExpression stamp(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d$"));
        auto checkRow = [&](int row, const QString& resistance) {
            QCOMPARE(grid->cell(0, row), QString::asprintf("%2d", row));
            QVERIFY(stamp.match(grid->cell(1, row)).hasMatch());
            const QStringList rest{grid->cell(2, row), grid->cell(3, row), grid->cell(4, row),
                                   grid->cell(5, row), grid->cell(6, row), grid->cell(7, row)};
            QCOMPARE(rest, (QStringList{"QF-101", "李工", "一号站", "100 A", "5 秒", resistance}));
        };

        usb.clearRequests();
        dialog->BtnOK->click(); // before any test: no resistance
        QCOMPARE(giRecordCount, 1);
        checkRow(1, QString());

        dialog->BtnTest->click();
        dialog->Timer1Timer();
        const QString intermediate = dialog->EdtRes->text();
        QVERIFY(!intermediate.isEmpty());
        dialog->BtnOK->click(); // while the test runs: the latest reading
        checkRow(2, intermediate);
        while (dialog->Timer1->isActive())
            dialog->Timer1Timer();
        usb.clearRequests();
        dialog->BtnOK->click();
        dialog->BtnOK->click();
        QCOMPARE(giRecordCount, 4);
        QCOMPARE(grid->gridRowCount(), 5);
        checkRow(3, QStringLiteral("120.0 uΩ"));
        checkRow(4, QStringLiteral("120.0 uΩ"));
        QCOMPARE(strTestResult, QStringLiteral("120.0 uΩ"));
        QVERIFY(usb.requests().isEmpty()); // saving sends nothing
        QVERIFY(dialog->isVisible());

        // Invalid input saves nothing.
        dialog->EdtTestAdd->setText(QString(21, QChar(u'x')));
        dialog->BtnOK->click();
        QCOMPARE(giRecordCount, 4);
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("“测试地点”字符数应在20个字符以内\r\r请重新输入！")});
        delete dialog;
    }

    void aSavedReadingKeepsTheStepAndTimeOfItsTest_data() {
        QTest::addColumn<QString>("step"); // chosen after the test, before saving
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("device");
        QTest::newRow("step switched") << "110 A"
                                       << "10"
                                       << "QF-1";
        QTest::newRow("time switched") << "200 A"
                                       << "20"
                                       << "QF-1";
        QTest::newRow("device typed") << "200 A"
                                      << "10"
                                      << "QF-2";
    }

    // A row that carries a reading says the step and load time it was measured at; the device,
    // tester and location come from the fields as they stand when saving.
    void aSavedReadingKeepsTheStepAndTimeOfItsTest() {
        QFETCH(QString, step);
        QFETCH(QString, seconds);
        QFETCH(QString, device);
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact({2, 14}));
        usb.pointProgramAt();
        TFrmMain window;
        strCurrentStep = QStringLiteral("200 A");
        iTestTime = 10;
        QPointer<TFrmTest> dialog = OpenDialog(&window);
        QCOMPARE(dialog->CBCurrentStep->currentText(), strCurrentStep);
        dialog->EdtDeviceNum->setText(QStringLiteral("QF-1"));
        dialog->BtnTest->click();
        while (dialog->Timer1->isActive())
            dialog->Timer1Timer();
        QVERIFY(!dialog->EdtRes->text().isEmpty());
        dialog->CBCurrentStep->setCurrentIndex(dialog->CBCurrentStep->findText(step));
        dialog->cbTestTime->setEditText(seconds);
        dialog->EdtDeviceNum->setText(device);
        dialog->BtnOK->click();
        QCOMPARE(giRecordCount, 1);
        const QStringList row{window.Grid()->cell(2, 1), window.Grid()->cell(5, 1), window.Grid()->cell(6, 1),
                              window.Grid()->cell(7, 1)};
        QCOMPARE(row, (QStringList{device, "200 A", "10 秒", dialog->EdtRes->text()}));
        QCOMPARE(messages.texts(), QStringList{});
        delete dialog;
    }

    void openedModallyFromTheMainWindow() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        TFrmMain window;
        window.show();
        QPointer<TFrmTest> seen;
        QObject* owner = &window;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<TFrmTest*>(QApplication::activeModalWidget());
            if (!seen)
                return;
            owner = seen->parent();
            seen->EdtDeviceNum->setText(QStringLiteral("QF1"));
            seen->BtnOK->click();
            seen->BtnCancel->click();
        });
        window.BtnTestClick();    // returns once the dialog has closed
        QCOMPARE(owner, nullptr); // it was shown, owned by the application rather than the window
        QCOMPARE(giRecordCount, 1);
        QCOMPARE(window.Grid()->cell(2, 1), QStringLiteral("QF1"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(seen.isNull()); // freed on closing
    }

    void closingWhileRunningStopsPolling() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb(Contact());
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        dialog->BtnTest->click();
        dialog->Timer1Timer();
        usb.clearRequests();
        QTest::keyClick(dialog.data(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->Timer1->isActive());
        QVERIFY(usb.requests().isEmpty()); // nothing stops the instrument's test
        QCOMPARE(strTestResult, TrimText(dialog->EdtRes->text()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());
    }
};

QTEST_MAIN(TstTestDialogRun)
#include "tst_testdialog_run.moc"
