// The reply decoders against the instrument's documented frames, and every frame through its
// encoder and decoder.
#include "link/Protocol.h"

#include <QTest>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

const uint8_t* Data(const QByteArray& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

const char* const kRecord = "F1 30 14 03 07 12 26 01 02 03 0A 0B 3E 3E 3E 1D 0E 1C 1D 3E 3E 3E 3E"
                            " 15 0A 0B 01 3E 3E 3E 3E 01 05 00 30 39 00";

// The documented record with some bytes replaced.
QByteArray Record(int offset = 0, const QByteArray& bytes = {}) {
    QByteArray r = Hex(kRecord);
    r.replace(offset, bytes.size(), bytes);
    return r;
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT

private slots:
    void record_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("documented record")
            << Record() << 1
            << QStringList{" 1", "26-12-07 14:30", "123AB", "TEST", "LAB1", "100 A", "5 秒", "1234.5 uΩ"};
        QTest::newRow("symbol bytes 62 and above skipped")
            << Record(7, Hex("01 0A 24 3D 3E FF 09 00")) << 12
            << QStringList{"12", "26-12-07 14:30", "1Aaz90", "TEST", "LAB1", "100 A", "5 秒", "1234.5 uΩ"};
        QTest::newRow("largest resistance, step 22, 60 s")
            << Record(31, Hex("16 3C FF FF FF")) << 255
            << QStringList{"255",  "26-12-07 14:30", "123AB", "TEST",
                           "LAB1", "190 A",          "60 秒", "1677721.5 uΩ"};
        QTest::newRow("step 7 is 30 A")
            << Record(31, Hex("07")) << 2
            << QStringList{" 2", "26-12-07 14:30", "123AB", "TEST", "LAB1", "30 A", "5 秒", "1234.5 uΩ"};
        QTest::newRow("step 0 names no step")
            << Record(31, Hex("00")) << 3
            << QStringList{" 3", "26-12-07 14:30", "123AB", "TEST", "LAB1", "", "5 秒", "1234.5 uΩ"};
        QTest::newRow("step 23 names no step")
            << Record(31, Hex("17")) << 3
            << QStringList{" 3", "26-12-07 14:30", "123AB", "TEST", "LAB1", "", "5 秒", "1234.5 uΩ"};
        QTest::newRow("all-blank symbol fields")
            << Record(7, Hex("3E3E3E3E3E3E3E3E FFFFFFFFFFFFFFFF 4040404040404040")) << 4
            << QStringList{" 4", "26-12-07 14:30", "", "", "", "100 A", "5 秒", "1234.5 uΩ"};
    }
    void record() {
        QFETCH(QByteArray, reply);
        QFETCH(int, row);
        QFETCH(QStringList, texts);
        const auto decoded = DecodeRecord(Data(reply), row);
        QCOMPARE(QStringList(decoded.begin(), decoded.end()), texts);
    }

    void poll_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("voltage");
        QTest::addColumn<QString>("resistance");
        QTest::addColumn<int>("status");
        QTest::newRow("final result") << Hex("FA 000003E801 0000007B04 0000 0000007B06 83") << "100.0 A"
                                      << "12.3 mV"
                                      << "123.0 uΩ" << 0x83;
        QTest::newRow("running, 12.34 and -1")
            << Hex("FA 000004D202 FFFFFFFF00 0000 0000000106 88") << "12.3 A"
            << "-1000.0 mV"
            << "1.0 uΩ" << 0x88;
        QTest::newRow("over range") << Hex("FA 0000000000 0000000000 0000 0000000000 82") << "0.0 A"
                                    << "0.0 mV"
                                    << "0.0 uΩ" << 0x82;
        QTest::newRow("volts and ohms above one")
            << Hex("FA 0000177001 0000003001 0000 0000007D01 81") << "600.0 A"
            << "4.8 V"
            << "12.5 Ω" << 0x81;
    }
    void poll() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, current);
        QFETCH(QString, voltage);
        QFETCH(QString, resistance);
        QFETCH(int, status);
        QCOMPARE(reply.size(), ReplyLength(cmdPollTest));
        const PollReply p = DecodePoll(Data(reply));
        QCOMPARE(p.current, current);
        QCOMPARE(p.voltage, voltage);
        QCOMPARE(p.resistance, resistance);
        QCOMPARE(int(p.status), status);
    }

    // Flags at offsets 2 and 8 offer 100 A (code 1) and 30 A (code 7), 30 A listed first.
    void offeredSteps() {
        QByteArray reply(ReplyLength(cmdReadStepTable), '\0');
        reply[0] = char(cmdReadStepTable);
        reply[1] = 1; // not a flag
        reply[2] = 1;
        reply[8] = 1;
        reply[9] = 2; // only 1 offers a step
        const auto flags = DecodeStepFlags(Data(reply));
        QStringList offered;
        for (int code : StepCodesByCurrent())
            if (flags[size_t(code - 1)] == 1)
                offered << QString::number(code);
        QCOMPARE(offered, (QStringList{"7", "1"}));
    }

    void identity_data() {
        QTest::addColumn<int>("identity");
        QTest::addColumn<QString>("model");
        QTest::newRow("1") << 1 << "5731";
        QTest::newRow("2") << 2 << "qmvr";
        QTest::newRow("0") << 0 << "";
        QTest::newRow("3") << 3 << "";
        QTest::newRow("255") << 255 << "";
    }
    void identity() {
        QFETCH(int, identity);
        QFETCH(QString, model);
        QCOMPARE(ModelText(uint8_t(identity)), model);
    }

    void usbModel_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("type");
        QTest::newRow("5731") << "OH5731-0001" << 1;
        QTest::newRow("qmvr") << "qmvr-22" << 2;
        QTest::newRow("both: 5731 wins") << "qmvr5731" << 1;
        QTest::newRow("case matters") << "QMVR" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void usbModel() {
        QFETCH(QString, serial);
        QFETCH(int, type);
        QCOMPARE(DeviceTypeFromUsbString(serial), type);
    }

    void traceLines() {
        const QByteArray reply = Record();
        const QStringList lines = ByteTraceLines(Data(reply), ReplyLength(cmdReadRecord));
        QCOMPARE(lines.size(), 37);
        QCOMPARE(lines.first(), QStringLiteral("( 0)--F1"));
        QCOMPARE(lines.at(10), QStringLiteral("(10)--0A"));
        QCOMPARE(lines.last(), QStringLiteral("(36)--00"));
    }

    // Every frame encoded as the virtual instrument (replies) or the program (requests) encodes it
    // reads back as what went in, and has the length of its command.
    void encodeDecodeRoundTrip() {
        const auto frameOf = [](const QByteArray& frame, uint8_t code, bool reply) {
            return uint8_t(frame.at(0)) == code &&
                   frame.size() == (reply ? ReplyLength(code) : RequestLength(code));
        };
        QVERIFY(frameOf(EncodeRecordCount(255), cmdRecordCount, true));
        QCOMPARE(DecodeRecordCount(Data(EncodeRecordCount(255))), 255);
        QVERIFY(frameOf(EncodeReadRecord(254), cmdReadRecord, false));
        QCOMPARE(DecodeReadRecord(EncodeReadRecord(254)), 254);
        for (uint8_t code :
             {cmdRecordCount, cmdClearHistory, cmdReadStepTable, cmdReadSerial, cmdIdentify, cmdPollTest})
            QVERIFY(frameOf(EncodeRequest(code), code, false));

        const StoredTest stored{
            QDateTime(QDate(2026, 12, 7), QTime(14, 30, 9)), "123AB", "TEST", "LAB1", 22, 60, 0xFFFFFF};
        const QByteArray record = EncodeRecord(stored);
        QVERIFY(frameOf(record, cmdReadRecord, true));
        const TestRecord decoded = DecodeTestRecord(Data(record), 1);
        QCOMPARE(decoded.testTime.value_or(QDateTime()), QDateTime(QDate(2026, 12, 7), QTime(14, 30)));
        QCOMPARE(decoded.device, stored.device);
        QCOMPARE(decoded.tester, stored.tester);
        QCOMPARE(decoded.location, stored.location);
        QCOMPARE(decoded.stepCode.value_or(0), 22);
        QCOMPARE(decoded.stepAmperes.value_or(0), 190);
        QCOMPARE(decoded.loadSeconds.value_or(0), 60);
        QVERIFY(decoded.resistance == (ScaledReading{0xFFFFFF, 7}));
        QCOMPARE(decoded.rawReply, record);
        // Read back from its texts (a file, a workbook), it is the same test.
        QCOMPARE(TestRecord::FromTexts(decoded.texts).identity(), decoded.identity());

        std::array<uint8_t, kStepCount> flags{};
        flags[0] = 1;
        flags[21] = 7;
        QVERIFY(frameOf(EncodeStepFlags(flags), cmdReadStepTable, true));
        QVERIFY(DecodeStepFlags(Data(EncodeStepFlags(flags))) == flags);

        for (uint8_t code : {cmdStartTest, cmdSetTestParams}) {
            const QByteArray request = EncodeTestParams(code, {60, 22});
            QVERIFY(frameOf(request, code, false));
            const TestParamsRequest params = DecodeTestParams(request);
            QCOMPARE(params.seconds, uint8_t(60));
            QCOMPARE(params.step, uint8_t(22));
        }

        const PollReadings readings{{6000, 1}, {-1, 0}, {123, 6}, uint8_t(TestStatus::Finished)};
        const QByteArray poll = EncodePoll(readings);
        QVERIFY(frameOf(poll, cmdPollTest, true));
        const PollReply reply = DecodePoll(Data(poll));
        QCOMPARE(reply.current, QStringLiteral("600.0 A"));
        QCOMPARE(reply.voltage, QStringLiteral("-1000.0 mV"));
        QVERIFY(reply.resistanceReading == readings.resistance);
        QCOMPARE(reply.status, readings.status);

        const SerialNumber serial{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
        QVERIFY(frameOf(EncodeSerial(cmdReadSerial, serial), cmdReadSerial, true));
        QVERIFY(frameOf(EncodeSerial(cmdWriteSerial, serial), cmdWriteSerial, false));
        QVERIFY(DecodeSerialBytes(Data(EncodeSerial(cmdWriteSerial, serial))) == serial);
        QCOMPARE(DecodeSerialNumber(Data(EncodeSerial(cmdReadSerial, serial))),
                 QStringLiteral("0123456789ABCDEF"));

        QVERIFY(frameOf(EncodeIdentity(2), cmdIdentify, true));
        QCOMPARE(DecodeIdentity(Data(EncodeIdentity(2))), uint8_t(2));
    }
    void codesOutsideTheTable() {
        for (int code : {0x00, 0xEF, 0xF5, 0xFB, 0xFF}) {
            QVERIFY(!FindCommandFrame(uint8_t(code)));
            QVERIFY(!WriteOnlyCommand(uint8_t(code)));
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
