// A fault soak: a thousand exchanges against the virtual instrument with random faults, over the
// in-process USB bridge and over a real pseudo-terminal. No exchange may hang beyond what its
// attempts, deadlines and pauses allow, nothing may stay open, and an upload that fails keeps the
// rows it read.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr int kUsbExchanges = 850;
constexpr int kSerialExchanges = 150;
constexpr quint32 kSeed = 20261208;

// Commands the soak sends, with requests the instrument accepts.
const uint8_t kCodes[] = {cmdRecordCount, cmdReadRecord, cmdReadStepTable, cmdReadSerial,
                          cmdIdentify,    cmdPollTest,   cmdSetTestParams, cmdWriteSerial};

CommandBuffer Request(uint8_t code, QRandomGenerator& random) {
    CommandBuffer buffer{};
    buffer[0] = code;
    if (code == cmdReadRecord)
        buffer[1] = uint8_t(random.bounded(3));
    if (code == cmdSetTestParams) {
        buffer[1] = uint8_t(5 + random.bounded(56));
        buffer[2] = uint8_t(1 + random.bounded(22));
    }
    for (int i = 1; code == cmdWriteSerial && i < 9; ++i)
        buffer[size_t(i)] = uint8_t(random.bounded(256));
    return buffer;
}

// One fault in five exchanges, of every kind the instrument can show.
SimFaults RandomFaults(uint8_t code, int replyLength, QRandomGenerator& random) {
    SimFaults faults;
    switch (random.bounded(20)) {
    case 0:
        faults.noReply = true;
        break;
    case 1:
        faults.shortReply = replyLength > 1 ? int(random.bounded(replyLength)) : 0;
        break;
    case 2:
        faults.strayBefore = QByteArray(1 + int(random.bounded(8)), char(code ^ 0x5A));
        break;
    case 3:
        faults.surplusAfter = QByteArray(1 + int(random.bounded(8)), char(0xEE));
        break;
    default:
        break;
    }
    return faults;
}

int OpenDescriptors() {
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

// What the exchanges themselves allow: four attempts of their deadlines and pauses, with a
// margin for opening and closing the port on a busy machine.
std::chrono::milliseconds SerialBound(int replyLength) {
    const auto attempt = 100ms + (replyLength > 0 ? 100ms + ReadDeadline(replyLength, 9600) : 0ms);
    return 4 * attempt + 3 * 100ms + 4 * 150ms;
}

std::chrono::milliseconds UsbBound() {
    // Per attempt: the write, the pause and up to the stray bound of reads plus the one that counts.
    const auto attempt = 100ms + 1ms + (kUsbStrayReadLimit + 1) * 100ms;
    return 4 * attempt + 500ms;
}

} // namespace

class TstSoak : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void usbExchangesUnderRandomFaults() {
        TempProgramDir dir;
        SimSetup setup;
        setup.records = {
            SimRecord{QDateTime(QDate(2026, 12, 1), QTime(9, 0)), "QF1", "LI", "LAB", 1, 5, 1234}.frame(),
            SimRecord{QDateTime(QDate(2026, 12, 2), QTime(9, 1)), "QF2", "LI", "LAB", 7, 10, 99}.frame(),
            SimRecord{QDateTime(QDate(2026, 12, 3), QTime(9, 2)), "QF3", "LI", "LAB", 22, 60, 1}.frame()};
        setup.stepFlags = SimSetup::allSteps();
        UsbSim usb(setup);
        QRandomGenerator random(kSeed);
        int failed = 0;
        for (int i = 0; i < kUsbExchanges; ++i) {
            const uint8_t code = kCodes[random.bounded(int(std::size(kCodes)))];
            const CommandFrame* frame = FindCommandFrame(code);
            usb.setFaults(RandomFaults(code, frame->replyLength, random));
            CommandBuffer buffer = Request(code, random);
            const QByteArray sent(reinterpret_cast<const char*>(buffer.data()), frame->requestLength);
            usb.clearRequests();
            QElapsedTimer timer;
            timer.start();
            const bool ok = SendCommand(code, buffer, frame->replyLength, frame->requestLength);
            QVERIFY2(timer.elapsed() <= UsbBound().count(), qPrintable(QStringLiteral("exchange %1").arg(i)));
            for (const QByteArray& request : usb.requests()) // every attempt sends the request as given
                QCOMPARE(request, sent);
            QVERIFY2(!usb.backend().isOpen(),
                     qPrintable(QStringLiteral("exchange %1 left the device open").arg(i)));
            if (ok && !WriteOnlyCommand(code))
                QCOMPARE(buffer[0], code);
            failed += ok ? 0 : 1;
        }
        QCOMPARE(usb.openCount(), usb.closeCount());
        QVERIFY(failed > 0);             // the faults did bite
        QVERIFY(failed < kUsbExchanges); // and the link still works between them
    }

    void serialExchangesUnderRandomFaults() {
        TempProgramDir dir;
        SimSetup setup;
        setup.stepFlags = SimSetup::allSteps();
        SerialSim sim(setup);
        QVERIFY(sim.ok());
        sim.pointProgramAt(3);
        QRandomGenerator random(kSeed + 1);
        const int descriptorsBefore = OpenDescriptors();
        int failed = 0;
        for (int i = 0; i < kSerialExchanges; ++i) {
            const uint8_t code = kCodes[random.bounded(int(std::size(kCodes)))];
            const CommandFrame* frame = FindCommandFrame(code);
            sim.setFaults(RandomFaults(code, frame->replyLength, random));
            CommandBuffer buffer = Request(code, random);
            const QByteArray sent(reinterpret_cast<const char*>(buffer.data()), frame->requestLength);
            sim.clearRequests();
            QElapsedTimer timer;
            timer.start();
            const bool ok = SendCommand(code, buffer, frame->replyLength, frame->requestLength);
            QVERIFY2(timer.elapsed() <= SerialBound(frame->replyLength).count(),
                     qPrintable(QStringLiteral("exchange %1 took %2 ms").arg(i).arg(timer.elapsed())));
            for (const QByteArray& request : sim.requests())
                QCOMPARE(request, sent);
            if (ok && !WriteOnlyCommand(code))
                QCOMPARE(buffer[0], code);
            failed += ok ? 0 : 1;
        }
        QVERIFY(failed > 0);
        QVERIFY(failed < kSerialExchanges);
        QCOMPARE(OpenDescriptors(), descriptorsBefore);
        // The port is free again: a clean exchange right after the soak works.
        sim.setFaults({});
        CommandBuffer buffer{cmdIdentify};
        QVERIFY(SendCommand(cmdIdentify, buffer, 2, 1));
        QCOMPARE(buffer[1], uint8_t(1));
    }

    void uploadsKeepTheRowsReadWhenTheLinkDies() {
        TempProgramDir dir;
        MessageRecorder messages;
        SimSetup setup;
        for (int i = 0; i < 40; ++i)
            setup.records.append(SimRecord{QDateTime(QDate(2026, 11, 1).addDays(i % 28), QTime(8, i % 60)),
                                           QStringLiteral("QF%1").arg(i), "OP", "SUB", uint8_t(1 + i % 22),
                                           uint8_t(5 + i % 56), uint32_t(100 + i)}
                                     .frame());
        UsbSim usb(setup);
        TFrmMain window;
        gbDeviceConnected = true;
        window.UpdateButtons();
        QRandomGenerator random(kSeed + 2);
        for (int run = 0; run < 10; ++run) {
            const int dieAfter = 1 + int(random.bounded(40)); // the count request, then records
            usb.setFaults(SimFaults{.dieAfter = dieAfter});
            messages.clear();
            window.ClearGrid();
            window.BtnSampleDataClick();
            // Every record read before the link died is in its row, and no more rows are there.
            const int received = dieAfter - 1;
            QCOMPARE(giRecordCount, received);
            QCOMPARE(window.Grid()->gridRowCount(), std::max(received, 1) + 1);
            QCOMPARE(messages.texts(), QStringList{QStringLiteral("通讯失败！")});
            for (int row = 1; row <= received; ++row)
                QCOMPARE(window.Grid()->cell(2, row), QStringLiteral("QF%1").arg(row - 1));
            QVERIFY(!usb.backend().isOpen());
        }
        QCOMPARE(usb.openCount(), usb.closeCount());
    }
};

QTEST_MAIN(TstSoak)
#include "tst_soak.moc"
