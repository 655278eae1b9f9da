// The serial number dialog against the virtual instrument, and its way in from the main window.
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgSeries.h"
#include "ui/UMain.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

using SerialBytes = std::array<uint8_t, 8>;
Q_DECLARE_METATYPE(SerialBytes)

namespace {

SerialBytes SerialOf(const SeriesRequest& request) {
    SerialBytes bytes{};
    std::copy(request.begin() + 1, request.end(), bytes.begin());
    return bytes;
}

QByteArray Frame(uint8_t code, const SerialBytes& serial) {
    QByteArray frame(1, char(code));
    for (uint8_t b : serial)
        frame.append(char(b));
    return frame;
}

} // namespace

class TstSeriesDialog : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void buildSeriesRequest_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<SerialBytes>("serial");
        QTest::newRow("sixteen digits")
            << "0123456789ABCDEF" << SerialBytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
        QTest::newRow("separator") << "12-34" << SerialBytes{0x12, 0x34};
        QTest::newRow("lone digits") << "1-2" << SerialBytes{0x01, 0x02};
        QTest::newRow("odd count") << "abc" << SerialBytes{0xAB, 0x0C};
        QTest::newRow("lower case") << "0123456789abcdef"
                                    << SerialBytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
        QTest::newRow("trimmed") << "\t  a1b2  \r\n" << SerialBytes{0xA1, 0xB2};
        QTest::newRow("beyond sixteen ignored")
            << "00112233445566778899" << SerialBytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
        QTest::newRow("sixteen counted after trimming")
            << "  1122334455667788FF" << SerialBytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
        QTest::newRow("initial text") << "000000" << SerialBytes{};
        QTest::newRow("no digits") << "xyz-+" << SerialBytes{};
        QTest::newRow("empty") << "" << SerialBytes{};
    }
    void buildSeriesRequest() {
        QFETCH(QString, typed);
        QFETCH(SerialBytes, serial);
        const SeriesRequest request = BuildSeriesRequest(typed);
        QCOMPARE(request[0], cmdWriteSerial);
        QCOMPARE(SerialOf(request), serial);
    }

    void readSetReadRoundTrip() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.serial = {0x00, 0x0A, 0xB0, 0xFF, 0x01, 0x10, 0x7E, 0xC3};
        SerialSim sim(setup);
        QVERIFY(sim.ok());
        sim.pointProgramAt(3);

        QPointer<TFrmSeries> dialog = new TFrmSeries();
        QCOMPARE(dialog->EdtSeries->text(), QStringLiteral("000000"));
        dialog->BtnRead->click();
        QCOMPARE(dialog->EdtSeries->text(), QStringLiteral("000AB0FF01107EC3"));
        QCOMPARE(dialog->ListBox1->count(), 9);
        QCOMPARE(dialog->ListBox1->item(0)->text(), QStringLiteral("( 0)--F6"));
        QCOMPARE(dialog->ListBox1->item(8)->text(), QStringLiteral("( 8)--C3"));

        // Writing back what was read sends the same eight bytes.
        sim.clearRequests();
        messages.answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Yes};
        dialog->BtnSet->click();
        QCOMPARE(sim.requests(), QList<QByteArray>{Frame(cmdWriteSerial, setup.serial)});

        // A short text fills the first bytes and zeroes the rest: always nine bytes on the wire.
        sim.clearRequests();
        dialog->EdtSeries->setText(QStringLiteral(" 12-34 "));
        dialog->BtnSet->click();
        QCOMPARE(sim.requests(), QList<QByteArray>{Frame(cmdWriteSerial, {0x12, 0x34})});
        QCOMPARE(dialog->EdtSeries->text(), QStringLiteral(" 12-34 "));

        dialog->EdtSeries->setText(QStringLiteral("fedcba9876543210"));
        dialog->BtnSet->click();
        QCOMPARE(sim.instrument().serial(), (SerialBytes{0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}));
        dialog->EdtSeries->clear();
        dialog->BtnRead->click();
        QCOMPARE(dialog->EdtSeries->text(), QStringLiteral("FEDCBA9876543210"));
        QCOMPARE(messages.messages.size(), 3); // one question per write, nothing else
        delete dialog;
    }

    void failedExchangesChangeNothing() {
        TempProgramDir dir;
        MessageRecorder messages;
        UsbSim usb;
        usb.pointProgramAt();
        QPointer<TFrmSeries> dialog = new TFrmSeries();
        dialog->BtnRead->click();
        QCOMPARE(dialog->ListBox1->count(), 9);

        usb.setFaults(SimFaults{.dieAfter = 0});
        dialog->EdtSeries->setText(QStringLiteral("0011"));
        dialog->BtnRead->click();
        messages.answers = {MsgResult::Yes};
        dialog->BtnSet->click();
        QCOMPARE(messages.texts(),
                 (QStringList{QStringLiteral("通讯失败！"), SeriesQuestion(BuildSeriesRequest("0011")),
                              QStringLiteral("通讯失败！")}));
        messages.messages.removeAt(1);
        for (const MessageRequest& m : messages.messages) {
            QCOMPARE(m.icon, MsgIcon::Warning);
            QCOMPARE(m.caption, QStringLiteral("回路电阻测试仪2.1"));
        }
        QCOMPARE(dialog->EdtSeries->text(), QStringLiteral("0011"));
        QCOMPARE(dialog->ListBox1->count(), 9);
        delete dialog;
    }

    // Before anything is written the user sees the sixteen digits that would go into the
    // instrument, and is asked; the question defaults to No, and No sends nothing.
    void writeIsAskedFirst_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<bool>("yes");
        QTest::newRow("initial text, No") << "000000"
                                          << "0000000000000000" << false;
        QTest::newRow("initial text, Yes") << "000000"
                                           << "0000000000000000" << true;
        QTest::newRow("abc, Yes") << "abc"
                                  << "AB0C000000000000" << true;
        QTest::newRow("full, No") << " 0123456789abcdef99 "
                                  << "0123456789ABCDEF" << false;
    }

    void writeIsAskedFirst() {
        QFETCH(QString, typed);
        QFETCH(QString, digits);
        QFETCH(bool, yes);
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        setup.serial = {1, 2, 3, 4, 5, 6, 7, 8};
        UsbSim usb(setup);
        usb.pointProgramAt();
        QPointer<TFrmSeries> dialog = new TFrmSeries();
        dialog->EdtSeries->setText(typed);
        if (yes)
            messages.answers = {MsgResult::Yes};
        dialog->BtnSet->click();
        QCOMPARE(messages.messages.size(), 1);
        const MessageRequest& question = messages.messages.constFirst();
        QCOMPARE(question.buttons, MsgButtons::YesNo);
        QCOMPARE(question.icon, MsgIcon::Question);
        QCOMPARE(question.caption, QStringLiteral("回路电阻测试仪2.1"));
        QVERIFY2(question.text.contains(digits), qPrintable(question.text));
        const SeriesRequest request = BuildSeriesRequest(typed);
        if (yes) {
            QCOMPARE(usb.requests(),
                     QList<QByteArray>{
                         QByteArray(reinterpret_cast<const char*>(request.data()), int(request.size()))});
        } else {
            QVERIFY(usb.requests().isEmpty());
            QCOMPARE(usb.instrument().serial(), setup.serial);
        }
        delete dialog;
    }

    void layoutNamesAndKeyboard() {
        QPointer<TFrmSeries> dialog = new TFrmSeries();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("序列号"));
        QCOMPARE(dialog->size(), QSize(229, 119));
        QCOMPARE(dialog->BtnRead->text(), QStringLiteral("读取"));
        QCOMPARE(dialog->BtnSet->text(), QStringLiteral("设置"));
        QCOMPARE(dialog->BtnExit->text(), QStringLiteral("退出"));
        QCOMPARE(dialog->Label1->buddy(), dialog->EdtSeries);
        QCOMPARE(dialog->ListBox1->x(), 248);

        // Every control a user can reach has a name and lies on the tab chain.
        const QList<QWidget*> reachable{dialog->EdtSeries, dialog->BtnRead, dialog->BtnSet, dialog->BtnExit};
        QList<QWidget*> chain;
        for (QWidget* w = dialog->nextInFocusChain(); w != dialog; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                chain.append(w);
        }
        QCOMPARE(chain, reachable);
        for (QWidget* w : reachable)
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));

        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
        dialog->BtnExit->click();
        QTRY_VERIFY(dialog.isNull()); // frees itself
    }

    void reachedFromStatusBarAndShortcut() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QCOMPARE(window.StatusBar1->contextMenuPolicy(), Qt::ActionsContextMenu);
        QAction* action = nullptr;
        for (QAction* a : window.StatusBar1->actions()) {
            if (a->text() == QStringLiteral("序列号…"))
                action = a;
        }
        QVERIFY(action);
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));

        int opened = 0;
        auto closeWhenShown = [&] {
            QTimer::singleShot(0, [&] {
                auto* series = qobject_cast<TFrmSeries*>(QApplication::activeModalWidget());
                if (series) {
                    ++opened;
                    series->BtnExit->click();
                }
            });
        };
        closeWhenShown();
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(opened, 1);
        closeWhenShown();
        action->trigger();
        QCOMPARE(opened, 2);
        // The layout is unchanged: no control was added to the button row.
        QCOMPARE(window.centralWidget()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).size(), 9);
    }
};

QTEST_MAIN(TstSeriesDialog)
#include "tst_seriesdialog.moc"
