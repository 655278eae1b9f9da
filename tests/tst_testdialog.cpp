// The live test dialog against the virtual instrument: opening, the offered steps, sending the
// test parameters, the input checks and closing.
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/TestParams.h"
#include "ui/UDlgTest.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using StepFlags = std::array<uint8_t, 22>;
Q_DECLARE_METATYPE(StepFlags)

namespace {

const QString kCommFailed = QStringLiteral("通讯失败！");
const QString kTimeMessage = QStringLiteral("“时间”范围在5~60 秒之间！\r\r请重新输入！");

QPointer<TFrmTest> OpenDialog() {
    QPointer<TFrmTest> dialog = new TFrmTest(nullptr);
    dialog->show();
    return dialog;
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

QByteArray ParamsFrame(uint8_t code, int seconds, int step) {
    QByteArray frame;
    frame.append(char(code)).append(char(seconds)).append(char(step));
    return frame;
}

// Replaces the time box's text keystroke by keystroke, as a user types it.
void TypeTime(TFrmTest* dialog, const QString& text) {
    dialog->cbTestTime->lineEdit()->clear();
    QTest::keyClicks(dialog->cbTestTime->lineEdit(), text);
}

// Closes the dialog and reports whether it went (and freed itself).
bool Closes(QPointer<TFrmTest>& dialog) {
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return dialog.isNull();
}

} // namespace

class TstTestDialog : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void silentInstrumentStillCloses() {
        TempProgramDir dir;
        MessageRecorder messages;
        SerialSim sim;
        QVERIFY(sim.ok());
        sim.pointProgramAt(3);
        sim.stop(); // nothing answers, the port cannot even be opened
        strCurrentStep = QStringLiteral("200 A");
        iTestTime = 12;

        QPointer<TFrmTest> dialog = OpenDialog();
        QCOMPARE(messages.texts(), (QStringList{kCommFailed, kCommFailed})); // step query, then parameters
        QCOMPARE(messages.messages.at(0).icon, MsgIcon::Warning);
        QCOMPARE(dialog->CBCurrentStep->count(), 0);
        QCOMPARE(dialog->cbTestTime->currentText(), QStringLiteral("12"));
        QVERIFY(dialog->EdtCurrent->text().isEmpty() && dialog->EdtVolt->text().isEmpty() &&
                dialog->EdtRes->text().isEmpty());
        QCOMPARE(dialog->ListBox1->count(), 0);
        QCOMPARE(strCurrentStep, QString());
        QCOMPARE(iCurrentStep, 1); // the default code of an empty step text

        messages.clear();
        QVERIFY(Closes(dialog));
        QVERIFY(messages.messages.isEmpty());
    }

    void offeredStepsAndPreselection_data() {
        QTest::addColumn<StepFlags>("flags");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("code");
        const QStringList all{"30 A",  "40 A",  "50 A",  "60 A",  "70 A",  "80 A",  "90 A",  "100 A",
                              "110 A", "120 A", "130 A", "140 A", "150 A", "160 A", "170 A", "180 A",
                              "190 A", "200 A", "300 A", "400 A", "500 A", "600 A"};
        QTest::newRow("all, saved 150 A") << SimSetup::allSteps() << "150 A" << all << "150 A" << 18;
        QTest::newRow("saved wins over 100 A")
            << SimSetup::steps({3, 1, 7}) << "300 A" << QStringList{"30 A", "100 A", "300 A"} << "300 A" << 3;
        QTest::newRow("saved not offered: 100 A")
            << SimSetup::steps({3, 1, 7}) << "250 A" << QStringList{"30 A", "100 A", "300 A"} << "100 A" << 1;
        QTest::newRow("neither: the lowest")
            << SimSetup::steps({4, 14, 8}) << "100 A" << QStringList{"40 A", "110 A", "400 A"} << "40 A" << 8;
        StepFlags odd{};
        odd[0] = 2;    // 100 A
        odd[6] = 0xFF; // 30 A
        odd[13] = 1;   // 110 A
        odd[21] = 3;   // 190 A
        QTest::newRow("only flag 1 offers") << odd << "100 A" << QStringList{"110 A"} << "110 A" << 14;
    }
    void offeredStepsAndPreselection() {
        QFETCH(StepFlags, flags);
        QFETCH(QString, saved);
        QFETCH(QStringList, listed);
        QFETCH(QString, selected);
        QFETCH(int, code);
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.stepFlags = flags;
        UsbSim usb(setup);
        usb.pointProgramAt();
        strCurrentStep = saved;
        iTestTime = 25;

        QPointer<TFrmTest> dialog = OpenDialog();
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(Items(dialog->CBCurrentStep), listed);
        QCOMPARE(dialog->CBCurrentStep->currentText(), selected);
        QCOMPARE(dialog->ListBox1->count(), 24);
        QCOMPARE(dialog->ListBox1->item(0)->text(), QStringLiteral("( 0)--F3"));
        // The shown parameters reach the instrument once, after the step query.
        QCOMPARE(usb.requests(), (QList<QByteArray>{QByteArray(1, char(cmdReadStepTable)),
                                                    ParamsFrame(cmdSetTestParams, 25, code)}));
        QCOMPARE(strCurrentStep, selected);

        // Picking another step sends it at once.
        if (listed.size() > 1) {
            const QString other = selected == listed.first() ? listed.last() : listed.first();
            usb.clearRequests();
            dialog->CBCurrentStep->setCurrentText(other);
            QCOMPARE(usb.requests(),
                     QList<QByteArray>{ParamsFrame(cmdSetTestParams, 25, CurrentStepCode(other))});
            QCOMPARE(strCurrentStep, other);
        }
        delete dialog;
    }

    void typedTimesSendOnlyWholeNumbersInRange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("keystrokes"); // else pasted at once
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("4") << "4" << true << QList<int>{};
        QTest::newRow("61 pasted") << "61" << false << QList<int>{};
        QTest::newRow("61 typed passes 6") << "61" << true << QList<int>{6};
        QTest::newRow("abc") << "abc" << true << QList<int>{};
        QTest::newRow("30 typed passes 3") << "30" << true << QList<int>{30};
        QTest::newRow("605 typed") << "605" << true << QList<int>{6, 60};
        QTest::newRow("hex after 0x") << "0x1E" << true << QList<int>{30};
        QTest::newRow("hex after $") << "$a" << true << QList<int>{10};
        QTest::newRow("hex after x") << "X3c" << false << QList<int>{60};
        QTest::newRow("sign") << "+7" << true << QList<int>{7};
        QTest::newRow("negative") << "-7" << true << QList<int>{};
        QTest::newRow("every keystroke sends") << " 45 " << true << QList<int>{45, 45};
        QTest::newRow("trailing letter") << "20s" << true << QList<int>{20};
        QTest::newRow("inner blank") << "2 0" << false << QList<int>{};
        QTest::newRow("decimal point") << "20.0" << false << QList<int>{};
        QTest::newRow("too large for 32 bits") << "4294967326" << false << QList<int>{};
    }
    void typedTimesSendOnlyWholeNumbersInRange() {
        QFETCH(QString, typed);
        QFETCH(bool, keystrokes);
        QFETCH(QList<int>, sent);
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.stepFlags = SimSetup::steps({1, 2});
        UsbSim usb(setup);
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        usb.clearRequests();

        if (keystrokes)
            TypeTime(dialog, typed);
        else
            dialog->cbTestTime->setEditText(typed);
        QList<QByteArray> expected;
        for (int seconds : sent)
            expected.append(ParamsFrame(cmdSetTestParams, seconds, 1));
        QCOMPARE(usb.requests(), expected);
        QVERIFY(messages.messages.isEmpty());
        delete dialog;
    }

    void invalidTimeBlocksTestSaveAndClose_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("4") << "4";
        QTest::newRow("61") << "61";
        QTest::newRow("abc") << "abc";
        QTest::newRow("empty") << "";
    }
    void invalidTimeBlocksTestSaveAndClose() {
        QFETCH(QString, typed);
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.stepFlags = SimSetup::steps({1});
        UsbSim usb(setup);
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        TypeTime(dialog, typed);
        usb.clearRequests();

        const std::function<void()> attempts[] = {
            [&] { dialog->BtnTest->click(); },   [&] { dialog->BtnOK->click(); },
            [&] { dialog->BtnCancel->click(); }, [&] { QTest::keyClick(dialog.data(), Qt::Key_Escape); },
            [&] { QVERIFY(!Closes(dialog)); },
        };
        for (const auto& attempt : attempts) {
            messages.clear();
            dialog->EdtDeviceNum->setFocus();
            attempt();
            QVERIFY(dialog);
            QVERIFY(dialog->isVisible());
            QCOMPARE(messages.texts(), QStringList{kTimeMessage});
            QCOMPARE(messages.messages.first().icon, MsgIcon::Information);
            QCOMPARE(dialog->focusWidget(), dialog->cbTestTime);
        }
        QVERIFY(usb.requests().isEmpty());
        QVERIFY(dialog->BtnTest->isEnabled());
        delete dialog;
    }

    void timeOutOfRangeInSettingsFile() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.stepFlags = SimSetup::steps({1, 7});
        UsbSim usb(setup);
        usb.pointProgramAt();
        {
            ProfileFile ini(SettingsFilePath());
            QVERIFY(ini.load());
            ini.setInteger(QStringLiteral("SetParam"), QStringLiteral("iTestTime"), 100);
            QVERIFY(ini.save());
        }
        LoadSettings();
        QCOMPARE(iTestTime, 100);

        QPointer<TFrmTest> dialog = OpenDialog();
        QCOMPARE(dialog->cbTestTime->currentText(), QStringLiteral("100"));
        QCOMPARE(usb.requestCodes(), QList<uint8_t>{cmdReadStepTable}); // no parameters sent
        dialog->BtnTest->click();
        dialog->BtnOK->click();
        QVERIFY(!Closes(dialog));
        QCOMPARE(messages.texts(), (QStringList{kTimeMessage, kTimeMessage, kTimeMessage}));
        QCOMPARE(usb.requestCodes(), QList<uint8_t>{cmdReadStepTable});
        QCOMPARE(iTestTime, 100);

        TypeTime(dialog, QStringLiteral("20"));
        QCOMPARE(usb.requests().last(), ParamsFrame(cmdSetTestParams, 20, 1));
        QVERIFY(Closes(dialog));
        QCOMPARE(iTestTime, 20);
    }

    void shortTextLimits_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        const QString ascii20(20, QChar(u'7'));
        const QString chinese10 = QStringLiteral("测试人员测试人员测试");
        const QStringList names{"设备编号", "测试人员", "测试地点"};
        for (int field = 0; field < 3; ++field) {
            const QByteArray name = names.at(field).toUtf8();
            QTest::addRow("%s 20 ASCII", name.constData()) << field << ascii20 << true;
            QTest::addRow("%s 21 ASCII", name.constData()) << field << ascii20 + u'8' << false;
            QTest::addRow("%s 10 Chinese", name.constData()) << field << chinese10 << true;
            QTest::addRow("%s 11 Chinese", name.constData()) << field << chinese10 + u'站' << false;
            QTest::addRow("%s 19 ASCII and one Chinese", name.constData())
                << field << ascii20.left(19) + u'站' << false;
            QTest::addRow("%s blanks do not count", name.constData())
                << field << "  " + chinese10 + "\t " << true;
        }
    }
    void shortTextLimits() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb;
        usb.pointProgramAt();
        strDevice = QStringLiteral("D1");
        strTestUser = QStringLiteral("U1");
        strTestAdd = QStringLiteral("A1");
        QPointer<TFrmTest> dialog = OpenDialog();
        QCOMPARE(dialog->EdtDeviceNum->text(), QStringLiteral("D1"));
        QCOMPARE(dialog->EdtTestUser->text(), QStringLiteral("U1"));
        QCOMPARE(dialog->EdtTestAdd->text(), QStringLiteral("A1"));
        messages.clear();

        QLineEdit* edits[] = {dialog->EdtDeviceNum, dialog->EdtTestUser, dialog->EdtTestAdd};
        QString* stored[] = {&strDevice, &strTestUser, &strTestAdd};
        const QStringList names{"设备编号", "测试人员", "测试地点"};
        // The fields before it are valid and changed; the one after it is valid too.
        for (int i = 0; i < 3; ++i)
            edits[i]->setText(QStringLiteral(" new%1 ").arg(i));
        edits[field]->setText(typed);

        const bool closed = Closes(dialog);
        QCOMPARE(closed, accepted);
        for (int i = 0; i < field; ++i)
            QCOMPARE(*stored[i], QStringLiteral("new%1").arg(i)); // accepted before the failing one
        if (accepted) {
            QVERIFY(messages.messages.isEmpty());
            QCOMPARE(*stored[field], TrimText(typed));
            return;
        }
        QCOMPARE(
            messages.texts(),
            QStringList{QStringLiteral("“%1”字符数应在20个字符以内\r\r请重新输入！").arg(names.at(field))});
        QCOMPARE(messages.messages.first().icon, MsgIcon::Information);
        QCOMPARE(dialog->focusWidget(), edits[field]);
        QVERIFY(*stored[field] != TrimText(typed));
        delete dialog;
    }

    void emptyStepListRefusesOnlyTheTest() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb; // answers, but offers no step
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        QCOMPARE(dialog->CBCurrentStep->count(), 0);
        usb.clearRequests();
        dialog->BtnTest->click();
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("请正确选择“电流档位”！")});
        QCOMPARE(messages.messages.first().icon, MsgIcon::Information);
        QCOMPARE(dialog->focusWidget(), dialog->CBCurrentStep);
        QVERIFY(!usb.requestCodes().contains(cmdStartTest));
        QVERIFY(!dialog->PBar->isVisible());
        messages.clear();
        QVERIFY(Closes(dialog));
        QVERIFY(messages.messages.isEmpty());
    }

    void layoutNamesAndKeyboard() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.stepFlags = SimSetup::steps({1});
        UsbSim usb(setup);
        usb.pointProgramAt();
        QPointer<TFrmTest> dialog = OpenDialog();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("测试"));
        QCOMPARE(dialog->size(), QSize(257, 404));
        QCOMPARE(dialog->GroupBox1->title(), QStringLiteral("测试参数"));
        QCOMPARE(dialog->GroupBox2->title(), QStringLiteral("其它参数"));
        QCOMPARE(dialog->BtnTest->text(), QStringLiteral("测试"));
        QCOMPARE(dialog->BtnOK->text(), QStringLiteral("保存"));
        QCOMPARE(dialog->BtnCancel->text(), QStringLiteral("退出"));
        QCOMPARE(Items(dialog->cbTestTime), TestTimeTexts());
        QCOMPARE(dialog->cbTestTime->count(), 56);
        QVERIFY(!dialog->CBCurrentStep->isEditable());
        QVERIFY(dialog->cbTestTime->isEditable());
        QVERIFY(dialog->EdtCurrent->isReadOnly() && dialog->EdtVolt->isReadOnly() &&
                dialog->EdtRes->isReadOnly());
        QVERIFY(!dialog->PBar->isVisible());
        QVERIFY(!dialog->Timer1->isActive());
        QCOMPARE(dialog->Timer1->interval(), 1000);
        QCOMPARE(dialog->ListBox1->x(), 330);

        const QList<QWidget*> reachable{dialog->CBCurrentStep, dialog->cbTestTime,  dialog->EdtCurrent,
                                        dialog->EdtVolt,       dialog->EdtRes,      dialog->BtnTest,
                                        dialog->EdtDeviceNum,  dialog->EdtTestUser, dialog->EdtTestAdd,
                                        dialog->BtnOK,         dialog->BtnCancel};
        QList<QWidget*> chain;
        for (QWidget* w = dialog->nextInFocusChain(); w != dialog; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy())
                chain.append(w);
        }
        QCOMPARE(chain, reachable);
        for (QWidget* w : reachable)
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        QCOMPARE(dialog->CBCurrentStep->accessibleName(), QStringLiteral("电流档位"));
        QCOMPARE(dialog->EdtRes->accessibleName(), QStringLiteral("测试电阻"));
        for (QLabel* label : dialog->findChildren<QLabel*>())
            QVERIFY2(label->buddy(), qPrintable(label->text()));

        // Enter in a text field presses nothing: a test never starts by surprise.
        usb.clearRequests();
        QTest::keyClick(dialog->EdtDeviceNum, Qt::Key_Return);
        QVERIFY(usb.requests().isEmpty());
        QVERIFY(dialog);
        // On a focused button it presses that button.
        dialog->BtnTest->setFocus();
        QTest::keyClick(dialog->BtnTest, Qt::Key_Return);
        QCOMPARE(usb.requestCodes(), QList<uint8_t>{cmdStartTest});
        QVERIFY(messages.messages.isEmpty());
        delete dialog;
    }
};

QTEST_MAIN(TstTestDialog)
#include "tst_testdialog.moc"
