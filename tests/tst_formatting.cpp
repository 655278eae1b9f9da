// Every text a record shows, from the instrument's bytes or the shared settings.
#include "core/GbkText.h"
#include "core/UDataCenter.h"

#include <QtTest>

using Bytes = QList<int>;
Q_DECLARE_METATYPE(Bytes)

namespace {
std::vector<uint8_t> ToBytes(const Bytes& values) {
    std::vector<uint8_t> bytes;
    for (int v : values)
        bytes.push_back(uint8_t(v));
    return bytes;
}
} // namespace

class TstFormatting : public QObject {
    Q_OBJECT
private slots:
    void currentStepText_data() {
        QTest::addColumn<unsigned>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("6 is 600 A") << 6u << "600 A";
        QTest::newRow("13 is 90 A") << 13u << "90 A";
        QTest::newRow("14 is 110 A") << 14u << "110 A";
        QTest::newRow("255 is no step") << 255u << QString();
    }
    void currentStepText() {
        QFETCH(unsigned, code);
        QFETCH(QString, text);
        QCOMPARE(CurrentStepText(code), text);
    }

    void currentStepCodeRoundTrips() {
        for (unsigned code = 1; code <= 22; ++code)
            QCOMPARE(CurrentStepCode(CurrentStepText(code)), int(code));
    }

    void currentStepCode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("blanks around 90") << " 90  A" << 13;
        QTest::newRow("not in the table") << "250 A" << 1;
        QTest::newRow("no blank before A") << "30A" << 1;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("digits stop at a letter") << "40x A" << 8;
        QTest::newRow("negative") << "-30 A" << 1;
    }
    void currentStepCode() {
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(CurrentStepCode(text), code);
    }

    void offeredStepText() {
        QCOMPARE(OfferedStepText(1, 7), QStringLiteral("30 A"));
        QCOMPARE(OfferedStepText(2, 7), QString());
        QCOMPARE(OfferedStepText(0xFF, 7), QString());
        QCOMPARE(OfferedStepText(1, 0), QString());
    }

    void symbolCode_data() {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("skips 62 and above, 0 is a digit") << Bytes{1, 2, 35, 36, 61, 62, 255, 0} << "12Zaz0";
        QTest::newRow("all skipped") << Bytes{62, 63, 100, 200, 255, 254, 70, 99} << "";
        QTest::newRow("all zero") << Bytes{0, 0, 0, 0, 0, 0, 0, 0} << "00000000";
    }
    void symbolCode() {
        QFETCH(Bytes, bytes);
        QFETCH(QString, text);
        QCOMPARE(SymbolCodeText(ToBytes(bytes).data()), text);
    }

    void instrumentTime_data() {
        QTest::addColumn<Bytes>("ymdhm");
        QTest::addColumn<QString>("text");
        QTest::newRow("BCD") << Bytes{0x24, 0x03, 0x15, 0x09, 0x41} << "24-03-15 09:41";
        QTest::newRow("end of century") << Bytes{0x99, 0x12, 0x31, 0x23, 0x59} << "99-12-31 23:59";
        QTest::newRow("not decimal shows as hex") << Bytes{0x5A, 0x0B, 0x01, 0x00, 0xFF} << "5A-0B-01 00:FF";
    }
    void instrumentTime() {
        QFETCH(Bytes, ymdhm);
        QFETCH(QString, text);
        const auto b = ToBytes(ymdhm);
        QCOMPARE(InstrumentTimeText(b[0], b[1], b[2], b[3], b[4]), text);
    }

    void uploadedResistance_data() {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << Bytes{0, 0, 0} << "0.0 uΩ";
    }
    void uploadedResistance() {
        QFETCH(Bytes, bytes);
        QFETCH(QString, text);
        const auto b = ToBytes(bytes);
        QCOMPARE(UploadedResistanceText(b[0], b[1], b[2]), text);
    }

    void formatReading_data() {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("volts") << Bytes{0, 0, 0x04, 0xD2, 1} << 2 << "123.4 V";
        QTest::newRow("millivolts") << Bytes{0, 0, 0, 5, 3} << 2 << "5.0 mV";
        QTest::newRow("exactly 1 ohm is small unit") << Bytes{0, 0, 0x03, 0xE8, 3} << 3 << "1000000.0 uΩ";
        QTest::newRow("exactly 1 volt is small unit") << Bytes{0, 0, 0, 1, 0} << 2 << "1000.0 mV";
        QTest::newRow("micro-ohms") << Bytes{0, 0, 0, 2, 6} << 3 << "2.0 uΩ";
        QTest::newRow("ohms") << Bytes{0, 0, 0, 25, 1} << 3 << "2.5 Ω";
        QTest::newRow("negative current") << Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0} << 1 << "-1.0 A";
        QTest::newRow("negative voltage in mV") << Bytes{0xFF, 0xFF, 0xFF, 0xF6, 0} << 2 << "-10000.0 mV";
        QTest::newRow("negative resistance in uOhm") << Bytes{0x80, 0, 0, 0, 9} << 3 << "-2147483.6 uΩ";
        QTest::newRow("unknown kind") << Bytes{0, 0, 0, 1, 0} << 4 << "";
        QTest::newRow("huge exponent") << Bytes{0, 0, 0, 1, 255} << 3 << "0.0 uΩ";
    }
    void formatReading() {
        QFETCH(Bytes, bytes);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QCOMPARE(FormatReading(ToBytes(bytes).data(), kind), text);
    }

    void dateTexts() {
        QCOMPARE(FormatTestTime(QDateTime(QDate(2009, 1, 5), QTime(7, 3))), QStringLiteral("09-01-05 07:03"));
        QCOMPARE(FormatFileStamp(QDateTime(QDate(2024, 3, 15), QTime(9, 41, 7))),
                 QStringLiteral("24-03-15 09-41-07"));
        QCOMPARE(FormatTestTime(QDateTime(QDate(2100, 12, 31), QTime(23, 59))),
                 QStringLiteral("00-12-31 23:59"));
    }

    void smallTexts() {
        QCOMPARE(RowNumberText(1), QStringLiteral(" 1"));
        QCOMPARE(RowNumberText(42), QStringLiteral("42"));
        QCOMPARE(RowNumberText(255), QStringLiteral("255"));
        QCOMPARE(LoadTimeText(5), QStringLiteral("5 秒"));
        QCOMPARE(LeftText(QStringLiteral("abc"), 0), QString());
        QCOMPARE(LeftText(QStringLiteral("abc"), -2), QString());
        QCOMPARE(LeftText(QStringLiteral("abcdef"), 4), QStringLiteral("abcd"));
        QCOMPARE(RightText(QStringLiteral("a.txt"), 4), QStringLiteral(".txt"));
        QCOMPARE(RightText(QStringLiteral("ab"), 10), QStringLiteral("ab"));
        QCOMPARE(TrimText(QStringLiteral("\t 1 \r\n")), QStringLiteral("1"));
        QCOMPARE(TrimText(QStringLiteral(" 测 试 ")), QStringLiteral("测 试"));
    }

    void gbkBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("cut");
        QTest::newRow("ascii") << "abcdefghijklmnopqrstuvwxy" << 20 << "abcdefghijklmnopqrst";
        QTest::newRow("ten chinese fit") << "一二三四五六七八九十" << 20 << "一二三四五六七八九十";
        QTest::newRow("no half character") << "a一二三四五六七八九十" << 20 << "a一二三四五六七八九";
        QTest::newRow("omega is two bytes") << "ΩΩΩ" << 5 << "ΩΩ";
        QTest::newRow("nothing") << "abc" << 0 << "";
    }
    void gbkBytes() {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(QString, cut);
        QCOMPARE(Gbk::cutToBytes(text, limit), cut);
        QVERIFY(Gbk::byteLength(Gbk::cutToBytes(text, limit)) <= std::max(limit, 0));
        QCOMPARE(Gbk::decode(Gbk::encode(text)), text);
    }

    void gbkEncoding() {
        QVERIFY(Gbk::isAvailable());
        QCOMPARE(Gbk::encode(QStringLiteral("回路Ω")), QByteArray("\xBB\xD8\xC2\xB7\xA6\xB8"));
        QCOMPARE(Gbk::byteLength(QStringLiteral("测试a")), 5);
    }

    void charactersGbkLacksSurvive_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fourByte");
        QTest::newRow("emoji") << QStringLiteral("站😀a") << true;
        QTest::newRow("rare ideograph") << QStringLiteral("𠀀测") << true;
        QTest::newRow("euro stays GBK") << QStringLiteral("€5") << false;
        QTest::newRow("plain") << QStringLiteral("回路Ω") << false;
    }
    void charactersGbkLacksSurvive() {
        QFETCH(QString, text);
        QFETCH(bool, fourByte);
        const QByteArray bytes = Gbk::encode(text);
        QCOMPARE(Gbk::decode(bytes), text);
        QVERIFY(!bytes.contains('?'));
        // Whatever GBK holds keeps its GBK bytes.
        QVERIFY(bytes.contains(Gbk::encode(text.right(1))));
        Gbk::FourByteScan scan;
        for (char c : bytes)
            scan.feed(&c, 1); // one byte at a time, as across slice borders
        QCOMPARE(scan.found(), fourByte);
    }
};

QTEST_GUILESS_MAIN(TstFormatting)
#include "tst_formatting.moc"
