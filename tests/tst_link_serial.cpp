// The serial exchange against the virtual instrument over a real pseudo-terminal.
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "link/InstrumentLink.h"
#include "link/KMVCommUnit.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTest>

namespace {

SimSetup ThreeRecords() {
    SimSetup setup;
    const QDateTime when(QDate(2026, 12, 7), QTime(14, 30));
    setup.records = {SimRecord{when, "123AB", "TEST", "LAB1", 1, 5, 12345}.frame(),
                     SimRecord{when, "QF2", "LI", "SUB", 7, 10, 800}.frame(),
                     SimRecord{when, "QF3", "WANG", "SUB", 22, 60, 16777215}.frame()};
    setup.stepFlags = SimSetup::steps({1, 7});
    setup.identity = 2;
    setup.serial = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    return setup;
}

QByteArray Bytes(const CommandBuffer& buffer, int count) {
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), count);
}

} // namespace

class TestLinkSerial : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        m_dir = std::make_unique<TempProgramDir>();
    }
    void cleanup() { m_dir.reset(); }

    void cleanExchange_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        const SimSetup s = ThreeRecords();
        QByteArray steps(24, '\0');
        steps[0] = char(0xF3);
        steps[2] = 1;
        steps[8] = 1;
        QTest::newRow("record count") << QByteArray("\xF0", 1) << QByteArray("\xF0\x03", 2);
        QTest::newRow("record 0") << QByteArray("\xF1\x00", 2) << s.records[0];
        QTest::newRow("record 2") << QByteArray("\xF1\x02", 2) << s.records[2];
        QTest::newRow("step table") << QByteArray("\xF3", 1) << steps;
        QTest::newRow("serial") << QByteArray("\xF6", 1)
                                << QByteArray("\xF6\x01\x23\x45\x67\x89\xAB\xCD\xEF", 9);
        QTest::newRow("identity") << QByteArray("\xF8", 1) << QByteArray("\xF8\x02", 2);
        QTest::newRow("poll before a test")
            << QByteArray("\xFA", 1) << (QByteArray("\xFA", 1) + QByteArray(18, 0));
    }
    void cleanExchange() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        SerialSim sim(ThreeRecords());
        QVERIFY2(sim.ok(), "no pseudo-terminal");
        sim.pointProgramAt(3);
        CommandBuffer buffer{};
        buffer.fill(0x55);
        std::copy(request.begin(), request.end(), buffer.begin());
        QVERIFY(SendCommand(buffer[0], buffer, int(reply.size()), int(request.size())));
        QCOMPARE(Bytes(buffer, int(reply.size())), reply);
        QCOMPARE(sim.requests(), QList<QByteArray>{request});
    }

    // 1 of 2 bytes: every attempt runs into its read deadline; four attempts, then false.
    void shortReplyFailsAfterFourAttempts() {
        SimSetup setup = ThreeRecords();
        setup.faults.shortReply = 1;
        SerialSim sim(setup);
        sim.pointProgramAt(3);
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(!SendCommand(cmdRecordCount, buffer, 2, 1));
        QCOMPARE(sim.requestCodes(), (QList<uint8_t>{0xF0, 0xF0, 0xF0, 0xF0}));
    }

    // 3 of 2 bytes: the read succeeds and the third byte never reaches the next exchange.
    void surplusByteIsDiscarded() {
        SimSetup setup = ThreeRecords();
        setup.faults.surplusAfter = QByteArray("\x77", 1);
        SerialSim sim(setup);
        sim.pointProgramAt(3);
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        QCOMPARE(Bytes(buffer, 2), QByteArray("\xF0\x03", 2));
        sim.setFaults({});
        buffer = {cmdIdentify};
        QVERIFY(SendCommand(cmdIdentify, buffer, 2, 1));
        QCOMPARE(Bytes(buffer, 2), QByteArray("\xF8\x02", 2));
        QCOMPARE(sim.requests().size(), 2);
    }

    void writeOnlyCommands_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("clear history") << QByteArray("\xF2", 1);
        QTest::newRow("start test") << QByteArray("\xF4\x0A\x07", 3);
        QTest::newRow("set test params") << QByteArray("\xF9\x3C\x16", 3);
        QTest::newRow("write serial") << QByteArray("\xF7\x11\x22\x33\x44\x55\x66\x77\x88", 9);
    }
    // Written once, nothing read: even the reply-less instrument gives success at once.
    void writeOnlyCommands() {
        QFETCH(QByteArray, request);
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(3);
        CommandBuffer buffer{};
        std::copy(request.begin(), request.end(), buffer.begin());
        QVERIFY(SendCommand(buffer[0], buffer, 0, int(request.size())));
        QCOMPARE(sim.requests(), QList<QByteArray>{request});
    }

    void writeOnlyCommandsChangeTheInstrument() {
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(3);
        CommandBuffer buffer{cmdWriteSerial, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
        QVERIFY(SendCommand(cmdWriteSerial, buffer, 0, 9));
        buffer = {cmdReadSerial};
        QVERIFY(SendCommand(cmdReadSerial, buffer, 9, 1));
        QCOMPARE(DecodeSerialNumber(buffer.data()), QStringLiteral("A0A1A2A3A4A5A6A7"));
        buffer = {cmdClearHistory};
        QVERIFY(SendCommand(cmdClearHistory, buffer, 0, 1));
        buffer = {cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        QCOMPARE(buffer[1], uint8_t(0));
    }

    void portThatCannotBeOpened() {
        giCommStyle = 1;
        giCommPort = 3;
        ProfileFileMapping(3, m_dir->filePath("no-such-device"));
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(!SendCommand(cmdRecordCount, buffer, 2, 1));
        QVERIFY(!SendCommand(cmdClearHistory, buffer, 0, 1));
    }

    void instrumentThatHungUp() {
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(3);
        sim.stop();
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(!SendCommand(cmdRecordCount, buffer, 2, 1));
    }

    // A flow keeps the link it started with: the settings file is not read again on every attempt,
    // so a mapping changed meanwhile applies from the next flow on.
    void flowKeepsItsLinkSettings() {
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(3);
        InstrumentLink upload;
        ProfileFileMapping(3, m_dir->filePath(QStringLiteral("ttyUSB9")));
        QCOMPARE(upload.recordCount().value_or(-1), 3);
        for (int index = 0; index < 3; ++index)
            QVERIFY(upload.readRecord(index, index + 1));
        QVERIFY(!InstrumentLink().recordCount());
    }

    // Port numbers are clamped to 1..16 before the [SerialPorts] mapping is looked up.
    void portNumberIsClamped_data() {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("mapped");
        QTest::newRow("0 opens COM1") << 0 << 1;
        QTest::newRow("17 opens COM16") << 17 << 16;
        QTest::newRow("low byte of 259 is 3") << 259 << 3;
    }
    void portNumberIsClamped() {
        QFETCH(int, setting);
        QFETCH(int, mapped);
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(mapped);
        giCommPort = setting;
        CommandBuffer buffer{cmdIdentify};
        QVERIFY(SendCommand(cmdIdentify, buffer, 2, 1));
        QCOMPARE(buffer[1], uint8_t(2));
    }

    // Every rate of the list works on the pseudo-terminal, the custom ones included; the
    // instrument paces its bytes at the rate the program set.
    void baudRates_data() {
        QTest::addColumn<int>("index");
        for (int index : {3, 6, 9, 10, 12, 13})
            QTest::addRow("index %d (%d baud)", index, BaudRateFromIndex(index)) << index;
    }
    void baudRates() {
        QFETCH(int, index);
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(3, index);
        CommandBuffer buffer{cmdReadRecord, 1};
        QVERIFY(SendCommand(cmdReadRecord, buffer, 37, 2));
        QCOMPARE(Bytes(buffer, 37), ThreeRecords().records[1]);
    }

    // The link dies after two commands: the third gets nothing, four attempts, false.
    void linkDiesAfterTwoCommands() {
        SimSetup setup = ThreeRecords();
        setup.faults.dieAfter = 2;
        SerialSim sim(setup);
        sim.pointProgramAt(3);
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        buffer = {cmdReadRecord, 0};
        QVERIFY(SendCommand(cmdReadRecord, buffer, 37, 2));
        buffer = {cmdReadRecord, 1};
        QVERIFY(!SendCommand(cmdReadRecord, buffer, 37, 2));
        QCOMPARE(sim.requests().size(), 6);
    }

    // Stray bytes before the reply would shift it: a reply that does not echo its code fails the
    // attempt, and every attempt sends the request as the caller gave it, not the bytes read.
    void strayBytesAreNotTakenForTheReply() {
        SimSetup setup = ThreeRecords();
        setup.faults.strayBefore = QByteArray("\x00", 1);
        SerialSim sim(setup);
        sim.pointProgramAt(3);
        CommandBuffer buffer{cmdReadRecord, 2};
        QVERIFY(!SendCommand(cmdReadRecord, buffer, 37, 2));
        QCOMPARE(sim.requests(), QList<QByteArray>(4, QByteArray("\xF1\x02", 2)));
        sim.setFaults({});
        buffer = {cmdReadRecord, 2};
        QVERIFY(SendCommand(cmdReadRecord, buffer, 37, 2));
        QCOMPARE(buffer[0], cmdReadRecord);
    }

    // An index outside the list opens the port at 57600 baud; the listed rates are checked against
    // the settings window's list.
    void baudRateOutsideTheList() {
        for (int index : {0, 14, -1})
            QCOMPARE(BaudRateFromIndex(index), 57600);
    }

    // Twenty bit times per byte, rounded half to even, 10 ms when that is 0, plus 100 ms.
    void readDeadline_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("ms");
        for (auto [count, ms] : {std::pair{2, 104}, {9, 119}, {19, 140}, {24, 150}, {37, 177}})
            QTest::addRow("%d bytes at 9600", count) << count << 9600 << ms;
        QTest::newRow("37 bytes at 300") << 37 << 300 << 2567;
        QTest::newRow("1 byte at 256000 rounds to 0") << 1 << 256000 << 110;
        QTest::newRow("2.5 ms rounds down to even") << 1 << 8000 << 102;
        QTest::newRow("7.5 ms rounds up to even") << 3 << 8000 << 108;
    }
    void readDeadline() {
        QFETCH(int, count);
        QFETCH(int, baud);
        QFETCH(int, ms);
        QCOMPARE(ReadDeadline(count, baud).count(), ms);
    }

    void portNames_data() {
        QTest::addColumn<QString>("mapping");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("name");
        QTest::newRow("mapped") << "COM3=/dev/ttyUSB0" << 3 << "/dev/ttyUSB0";
        QTest::newRow("blanks trimmed") << "com3 =  /dev/ttyACM1 " << 3 << "/dev/ttyACM1";
        QTest::newRow("other port mapped") << "COM4=/dev/ttyUSB0" << 3 << "/dev/ttyS2";
        QTest::newRow("empty mapping") << "COM1=" << 1 << "/dev/ttyS0";
        QTest::newRow("no mapping, COM16") << "" << 16 << "/dev/ttyS15";
    }
    void portNames() {
        QFETCH(QString, mapping);
        QFETCH(int, port);
        QFETCH(QString, name);
        QFile ini(SettingsFilePath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[SerialPorts]\r\n" + mapping.toLatin1() + "\r\n");
        ini.close();
        QCOMPARE(SerialPortName(port), name);
    }

    void oversizedLengthsAreRefused() {
        SerialSim sim(ThreeRecords());
        sim.pointProgramAt(3);
        CommandBuffer buffer{cmdReadRecord, 0};
        QVERIFY(!SerialExchange(cmdReadRecord, buffer, 65, 2));
        QVERIFY(!SerialExchange(cmdReadRecord, buffer, 37, 0));
        QVERIFY(sim.requests().isEmpty());
    }

private:
    void ProfileFileMapping(int port, const QString& device);
    std::unique_ptr<TempProgramDir> m_dir;
};

void TestLinkSerial::ProfileFileMapping(int port, const QString& device) {
    ProfileFile ini(SettingsFilePath());
    QVERIFY(ini.load());
    ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port), device);
    QVERIFY(ini.save());
}

QTEST_GUILESS_MAIN(TestLinkSerial)
#include "tst_link_serial.moc"
