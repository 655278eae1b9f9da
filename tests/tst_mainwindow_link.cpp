// The main window against the virtual instrument, over a real pseudo-terminal and through the
// in-process USB bridge: connecting, uploading the stored records, clearing the instrument's
// history, and what the window shows and asks on the way.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/UQRMain.h"
#include "sim/SimUsbDevice.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/DesktopSeams.h"
#include "ui/FileDialogs.h"
#include "ui/InputGuard.h"
#include "ui/UMain.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

enum class Link { Serial, Usb };

// Stored record k (1-based): device "D<k>", resistance (1000 + k) tenths of a micro-ohm.
QList<QByteArray> Records(int count) {
    QList<QByteArray> records;
    for (int k = 1; k <= count; ++k)
        records.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, 41)), QStringLiteral("D%1").arg(k),
                                 QStringLiteral("LI"), QStringLiteral("LAB"), 1, 5, uint32_t(1000 + k)}
                           .frame());
    return records;
}

QString ResistanceOf(int k) {
    return QStringLiteral("%1.%2 uΩ").arg((1000 + k) / 10).arg((1000 + k) % 10);
}

// One instrument on the chosen link, with the program pointed at it.
struct Bench {
    Bench(Link link, const SimSetup& setup) {
        if (link == Link::Serial) {
            serial = std::make_unique<SerialSim>(setup);
            serial->pointProgramAt(3);
        } else {
            usb = std::make_unique<UsbSim>(setup);
            usb->pointProgramAt();
        }
    }
    SimFixture& sim() { return serial ? static_cast<SimFixture&>(*serial) : *usb; }
    bool ok() const { return !serial || serial->ok(); }

    TempProgramDir dir; // first: the fixtures write SystemFile.ini into it
    std::unique_ptr<SerialSim> serial;
    std::unique_ptr<UsbSim> usb;
};

// Fills grid rows 1..rows with "old" texts, as an earlier upload or an opened file leaves them.
void FillOldRows(TFrmMain& window, int rows) {
    window.Grid()->setGridRowCount(rows + 1);
    giRecordCount = rows;
    for (int r = 1; r <= rows; ++r) {
        RecordGrid::Row row;
        row.fill(QStringLiteral("old%1").arg(r));
        window.Grid()->setRow(r, row);
    }
}

void PostClick(QWidget* target) {
    const QPointF at = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            target, new QMouseEvent(type, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
}

// The program's real message boxes while it lives, each answered as soon as it is up with a key
// (or a click on its button when input is 0) sent through the application.
struct RealBoxes {
    explicit RealBoxes(int input)
        : previous(SetMessageHandler({})), previousOpener(SetFolderOpener({})), input(input) {
        InstallDesktopSeams();
        timer.setInterval(std::chrono::milliseconds(20));
        QObject::connect(&timer, &QTimer::timeout, [this] { Answer(); });
        timer.start();
    }
    ~RealBoxes() {
        SetMessageHandler(previous);
        SetFolderOpener(previousOpener);
    }
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        const QString text = box->text();
        if (input != 0)
            QTest::keyClick(box, Qt::Key(input));
        else
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        if (box->isVisible()) {
            // The input did not reach it: end it, so that the test goes on to fail.
            ++unanswered;
            box->done(0);
        } else {
            answered << text;
        }
    }

    MessageHandler previous;
    FolderOpener previousOpener;
    int input;
    QTimer timer;
    QStringList answered;
    int unanswered = 0;
};

void Connected(TFrmMain& window) {
    gbDeviceConnected = true;
    window.UpdateButtons();
}

} // namespace

class TstMainWindowLink : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void connectOverTheSerialLink_data() {
        QTest::addColumn<int>("identity");
        QTest::addColumn<QString>("status");
        QTest::newRow("5731") << 1 << QStringLiteral("5731已连接");
        QTest::newRow("qmvr") << 2 << QStringLiteral("qmvr已连接");
        QTest::newRow("unknown model") << 5 << QStringLiteral("已连接");
    }

    void connectOverTheSerialLink() {
        QFETCH(int, identity);
        QFETCH(QString, status);
        SimSetup setup;
        setup.identity = uint8_t(identity);
        Bench bench(Link::Serial, setup);
        QVERIFY(bench.ok());
        MessageRecorder messages;
        TFrmMain window;
        QVERIFY(window.ConnectDevice());
        QCOMPARE(window.StatusText(), status);
        QVERIFY(gbDeviceConnected);
        QVERIFY(window.BtnSampleData->isEnabled());
        QVERIFY(window.BtnClearData->isEnabled());
        QVERIFY(window.BtnTest->isEnabled());
        QCOMPARE(bench.sim().requestCodes(), QList<uint8_t>({0xF8}));
        QCOMPARE(window.ListBox1->count(), 2);
        QCOMPARE(window.ListBox1->item(0)->text(), QStringLiteral("( 0)--F8"));
        QCOMPARE(window.ListBox1->item(1)->text(),
                 QStringLiteral("( 1)--%1").arg(identity, 2, 16, QChar('0')));
        QVERIFY(messages.messages.isEmpty());
    }

    void connectOverUsbShowsTheSerialNumberString() {
        SimSetup setup;
        setup.usbSerialString = QStringLiteral("QM-0042");
        Bench bench(Link::Usb, setup);
        MessageRecorder messages;
        TFrmMain window;
        window.ListBox1->addItem(QStringLiteral("earlier"));
        QVERIFY(window.ConnectDevice());
        QCOMPARE(window.StatusText(), QStringLiteral("QM-0042已连接"));
        QVERIFY(window.BtnSampleData->isEnabled());
        QVERIFY(bench.sim().requests().isEmpty()); // the USB connect sends no command
        QCOMPARE(window.ListBox1->count(), 1);
        QVERIFY(messages.messages.isEmpty());
    }

    // A connected window whose instrument no longer answers (or is gone) ends up disconnected.
    void connectToASilentInstrument_data() {
        QTest::addColumn<int>("link");
        QTest::newRow("serial, no answer") << int(Link::Serial);
        QTest::newRow("USB, no device") << int(Link::Usb);
    }

    void connectToASilentInstrument() {
        QFETCH(int, link);
        SimSetup setup;
        if (Link(link) == Link::Serial)
            setup.faults.noReply = true;
        else
            setup.faults.dieAfter = 0;
        Bench bench(Link(link), setup);
        MessageRecorder messages;
        TFrmMain window;
        Connected(window);
        QVERIFY(!window.ConnectDevice());
        QCOMPARE(window.StatusText(), QStringLiteral("设备已断开！"));
        QVERIFY(!gbDeviceConnected);
        QVERIFY(!window.BtnSampleData->isEnabled());
        QVERIFY(!window.BtnClearData->isEnabled());
        QVERIFY(!window.BtnTest->isEnabled());
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("设备已断开！")});
        QCOMPARE(messages.messages.first().caption, QStringLiteral("回路电阻测试仪2.1"));
        QCOMPARE(messages.messages.first().icon, MsgIcon::Warning);
    }

    void twoPressesMakeOneConnect() {
        Bench bench(Link::Serial, SimSetup{});
        QVERIFY(bench.ok());
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.btnUpdateList, Qt::LeftButton);
        QTest::mouseClick(window.btnUpdateList, Qt::LeftButton);
        QCOMPARE(window.StatusText(), QStringLiteral("设备已断开！")); // deferred until after the click
        QTRY_COMPARE(window.StatusText(), QStringLiteral("5731已连接"));
        QVERIFY(!window.Timer1->isActive());
        QCOMPARE(bench.sim().requestCodes(), QList<uint8_t>({0xF8}));
    }

    // No records stored, or no answer to the count: the grid keeps its rows and no record is asked for.
    void uploadWithoutRecordsLeavesTheGrid_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<bool>("countFails");
        QTest::addColumn<QString>("message");
        QTest::newRow("serial, none stored") << int(Link::Serial) << false << "无历史记录！";
        QTest::newRow("USB, none stored") << int(Link::Usb) << false << "无历史记录！";
        QTest::newRow("serial, count unanswered") << int(Link::Serial) << true << "通讯失败！";
    }

    void uploadWithoutRecordsLeavesTheGrid() {
        QFETCH(int, link);
        QFETCH(bool, countFails);
        QFETCH(QString, message);
        SimSetup setup;
        if (countFails) {
            setup.records = Records(4);
            setup.faults.noReply = true;
        }
        Bench bench(Link(link), setup);
        QVERIFY(bench.ok());
        MessageRecorder messages;
        TFrmMain window;
        FillOldRows(window, 5);
        Connected(window);
        window.BtnSampleData->click();
        QCOMPARE(messages.texts(), QStringList{message});
        QCOMPARE(messages.messages.first().icon, MsgIcon::Warning);
        QCOMPARE(bench.sim().requestCodes(), QList<uint8_t>(countFails ? 4 : 1, 0xF0)); // four attempts
        QCOMPARE(window.Grid()->gridRowCount(), 6);
        QCOMPARE(giRecordCount, 5);
        QCOMPARE(window.Grid()->cell(3, 5), QStringLiteral("old5"));
        QVERIFY(window.PBar->isHidden());
    }

    void uploadReplacesTheRows_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("oldRows");
        QTest::newRow("serial, 3 records into 10 rows") << int(Link::Serial) << 3 << 10;
        QTest::newRow("USB, 3 records into 10 rows") << int(Link::Usb) << 3 << 10;
        QTest::newRow("USB, 255 records into 2 rows") << int(Link::Usb) << 255 << 1;
    }

    void uploadReplacesTheRows() {
        QFETCH(int, link);
        QFETCH(int, stored);
        QFETCH(int, oldRows);
        SimSetup setup;
        setup.records = Records(stored);
        Bench bench(Link(link), setup);
        QVERIFY(bench.ok());
        MessageRecorder messages;
        TFrmMain window;
        FillOldRows(window, oldRows);
        Connected(window);
        window.BtnSampleData->click();
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(window.Grid()->gridRowCount(), stored + 1);
        QCOMPARE(giRecordCount, stored);
        for (int k = 1; k <= stored; ++k) {
            QCOMPARE(window.Grid()->cell(0, k), QString::asprintf("%2d", k));
            QCOMPARE(window.Grid()->cell(1, k), QStringLiteral("24-03-15 09:41"));
            QCOMPARE(window.Grid()->cell(2, k), QStringLiteral("D%1").arg(k));
            QCOMPARE(window.Grid()->cell(7, k), ResistanceOf(k));
        }
        const QList<QByteArray> requests = bench.sim().requests();
        QCOMPARE(requests.size(), stored + 1);
        QCOMPARE(requests.first(), QByteArray("\xF0", 1));
        for (int k = 1; k <= stored; ++k)
            QCOMPARE(requests.at(k), QByteArray("\xF1", 1) + char(k - 1));
        QCOMPARE(window.ListBox1->count(), 37); // the last record's reply
        QCOMPARE(window.ListBox1->item(0)->text(), QStringLiteral("( 0)--F1"));
        QCOMPARE(window.PBar->maximum(), stored);
        QVERIFY(window.PBar->isHidden());
    }

    // The link dies at record 4 of 10: rows 1..3 are new, 4..10 keep what they held, the count
    // stays 10 and the window stays connected.
    void uploadThatFailsPartWay_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("answered"); // requests answered: the count, then records
        QTest::newRow("serial, at record 4") << int(Link::Serial) << 4;
        QTest::newRow("USB, at record 4") << int(Link::Usb) << 4;
        QTest::newRow("USB, at record 1") << int(Link::Usb) << 1;
    }

    // After a failed record the grid and the count hold the records received, no more: nothing
    // blank or old is left to be saved as a record of this upload.
    void uploadThatFailsPartWay() {
        QFETCH(int, link);
        QFETCH(int, answered);
        SimSetup setup;
        setup.records = Records(10);
        setup.faults.dieAfter = answered;
        Bench bench(Link(link), setup);
        QVERIFY(bench.ok());
        MessageRecorder messages;
        TFrmMain window;
        FillOldRows(window, 10);
        Connected(window);
        window.BtnSampleData->click();
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("通讯失败！")});
        QCOMPARE(messages.messages.first().icon, MsgIcon::Warning);
        const int received = answered - 1;
        QCOMPARE(giRecordCount, received);
        QCOMPARE(window.Grid()->gridRowCount(), std::max(received, 1) + 1);
        for (int k = 1; k <= received; ++k)
            QCOMPARE(window.Grid()->cell(2, k), QStringLiteral("D%1").arg(k));
        if (received == 0)
            QCOMPARE(window.Grid()->row(1), RecordGrid::Row{});
        QVERIFY(window.PBar->isHidden());
        QVERIFY(gbDeviceConnected);
        QVERIFY(window.BtnSampleData->isEnabled());
    }

    void messagesAfterAnUploadTakeKeysAndClicks_data() {
        QTest::addColumn<bool>("recordFails");
        QTest::addColumn<int>("input"); // a key, or 0 for a click on the box's button
        for (const bool fails : {true, false}) {
            const char* what = fails ? "record fails" : "backup fails";
            QTest::addRow("%s, Enter", what) << fails << int(Qt::Key_Return);
            QTest::addRow("%s, Esc", what) << fails << int(Qt::Key_Escape);
            QTest::addRow("%s, click", what) << fails << 0;
        }
    }

    // The real message boxes of an upload, answered through the application as the window system
    // delivers input: each one closes on Enter, Esc or a click on its button.
    void messagesAfterAnUploadTakeKeysAndClicks() {
        QFETCH(bool, recordFails);
        QFETCH(int, input);
        SimSetup setup;
        setup.records = Records(3);
        if (recordFails)
            setup.faults.dieAfter = 3;
        Bench bench(Link::Usb, setup);
        if (!recordFails) {
            // A file where the data folder should be: the backup cannot be written.
            QFile blocker(bench.dir.filePath(QStringLiteral("测试记录")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        RealBoxes boxes(input);
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Connected(window);
        window.BtnSampleData->click();
        QCOMPARE(boxes.unanswered, 0);
        // Without a data folder the record archive cannot be opened either, and says so in a box
        // of its own; every box takes its input.
        QCOMPARE(boxes.answered.size(), recordFails ? 1 : 2);
        QVERIFY2(boxes.answered.last().startsWith(recordFails ? QStringLiteral("通讯失败！")
                                                              : QStringLiteral("自动备份文件")),
                 qPrintable(boxes.answered.join('\n')));
    }

    // Should a box ever come up while user input is held off, it still takes its input.
    void boxUnderTheInputBlockerTakesItsInput() {
        RealBoxes boxes(Qt::Key_Return);
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const UserInputBlocker inputDropped;
        ShowMessage(QStringLiteral("通讯失败！"), AppTitle(), MsgIcon::Warning);
        QCOMPARE(boxes.unanswered, 0);
        QCOMPARE(boxes.answered, QStringList{QStringLiteral("通讯失败！")});
        QTest::keyClick(window.BtnSave, Qt::Key_Space); // the window's own input stays dropped
        QVERIFY(inputDropped.Dropped() > 0);
    }

    // Input that arrives during the exchange of the last record is still queued when the records
    // are in; it is dropped then, not carried out: a press of 保存 opens no save dialog.
    void inputDuringTheLastExchangeIsDropped() {
        SimSetup setup;
        setup.records = Records(4);
        Bench bench(Link::Usb, setup);
        MessageRecorder messages;
        ScriptedChooser chooser; // asks nothing of anyone
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Connected(window);

        // The instrument's side of the bridge: while the last record is requested, the user
        // presses 保存 and the service key.
        struct PressDuringLastRead : UsbDevice {
            std::shared_ptr<UsbDevice> inner;
            TFrmMain* window = nullptr;
            bool pressed = false;
            QString productString(uint32_t option) const override { return inner->productString(option); }
            void opened() override { inner->opened(); }
            QByteArray nextPacket() override { return inner->nextPacket(); }
            void received(const QByteArray& bytes) override {
                if (bytes.size() == 2 && uint8_t(bytes[0]) == 0xF1 && bytes[1] == 3) {
                    pressed = true;
                    PostClick(window->BtnSave);
                    QCoreApplication::postEvent(
                        window,
                        new QKeyEvent(QEvent::KeyPress, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier));
                }
                inner->received(bytes);
            }
        };
        auto device = std::make_shared<PressDuringLastRead>();
        device->inner = std::make_shared<SimUsbDevice>(std::shared_ptr<VirtualInstrument>(
            std::shared_ptr<VirtualInstrument>{}, &bench.sim().instrument()));
        device->window = &window;
        const std::shared_ptr<UsbBackend> simBackend =
            SetUsbBackend(std::make_shared<InProcessUsbBackend>(device));

        window.BtnSampleData->click();
        QTest::qWait(300); // anything held back would come now
        SetUsbBackend(simBackend);
        QVERIFY(device->pressed);
        QCOMPARE(giRecordCount, 4);
        QCOMPARE(chooser.requests.size(), 0);
        QVERIFY(!window.ByteTraceShown());
        QVERIFY(messages.messages.isEmpty());
    }

    // While the upload runs the progress bar is painted at every record, and nothing else gets
    // in: no timer fires and the window does not close.
    void uploadKeepsTheWindowPaintedButClosed() {
        SimSetup setup;
        setup.records = Records(6);
        Bench bench(Link::Usb, setup);
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Connected(window);

        struct PaintLog : QObject {
            QList<int> values;
            bool closeRefused = false;
            TFrmMain* window = nullptr;
            bool eventFilter(QObject* watched, QEvent* event) override {
                if (event->type() == QEvent::Paint && window->Uploading()) {
                    values.append(static_cast<QProgressBar*>(watched)->value());
                    if (values.size() == 2)
                        closeRefused = !window->close();
                }
                return false;
            }
        } log;
        log.window = &window;
        window.PBar->installEventFilter(&log);
        bool timerFiredDuringUpload = false;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] { timerFiredDuringUpload |= window.Uploading(); });
        timer.start();

        window.BtnSampleData->click();
        QVERIFY(!log.values.isEmpty());
        QList<int> distinct = log.values;
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        QCOMPARE(distinct, QList<int>({1, 2, 3, 4, 5, 6}));
        QVERIFY(log.closeRefused);
        QVERIFY(window.isVisible());
        QVERIFY(!timerFiredDuringUpload);
        QCOMPARE(giRecordCount, 6);
    }

    // Clicks and keys made while the records come in are dropped, not carried out afterwards:
    // neither 保存, 打开, 退出 nor another 上传数据 nor the service key does anything, during the
    // upload or after it. Presses that reach a button or an action without user input (as an
    // assistive tool's do) start nothing inside the upload either.
    void inputDuringAnUploadIsDropped() {
        SimSetup setup;
        setup.records = Records(5);
        Bench bench(Link::Usb, setup);
        MessageRecorder messages;
        ScriptedChooser chooser; // asks nothing of anyone
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Connected(window);
        // Any window that opens modally is counted and closed again, so that a fault cannot hang.
        int modalsOpened = 0;
        QTimer watchdog;
        watchdog.setInterval(std::chrono::milliseconds(50));
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++modalsOpened;
                modal->close();
            }
        });
        watchdog.start();

        struct Injector : QObject {
            TFrmMain* window = nullptr;
            bool done = false;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() != QEvent::Paint || !window->Uploading() || done)
                    return false;
                done = true;
                // Posted input is delivered while the upload keeps its window painted.
                for (QWidget* target : {window->BtnSave, window->BtnExit, window->BtnSampleData})
                    PostClick(target);
                QTest::mouseClick(window->BtnOpen, Qt::LeftButton);
                QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
                QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
                window->BtnClearData->click();
                for (QAction* service : window->StatusBar1->actions())
                    service->trigger();
                return false;
            }
        } injector;
        injector.window = &window;
        window.PBar->installEventFilter(&injector);

        window.BtnSampleData->click();
        QVERIFY(injector.done);
        QCOMPARE(giRecordCount, 5);
        QCOMPARE(window.Grid()->cell(7, 5), ResistanceOf(5));
        QTest::qWait(300); // anything held back would come now
        QCOMPARE(chooser.requests.size(), 0);
        QCOMPARE(modalsOpened, 0);
        QVERIFY(window.isVisible());
        QVERIFY(!window.ByteTraceShown());
        QCOMPARE(bench.sim().requestCodes().count(0xF0), 1);
        QVERIFY(!window.Report()->PreviewWindow());
        QVERIFY(messages.messages.isEmpty());
        // The service actions are back once the upload has ended.
        for (QAction* service : window.StatusBar1->actions())
            QVERIFY2(service->isEnabled(), qPrintable(service->objectName()));
    }

    void clearIsAskedFirst_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<bool>("yes");
        QTest::newRow("serial, answered No") << int(Link::Serial) << false;
        QTest::newRow("serial, answered Yes") << int(Link::Serial) << true;
        QTest::newRow("USB, answered Yes") << int(Link::Usb) << true;
    }

    void clearIsAskedFirst() {
        QFETCH(int, link);
        QFETCH(bool, yes);
        SimSetup setup;
        setup.records = Records(4);
        Bench bench(Link(link), setup);
        QVERIFY(bench.ok());
        MessageRecorder messages;
        messages.answers.push_back(yes ? MsgResult::Yes : MsgResult::No);
        TFrmMain window;
        FillOldRows(window, 7);
        Connected(window);
        window.BtnClearData->click();

        QVERIFY(!messages.messages.isEmpty());
        const MessageRequest question = messages.messages.first();
        QCOMPARE(question.buttons, MsgButtons::YesNo);
        QCOMPARE(question.icon, MsgIcon::Question);
        QCOMPARE(question.caption, QStringLiteral("回路电阻测试仪2.1"));
        if (!yes) {
            QCOMPARE(messages.messages.size(), 1);
            QVERIFY(bench.sim().requests().isEmpty());
            QCOMPARE(bench.sim().instrument().records().size(), 4);
            QCOMPARE(window.Grid()->gridRowCount(), 8);
            QCOMPARE(giRecordCount, 7);
            return;
        }
        QTRY_COMPARE(bench.sim().requestCodes(), QList<uint8_t>({0xF2}));
        QTRY_VERIFY(bench.sim().instrument().records().isEmpty());
        QCOMPARE(messages.texts().mid(1), QStringList{QStringLiteral("仪器历史数据已清空！")});
        QCOMPARE(messages.messages.last().icon, MsgIcon::Warning);
        QCOMPARE(window.Grid()->gridRowCount(), 2);
        QCOMPARE(giRecordCount, 0);
        for (int c = 0; c < 8; ++c)
            QVERIFY(window.Grid()->cell(c, 1).isEmpty());
    }

    void clearThatCannotBeSent() {
        Bench bench(Link::Serial, SimSetup{});
        QVERIFY(bench.ok());
        bench.serial->stop(); // the port is gone: the command cannot be written
        MessageRecorder messages;
        messages.answers.push_back(MsgResult::Yes);
        TFrmMain window;
        FillOldRows(window, 3);
        Connected(window);
        window.BtnClearData->click();
        QCOMPARE(messages.texts().mid(1), QStringList{QStringLiteral("通讯失败！")});
        QCOMPARE(window.Grid()->gridRowCount(), 4);
        QCOMPARE(giRecordCount, 3);
    }
};

QTEST_MAIN(TstMainWindowLink)
#include "tst_mainwindow_link.moc"
