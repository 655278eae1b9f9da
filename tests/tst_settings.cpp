// SystemFile.ini through real files: defaults, parsing, in-place updates, failed writes.
#include "core/GbkText.h"
#include "core/Language.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <unistd.h>

namespace {

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Set for a child run of this executable: save the settings of that folder and exit.
constexpr char kSaveInEnv[] = "OHMARA_SAVE_SETTINGS_IN";

// Runs SaveSettings in a child as user nobody (root would ignore the rights under test). The
// child prints every message it would have shown. Empty optional: no such child possible.
std::optional<std::pair<int, QString>> SaveAsNobody(const QString& folder) {
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        return std::nullopt;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kSaveInEnv), folder);
    child.setProcessEnvironment(env);
    child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), QStringLiteral("--"),
                          QCoreApplication::applicationFilePath()});
    if (!child.waitForFinished() || child.exitStatus() != QProcess::NormalExit || child.exitCode() > 1)
        return std::nullopt;
    return std::pair{child.exitCode(), QString::fromUtf8(child.readAllStandardOutput()).trimmed()};
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
        QVERIFY(SaveSettings()); // writes back what was loaded
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("SystemFile.ini"))), kDefaults);
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
        QTest::newRow("blank after 0x") << "0x 10" << 5;
        QTest::newRow("blank after $") << "$ 10" << 5;
        QTest::newRow("0x twice") << "0x0x10" << 5;
        QTest::newRow("$ then 0x") << "$0x10" << 5;
        QTest::newRow("sign after 0x") << "0x-1" << 5;
        QTest::newRow("bare $") << "$" << 5;
        QTest::newRow("bare sign") << "-" << 5;
        QTest::newRow("plus sign") << "+12" << 12;
        QTest::newRow("blanks around") << " \t12 " << 12;
        QTest::newRow("-$80000000 wraps, no overflow") << "-$80000000" << int(INT32_MIN);
        QTest::newRow("-$1") << "-$1" << -1;
        QTest::newRow("$FFFFFFFF") << "$FFFFFFFF" << -1;
        QTest::newRow("33 bits of hex") << "$100000000" << 5;
        QTest::newRow("lowest decimal") << "-2147483648" << int(INT32_MIN);
        QTest::newRow("one past the highest") << "2147483648" << 5;
        QTest::newRow("full-width digits") << "１２" << 5;
        QTest::newRow("full-width blank") << "12　" << 5;
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
        const QByteArray saved = FileBytes(path);
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
        const QByteArray saved = FileBytes(path);
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
        const QByteArray saved = FileBytes(dir.filePath(QStringLiteral("SystemFile.ini")));
        QVERIFY(saved.contains(Gbk::encode(QStringLiteral("strTestAdd=变电站一号"))));
        ResetSharedState();
        LoadSettings();
        QCOMPARE(strTestAdd, QStringLiteral("变电站一号"));
        QCOMPARE(strCurrentStep, QStringLiteral("30 A"));
    }

    // Neither the folder nor the file may be written.
    void unwritableFolderReportsAndKeepsOldFile() {
        if (geteuid() == 0)
            QSKIP("root ignores folder permissions");
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        WriteAll(path, "[SetParam]\r\niTestTime=9\r\n");
        LoadSettings();
        iTestTime = 30;
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        MessageRecorder recorder;
        const bool saved = SaveSettings().ok();
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!saved);
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("Unable to write to %1").arg(path)});
        QCOMPARE(FileBytes(path), QByteArray("[SetParam]\r\niTestTime=9\r\n"));
    }

    void fileInPlaceOfFolderReportsAndKeepsOldFile() {
        // Works as root too: the settings path is a folder, so nothing can be written over it.
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        MessageRecorder recorder;
        QVERIFY(!SaveSettings());
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("Unable to write to %1").arg(path)});
        QCOMPARE(recorder.messages.front().caption, AppTitle());
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    }

    // Only characters of code 32 and below are trimmed: a full-width blank belongs to the name.
    void fullWidthBlanksRoundTrip() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        WriteAll(path,
                 "[RestParam]\r\nstrTestAdd=\x01 \t" + Gbk::encode(QStringLiteral("　站　")) + " \t\r\n");
        LoadSettings();
        QCOMPARE(strTestAdd, QStringLiteral("　站　"));
        strTestUser = QStringLiteral("　王五　");
        QVERIFY(SaveSettings());
        QVERIFY(FileBytes(path).contains("strTestUser=" + Gbk::encode(QStringLiteral("　王五　")) + "\r\n"));
        ResetSharedState();
        LoadSettings();
        QCOMPARE(strTestUser, QStringLiteral("　王五　"));
        QCOMPARE(strTestAdd, QStringLiteral("　站　"));
    }

    void utf8Files_data() {
        QTest::addColumn<QByteArray>("mark");
        QTest::newRow("with byte-order mark") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("without") << QByteArray();
    }
    // A file saved by a UTF-8 editor: the first section is found, untouched values keep their
    // bytes, new values are written in UTF-8, and no section is added twice.
    void utf8Files() {
        QFETCH(QByteArray, mark);
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        const QByteArray original = mark +
                                    "[Communication]\r\ngiCommStyle=1\r\ngiCommPort=7\r\n"
                                    "[RestParam]\r\nstrDevice= \"" +
                                    QStringLiteral("一号").toUtf8() + "\"\r\n";
        WriteAll(path, original);
        LoadSettings();
        QCOMPARE(giCommStyle, 1);
        QCOMPARE(giCommPort, 7);
        QCOMPARE(strDevice, QStringLiteral("一号"));
        strTestUser = QStringLiteral("李四");
        QVERIFY(SaveSettings());
        const QByteArray expected =
            mark +
            "[Communication]\r\ngiCommStyle=1\r\ngiCommPort=7\r\ngiBaudRate=6\r\n"
            "[RestParam]\r\nstrDevice= \"" +
            QStringLiteral("一号").toUtf8() + "\"\r\nstrTestUser=" + QStringLiteral("李四").toUtf8() +
            "\r\nstrTestAdd=\r\n[SetParam]\r\nstrCurrentStep=100 A\r\niTestTime=5\r\n";
        QCOMPARE(FileBytes(path), expected);
    }

    void encodingIsDecidedForTheWholeFile_data() {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QString>("tester"); // as the file holds it
        QTest::addColumn<bool>("utf8");      // the file's encoding
        // The GBK bytes of "璐班保" happen to be valid UTF-8; "一号站" in GBK is not.
        const QString name = QStringLiteral("璐班保");
        QTest::newRow("GBK file") << "[RestParam]\r\nstrTestUser=" + Gbk::encode(name) +
                                         "\r\nstrTestAdd=" + Gbk::encode(QStringLiteral("一号站")) + "\r\n"
                                  << name << false;
        QTest::newRow("no file: the program writes GBK") << QByteArray() << QString() << false;
        QTest::newRow("UTF-8 file") << "[RestParam]\r\nstrTestUser=" + name.toUtf8() + "\r\n" << name << true;
    }

    // One encoding for the whole file: every line reads in it, and changed values are written in
    // it, also a name whose GBK bytes would read as UTF-8 on their own.
    void encodingIsDecidedForTheWholeFile() {
        QFETCH(QByteArray, original);
        QFETCH(QString, tester);
        QFETCH(bool, utf8);
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        if (!original.isEmpty())
            WriteAll(path, original);
        LoadSettings();
        QCOMPARE(strTestUser, tester);
        const QString device = QStringLiteral("璐班保");
        strDevice = device;
        QVERIFY(SaveSettings());
        const QByteArray saved = FileBytes(path);
        QVERIFY(saved.contains("strDevice=" + (utf8 ? device.toUtf8() : Gbk::encode(device)) + "\r\n"));
        QVERIFY(original.isEmpty() || saved.startsWith(original.left(original.indexOf("strTestAdd"))));
        ResetSharedState();
        LoadSettings();
        QCOMPARE(strTestUser, tester);
        QCOMPARE(strDevice, device);
    }

    // The program's entries ahead of 50 MB of other ones: read, and only they change on disk.
    void largeFileIsReadAndKeptWhole() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        const QByteArray head = "[SetParam]\r\nstrCurrentStep=30 A\r\niTestTime=17\r\n"
                                "[Communication]\r\ngiCommStyle=1\r\ngiCommPort=7\r\n";
        QByteArray other = "[Other]\r\n";
        other.reserve(51 << 20);
        for (int i = 0; other.size() < (50 << 20); ++i)
            other += "entry" + QByteArray::number(i) + "=some value kept as it is\r\n";
        const QByteArray tail = "[SerialPorts]\nCOM7=/dev/ttyUSB3";
        WriteAll(path, head + other + tail);
        LoadSettings();
        QCOMPARE(iTestTime, 17);
        QCOMPARE(strCurrentStep, QStringLiteral("30 A"));
        QCOMPARE(giCommStyle, 1);
        QCOMPARE(giCommPort, 7);
        QCOMPARE(SerialPortName(7), QStringLiteral("/dev/ttyUSB3"));
        giBaudRate = 12;
        QVERIFY(SaveSettings());
        const QByteArray expected = head + "giBaudRate=12\r\n" + other + tail +
                                    "\r\n[RestParam]\r\nstrTestUser=\r\nstrTestAdd=\r\nstrDevice=\r\n";
        const QByteArray saved = FileBytes(path);
        QCOMPARE(saved.size(), expected.size());
        QVERIFY(saved == expected);
        QCOMPARE(SerialPortName(7), QStringLiteral("/dev/ttyUSB3"));
    }

    // Rights are checked as a normal user; as root a child runs as nobody.
    void readOnlyFolderWithWritableFile() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        WriteAll(path, "; install folder\r\n[SetParam]\r\niTestTime=9\r\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadOther | QFileDevice::WriteOther);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther);
        bool saved = false;
        if (geteuid() != 0) {
            LoadSettings();
            saved = SaveSettings().ok();
        } else {
            const auto child = SaveAsNobody(dir.path());
            if (!child) {
                QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
                QSKIP("cannot run a child as user nobody (setpriv missing or not permitted)");
            }
            saved = child->first == 0;
            QCOMPARE(child->second, QString());
        }
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(saved);
        QVERIFY(FileBytes(path).startsWith(
            "; install folder\r\n[SetParam]\r\niTestTime=9\r\nstrCurrentStep=100 A\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"SystemFile.ini"});
    }

    // A file that exists but cannot be read is left alone, and the user is told.
    void unreadableFileIsLeftAlone() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        const QByteArray original =
            "[Communication]\r\ngiCommStyle=1\r\n[SerialPorts]\r\nCOM3=/dev/ttyUSB0\r\n";
        WriteAll(path, original);
        QFile::setPermissions(path, QFileDevice::WriteOwner | QFileDevice::WriteOther);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::WriteOther | QFileDevice::ExeOther);
        bool saved = true;
        QString messages;
        if (geteuid() != 0) {
            MessageRecorder recorder;
            LoadSettings();
            saved = SaveSettings().ok();
            messages = recorder.texts().join(QLatin1Char('\n'));
        } else {
            const auto child = SaveAsNobody(dir.path());
            if (!child)
                QSKIP("cannot run a child as user nobody (setpriv missing or not permitted)");
            saved = child->first == 0;
            messages = child->second;
        }
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(!saved);
        QCOMPARE(messages, QStringLiteral("Unable to write to %1").arg(path));
        QCOMPARE(FileBytes(path), original);
    }

    // The language: the command line, then the settings file, then (for the tool) the locale.
    void languageChoice_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<bool>("followLocale");
        QTest::addColumn<bool>("english");
        const QByteArray en = "[Interface]\r\nLanguage=en\r\n";
        const QByteArray zh = "[interface]\r\nlanguage=ZH\r\n";
        QTest::newRow("nothing chosen")
            << QStringList() << QByteArray() << QByteArray("en_US.UTF-8") << false << false;
        QTest::newRow("settings") << QStringList() << en << QByteArray("zh_CN.UTF-8") << true << true;
        QTest::newRow("--lang over settings")
            << QStringList{"--lang", "zh"} << en << QByteArray() << false << false;
        QTest::newRow("--lang=en") << QStringList{"-style", "fusion", "--lang=en"} << zh << QByteArray()
                                   << false << true;
        QTest::newRow("unknown --lang") << QStringList{"--lang", "fr"} << en << QByteArray() << false << true;
        QTest::newRow("locale") << QStringList() << QByteArray() << QByteArray("en_GB.UTF-8") << true << true;
        QTest::newRow("settings over locale")
            << QStringList() << zh << QByteArray("en_GB.UTF-8") << true << false;
        QTest::newRow("C locale") << QStringList() << QByteArray() << QByteArray("C.UTF-8") << true << false;
    }
    void languageChoice() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, locale);
        QFETCH(bool, followLocale);
        QFETCH(bool, english);
        const QByteArray saved = qgetenv("LANG");
        const QByteArray savedAll = qgetenv("LC_ALL");
        const QByteArray savedMessages = qgetenv("LC_MESSAGES");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qputenv("LANG", locale);
        ProfileFile ini(QStringLiteral("unused.ini"));
        ini.parse(settings);
        const UiLanguage chosen = ChosenLanguage(arguments, ini, followLocale);
        qputenv("LANG", saved);
        if (!savedAll.isNull())
            qputenv("LC_ALL", savedAll);
        if (!savedMessages.isNull())
            qputenv("LC_MESSAGES", savedMessages);
        QCOMPARE(chosen == UiLanguage::English, english);
        QVERIFY(!WithoutLanguageOption(arguments).join(QLatin1Char(' ')).contains(QStringLiteral("--lang")));
    }

    // The choice made in the tools menu is kept through the program's own saving of its settings.
    void languageChoiceIsKept() {
        TempProgramDir dir;
        LoadSettings();
        QVERIFY(SaveLanguageChoice(UiLanguage::English));
        QVERIFY(SaveSettings());
        QCOMPARE(ChosenLanguage({}, ReadSettingsFile(), false), UiLanguage::English);
        QVERIFY(SaveLanguageChoice(UiLanguage::Chinese));
        QCOMPARE(ChosenLanguage({}, ReadSettingsFile(), false), UiLanguage::Chinese);
        QVERIFY(FileBytes(dir.filePath(QStringLiteral("SystemFile.ini"))).contains(kDefaults));
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
        QCOMPARE(FileBytes(path), QByteArray("junk line \xFF\xFE\r\n[A]\r\nk=v\r\nnew=2\r\n[]\r\nx=1\r\n"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = qEnvironmentVariable(kSaveInEnv);
    if (!folder.isEmpty()) {
        SetExecutableDir(folder);
        SetMessageHandler([](const MessageRequest& request) {
            std::fputs(qPrintable(request.text + QLatin1Char('\n')), stdout);
            return MsgResult::Ok;
        });
        LoadSettings();
        return SaveSettings() ? 0 : 1;
    }
    TstSettings test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_settings.moc"
