// SystemFile.ini through real files: defaults, parsing, in-place updates, failed writes.
#include "core/GbkText.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QByteArray kDefaults = "[SetParam]\r\nstrCurrentStep=100 A\r\niTestTime=5\r\n"
                             "[RestParam]\r\nstrTestUser=\r\nstrTestAdd=\r\nstrDevice=\r\n"
                             "[Communication]\r\ngiCommStyle=0\r\ngiCommPort=3\r\ngiBaudRate=6\r\n";

} // namespace

class TstSettings : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void firstRunWritesDefaultsInTableOrder() {
        TempProgramDir dir;
        LoadSettings();
        QCOMPARE(strCurrentStep, QStringLiteral("100 A"));
        QCOMPARE(iTestTime, 5);
        QCOMPARE(giCommStyle, 0);
        QCOMPARE(giCommPort, 3);
        QCOMPARE(giBaudRate, 6);
        QVERIFY(strTestUser.isEmpty());
        QVERIFY(SaveSettings());
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("SystemFile.ini"))), kDefaults);
    }

    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "17" << 17;
        QTest::newRow("not a number") << "abc" << 5;
        QTest::newRow("0x hex") << "0x10" << 16;
        QTest::newRow("0X hex") << "0X1f" << 31;
        QTest::newRow("dollar hex") << "$20" << 32;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("bare 0x") << "0x" << 5;
        QTest::newRow("trailing junk") << "12a" << 5;
        QTest::newRow("empty") << "" << 5;
        QTest::newRow("too large") << "99999999999" << 5;
        QTest::newRow("all bits") << "0xFFFFFFFF" << -1;
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(int, value);
        TempProgramDir dir;
        WriteAll(dir.filePath(QStringLiteral("SystemFile.ini")),
                 "[SetParam]\r\niTestTime=" + Gbk::encode(text) + "\r\n");
        LoadSettings();
        QCOMPARE(iTestTime, value);
    }

    void shortTextsAreCutTo20Bytes() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        WriteAll(path, "[RestParam]\r\nstrTestUser=ABCDEFGHIJKLMNOPQRSTUVWXY\r\nstrTestAdd=" +
                           Gbk::encode(QStringLiteral("一二三四五六七八九十十一")) + "\r\n");
        LoadSettings();
        QCOMPARE(strTestUser, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(strTestAdd, QStringLiteral("一二三四五六七八九十"));
        QVERIFY(SaveSettings());
        const QByteArray saved = ReadAll(path);
        QVERIFY(saved.contains("strTestUser=ABCDEFGHIJKLMNOPQRST\r\n"));
        QVERIFY(saved.contains("strTestAdd=" + Gbk::encode(QStringLiteral("一二三四五六七八九十")) + "\r\n"));
    }

    void unknownEntriesSurviveAndKeysUpdateInPlace() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        WriteAll(path, "; kept comment\r\n[serialports]\r\nCOM3=/dev/ttyUSB0\r\n"
                       "[COMMUNICATION]\r\nGICOMMSTYLE=7\r\nExtra=1\r\n"
                       "[setparam]\r\nistesttime=0\r\nITESTTIME=0x10\n");
        LoadSettings();
        QCOMPARE(giCommStyle, 7);
        QCOMPARE(iTestTime, 16);
        giCommPort = 4;
        QVERIFY(SaveSettings());
        const QByteArray saved = ReadAll(path);
        QVERIFY(saved.startsWith("; kept comment\r\n[serialports]\r\nCOM3=/dev/ttyUSB0\r\n"));
        QVERIFY(saved.contains(
            "[COMMUNICATION]\r\nGICOMMSTYLE=7\r\nExtra=1\r\ngiCommPort=4\r\ngiBaudRate=6\r\n"));
        // 0x10 still reads as 16: the program did not change it, so its bytes stay (line end too).
        QVERIFY(saved.contains("ITESTTIME=0x10\nstrCurrentStep=100 A\r\n[RestParam]"));
        QCOMPARE(saved.count("iTestTime="), 0);
        QCOMPARE(saved.count("ITESTTIME="), 1);
        QCOMPARE(saved.count("istesttime=0\r\n"), 1);
        QCOMPARE(saved.count("[SetParam]"), 0);
        QVERIFY(saved.contains("[RestParam]\r\nstrTestUser=\r\n"));
    }

    void chineseValuesRoundTripAsGbk() {
        TempProgramDir dir;
        LoadSettings();
        strTestAdd = QStringLiteral("变电站一号");
        strCurrentStep = QStringLiteral("30 A");
        QVERIFY(SaveSettings());
        const QByteArray saved = ReadAll(dir.filePath(QStringLiteral("SystemFile.ini")));
        QVERIFY(saved.contains(Gbk::encode(QStringLiteral("strTestAdd=变电站一号"))));
        ResetSharedState();
        LoadSettings();
        QCOMPARE(strTestAdd, QStringLiteral("变电站一号"));
        QCOMPARE(strCurrentStep, QStringLiteral("30 A"));
    }

    void unwritableFolderReportsAndKeepsOldFile() {
        if (geteuid() == 0)
            QSKIP("root ignores folder permissions");
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        WriteAll(path, "[SetParam]\r\niTestTime=9\r\n");
        LoadSettings();
        iTestTime = 30;
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        MessageRecorder recorder;
        const bool saved = SaveSettings();
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!saved);
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("Unable to write to %1").arg(path)});
        QCOMPARE(ReadAll(path), QByteArray("[SetParam]\r\niTestTime=9\r\n"));
    }

    void fileInPlaceOfFolderReportsAndKeepsOldFile() {
        // Works as root too: the settings path is a folder, so nothing can be written over it.
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        MessageRecorder recorder;
        QVERIFY(!SaveSettings());
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("Unable to write to %1").arg(path)});
        QCOMPARE(recorder.messages.front().caption, kAppTitle);
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    }

    void profileFileKeepsBytesItDoesNotUnderstand() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("other.ini"));
        const QByteArray odd = "junk line \xFF\xFE\r\n[A]\r\nk=v\r\n[]\r\nx=1\r\n";
        WriteAll(path, odd);
        ProfileFile ini(path);
        QVERIFY(ini.load());
        QCOMPARE(ini.readString(QStringLiteral("a"), QStringLiteral("K"), QString()), QStringLiteral("v"));
        QVERIFY(!ini.value(QStringLiteral(""), QStringLiteral("x")).has_value());
        ini.setValue(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("2"));
        QVERIFY(ini.save());
        QCOMPARE(ReadAll(path), QByteArray("junk line \xFF\xFE\r\n[A]\r\nk=v\r\nnew=2\r\n[]\r\nx=1\r\n"));
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
