// The virtual instrument's model: what it answers, how it misbehaves, and its setup text.
#include "core/ProfileFile.h"
#include "link/Protocol.h"
#include "sim/SimOptions.h"
#include "sim/VirtualInstrument.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Frame(std::initializer_list<int> bytes) {
    QByteArray f;
    for (int b : bytes)
        f.append(char(b));
    return f;
}

const uint8_t* Data(const QByteArray& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

SimSetup TwoRecords() {
    SimSetup s;
    s.records = {
        SimRecord{QDateTime(QDate(2026, 12, 7), QTime(14, 30)), "123AB", "TEST", "LAB1", 1, 5, 12345}.frame(),
        SimRecord{QDateTime(QDate(2025, 1, 2), QTime(3, 4)), "az09", "Zq", "", 22, 60, 0xFFFFFF}.frame()};
    s.testMicroOhmTenths = 1230;
    return s;
}

} // namespace

Q_DECLARE_METATYPE(SimFaults)

class TestSimModel : public QObject {
    Q_OBJECT

private slots:
    // Records built by the model decode into the texts they were made from.
    void recordsDecode() {
        VirtualInstrument sim(TwoRecords());
        QCOMPARE(sim.respond(Frame({0xF0})).reply, Frame({0xF0, 2}));
        const QByteArray first = sim.respond(Frame({0xF1, 0})).reply;
        QCOMPARE(first.size(), ReplyLength(cmdReadRecord));
        auto texts = DecodeRecord(Data(first), 1);
        QCOMPARE(
            QStringList(texts.begin(), texts.end()),
            (QStringList{" 1", "26-12-07 14:30", "123AB", "TEST", "LAB1", "100 A", "5 秒", "1234.5 uΩ"}));
        texts = DecodeRecord(Data(sim.respond(Frame({0xF1, 1})).reply), 2);
        QCOMPARE(QStringList(texts.begin(), texts.end()),
                 (QStringList{" 2", "25-01-02 03:04", "az09", "Zq", "", "190 A", "60 秒", "1677721.5 uΩ"}));
        const QByteArray beyond = sim.respond(Frame({0xF1, 2})).reply;
        QCOMPARE(beyond, Frame({0xF1}) + QByteArray(36, '\0'));
    }

    void clearAndCapacity() {
        SimSetup setup;
        setup.records = GeneratedRecords(300);
        QCOMPARE(setup.records.size(), 255);
        VirtualInstrument sim(setup);
        QCOMPARE(sim.respond(Frame({0xF0})).reply, Frame({0xF0, 255}));
        QVERIFY(sim.respond(Frame({0xF2})).empty());
        QCOMPARE(sim.respond(Frame({0xF0})).reply, Frame({0xF0, 0}));
    }

    void serialAndIdentity() {
        SimSetup setup;
        setup.identity = 7;
        VirtualInstrument sim(setup);
        QVERIFY(sim.respond(Frame({0xF7, 1, 2, 3, 4, 5, 6, 7, 8})).empty());
        QCOMPARE(sim.respond(Frame({0xF6})).reply, Frame({0xF6, 1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(sim.respond(Frame({0xF8})).reply, Frame({0xF8, 7}));
        sim.setIdentity(2);
        QCOMPARE(sim.respond(Frame({0xF8})).reply, Frame({0xF8, 2}));
    }

    void stepTable() {
        SimSetup setup;
        setup.stepFlags = SimSetup::steps({1, 7, 22});
        VirtualInstrument sim(setup);
        const QByteArray reply = sim.respond(Frame({0xF3})).reply;
        QCOMPARE(reply.size(), ReplyLength(cmdReadStepTable));
        const auto flags = DecodeStepFlags(Data(reply));
        for (int code = 1; code <= 22; ++code)
            QCOMPARE(flags[size_t(code - 1)], uint8_t(code == 1 || code == 7 || code == 22));
    }

    // A started test answers as many polls as it has seconds with live readings, then the result.
    void liveTest() {
        VirtualInstrument sim(TwoRecords());
        QCOMPARE(uint8_t(sim.respond(Frame({0xFA})).reply.at(18)), uint8_t(0));
        QVERIFY(sim.respond(Frame({0xF9, 20, 2})).empty());
        QCOMPARE(sim.testParams(), std::make_pair(uint8_t(20), uint8_t(2)));
        QVERIFY(sim.respond(Frame({0xF4, 3, 1})).empty());
        for (int poll = 1; poll <= 3; ++poll) {
            const PollReply p = DecodePoll(Data(sim.respond(Frame({0xFA})).reply));
            QCOMPARE(p.status, uint8_t(TestStatus::Running));
            if (poll == 1)
                QCOMPARE(p.current, QStringLiteral("98.0 A")); // still rising
        }
        for (int poll = 0; poll < 2; ++poll) {
            const PollReply p = DecodePoll(Data(sim.respond(Frame({0xFA})).reply));
            QCOMPARE(p.status, uint8_t(TestStatus::Finished));
            QCOMPARE(p.current, QStringLiteral("100.0 A"));
            QCOMPARE(p.voltage, QStringLiteral("12.3 mV"));
            QCOMPARE(p.resistance, QStringLiteral("123.0 uΩ"));
        }
        QVERIFY(!sim.testRunning());
    }

    void testFaultStatus_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("wiring error") << 0x81;
        QTest::newRow("over range") << 0x82;
    }
    void testFaultStatus() {
        QFETCH(int, status);
        SimSetup setup;
        setup.faults.pollStatus = uint8_t(status);
        VirtualInstrument sim(setup);
        sim.respond(Frame({0xF4, 10, 1}));
        const QByteArray reply = sim.respond(Frame({0xFA})).reply;
        QCOMPARE(int(uint8_t(reply.at(18))), status);
        QCOMPARE(reply.mid(1, 17), QByteArray(17, '\0'));
    }

    void faults_data() {
        QTest::addColumn<SimFaults>("faults");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("surplus");
        const QByteArray serial = Frame({0xF6, 0x20, 0x24, 0x05, 0x31, 0, 0, 0x01, 0x23});
        QTest::newRow("none") << SimFaults{} << Frame({0xF6}) << QByteArray() << serial << QByteArray();
        QTest::newRow("no reply") << SimFaults{.noReply = true} << Frame({0xF6}) << QByteArray()
                                  << QByteArray() << QByteArray();
        QTest::newRow("short") << SimFaults{.shortReply = 1} << Frame({0xF6}) << QByteArray()
                               << serial.left(1) << QByteArray();
        QTest::newRow("stray and surplus")
            << SimFaults{.strayBefore = "\x01", .surplusAfter = "\x02\x03"} << Frame({0xF6})
            << QByteArray("\x01") << serial << QByteArray("\x02\x03");
        QTest::newRow("only another code") << SimFaults{.noReply = true, .onlyCode = 0xF1} << Frame({0xF6})
                                           << QByteArray() << serial << QByteArray();
        QTest::newRow("write-only stays silent") << SimFaults{.strayBefore = "\x01"} << Frame({0xF2})
                                                 << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("unknown code")
            << SimFaults{} << Frame({0xF5}) << QByteArray() << QByteArray() << QByteArray();
    }
    void faults() {
        QFETCH(SimFaults, faults);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, stray);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, surplus);
        SimSetup setup;
        setup.faults = faults;
        VirtualInstrument sim(setup);
        const SimResponse r = sim.respond(request);
        QCOMPARE(r.stray, stray);
        QCOMPARE(r.reply, reply);
        QCOMPARE(r.surplus, surplus);
        QCOMPARE(sim.requests(), QList<QByteArray>{request});
    }

    // The link dies after k requests, counted again from every change of the faults.
    void linkDies() {
        SimSetup setup;
        setup.faults.dieAfter = 2;
        VirtualInstrument sim(setup);
        QVERIFY(!sim.respond(Frame({0xF8})).empty());
        QVERIFY(!sim.dead());
        QVERIFY(!sim.respond(Frame({0xF8})).empty());
        QVERIFY(sim.dead());
        QVERIFY(sim.respond(Frame({0xF8})).empty());
        QCOMPARE(sim.requestCodes(), (QList<uint8_t>{0xF8, 0xF8, 0xF8}));
        sim.setFaults({});
        QVERIFY(!sim.dead());
        QVERIFY(!sim.respond(Frame({0xF8})).empty());
    }

    void faultTexts_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<SimFaults>("faults");
        QTest::newRow("no-reply") << "no-reply" << true << SimFaults{.noReply = true};
        QTest::newRow("short") << "short=1" << true << SimFaults{.shortReply = 1};
        QTest::newRow("stray") << "stray=00ff" << true << SimFaults{.strayBefore = QByteArray("\x00\xFF", 2)};
        QTest::newRow("surplus") << "surplus=77" << true << SimFaults{.surplusAfter = "\x77"};
        QTest::newRow("status") << "status=0x82" << true << SimFaults{.pollStatus = 0x82};
        QTest::newRow("die-after") << "die-after=5" << true << SimFaults{.dieAfter = 5};
        QTest::newRow("only") << "only=0xF1" << true << SimFaults{.onlyCode = 0xF1};
        QTest::newRow("status other than a fault") << "status=0x83" << false << SimFaults{};
        QTest::newRow("odd hex") << "stray=0" << false << SimFaults{};
        QTest::newRow("negative") << "short=-2" << false << SimFaults{};
        QTest::newRow("unknown") << "slow" << false << SimFaults{};
    }
    void faultTexts() {
        QFETCH(QString, fault);
        QFETCH(bool, valid);
        QFETCH(SimFaults, faults);
        SimFaults parsed;
        QString error;
        QCOMPARE(ApplyFault(fault, parsed, &error), valid);
        QCOMPARE(error.isEmpty(), valid);
        QCOMPARE(parsed.noReply, faults.noReply);
        QCOMPARE(parsed.shortReply, faults.shortReply);
        QCOMPARE(parsed.strayBefore, faults.strayBefore);
        QCOMPARE(parsed.surplusAfter, faults.surplusAfter);
        QCOMPARE(parsed.pollStatus, faults.pollStatus);
        QCOMPARE(parsed.dieAfter, faults.dieAfter);
        QCOMPARE(parsed.onlyCode, faults.onlyCode);
    }

    void setupFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("instrument.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# two records\n"
                   "record=26-12-07 14:30,123AB,TEST,LAB1,1,5,12345\n"
                   "record = 24-01-31 23:59 , QF9 , LI , SUB , 7 , 60 , 5  # trailing comment\n"
                   "identity=2\nserial=0123456789abcdef\nsteps=1,7\nfault=short=1\n");
        file.close();
        SimSetup setup;
        QString error;
        QVERIFY2(LoadSetupFile(path, setup, &error), qPrintable(error));
        QCOMPARE(setup.records.size(), 2);
        QCOMPARE(setup.records[0], TwoRecords().records[0]);
        const auto texts = DecodeRecord(Data(setup.records[1]), 2);
        QCOMPARE(QStringList(texts.begin(), texts.end()),
                 (QStringList{" 2", "24-01-31 23:59", "QF9", "LI", "SUB", "30 A", "60 秒", "0.5 uΩ"}));
        QCOMPARE(setup.identity, uint8_t(2));
        QCOMPARE(setup.serial, (std::array<uint8_t, 8>{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));
        QCOMPARE(setup.stepFlags, SimSetup::steps({1, 7}));
        QCOMPARE(setup.faults.shortReply, 1);
    }

    void badSetupLines_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("record fields missing") << "record=26-12-07 14:30,123AB";
        QTest::newRow("record time") << "record=26/12/07,A,B,C,1,5,1";
        QTest::newRow("serial too short") << "serial=0123";
        QTest::newRow("step 23") << "steps=1,23";
        QTest::newRow("records 256") << "records=256";
        QTest::newRow("no equals sign") << "identity";
        QTest::newRow("unknown key") << "colour=red";
    }
    void badSetupLines() {
        QFETCH(QString, line);
        QTemporaryDir dir;
        QFile file(dir.filePath("bad.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(line.toUtf8() + "\n");
        file.close();
        SimSetup setup;
        QString error;
        QVERIFY(!LoadSetupFile(file.fileName(), setup, &error));
        QVERIFY(error.contains(":1:"));
    }

    // The mapping goes into [SerialPorts]; every other entry of the file stays as it was.
    void serialPortMapping() {
        QTemporaryDir dir;
        const QString path = dir.filePath("SystemFile.ini");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "; settings\r\n[Communication]\r\ngiCommStyle=1\r\n[SerialPorts]\r\nCOM1=/dev/ttyUSB0\r\n");
        file.close();
        QVERIFY(WriteSerialPortMapping(path, 3, "/dev/pts/9"));
        QVERIFY(WriteSerialPortMapping(path, 1, "/dev/pts/8"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("; settings\r\n[Communication]\r\ngiCommStyle=1\r\n[SerialPorts]\r\n"
                            "COM1=/dev/pts/8\r\nCOM3=/dev/pts/9\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSimModel)
#include "tst_sim_model.moc"
