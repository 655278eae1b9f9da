// The installed program as a normal user runs it: this build installed into a temporary prefix
// that the user cannot write, run with a temporary HOME. Settings, saves and backups land in that
// HOME, the legacy workbook reader is found where the install put it, and a copy moved away from
// it says so when an .xls cannot be opened. The program's part runs in this executable, copied
// into the prefix's bin folder beside ohmara and started as user nobody (or as the user running
// the tests, with the prefix write-protected).
#include "core/UDataCenter.h"
#include "report/WorkbookReader.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/FileDialogs.h"
#include "ui/UMain.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char kProbeEnv[] = "OHMARA_INSTALL_PROBE"; // the child's part: "installed" or "moved"
constexpr char kWorkbookEnv[] = "OHMARA_PROBE_WORKBOOK";
constexpr uid_t kNobody = 65534;

QList<QByteArray> Records(int count) {
    QList<QByteArray> records;
    for (int k = 1; k <= count; ++k)
        records.append(SimRecord{QDateTime(QDate(2026, 3, 15), QTime(9, k)), QStringLiteral("QF%1").arg(k),
                                 QStringLiteral("LI"), QStringLiteral("LAB"), 1, 5, uint32_t(1000 + k)}
                           .frame());
    return records;
}

// The child: upload from the virtual instrument, save, add a live test, open the .xls, ask where
// the files are, and end, which writes the settings. Every message goes to stdout.
int RunProbe(const QString& part) {
    QApplication::setApplicationName(QStringLiteral("ohmara"));
    SetMessageHandler([](const MessageRequest& request) {
        std::printf("message=%s\n",
                    qPrintable(QString(request.text).replace(QLatin1Char('\n'), QLatin1Char('|'))));
        return MsgResult::Ok;
    });
    SetFileChooser([](const FileDialogRequest& request) {
        return request.initialFolder + QStringLiteral("/saved.txt");
    });
    SimSetup setup;
    setup.records = Records(3);
    UsbSim usb(setup);
    {
        TFrmMain window;
        if (part == QLatin1String("installed")) {
            gbDeviceConnected = true;
            window.UpdateButtons();
            window.BtnSampleData->click();
            window.BtnSave->click();
            strTestUser = QStringLiteral("李工");
            strTestResult = QStringLiteral("12.5 uΩ");
            window.AppendTestRow();
            for (QAction* action : window.StatusBar1->actions())
                if (action->objectName() == QLatin1String("ActAbout"))
                    action->trigger();
        }
        window.ImportFromExcel(qEnvironmentVariable(kWorkbookEnv));
        std::printf("xls-tool=%s\nrecords=%d\n", qPrintable(XlsToolPath()), giRecordCount);
    }
    return 0;
}

void MakeReadable(const QString& root) {
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QFile::setPermissions(root, QFile::permissions(root) | QFileDevice::ReadOther | QFileDevice::ExeOther);
    while (it.hasNext()) {
        const QString path = it.next();
        QFileDevice::Permissions rights = QFile::permissions(path) | QFileDevice::ReadOther;
        if (QFileInfo(path).isDir() || QFileInfo(path).isExecutable())
            rights |= QFileDevice::ExeOther;
        QFile::setPermissions(path, rights);
    }
}

QStringList FilesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

struct ProbeRun {
    bool started = false;
    int exitCode = -1;
    QStringList lines;
    QString value(const QString& key) const {
        for (const QString& line : lines)
            if (line.startsWith(key + QLatin1Char('=')))
                return line.mid(key.size() + 1);
        return {};
    }
    QStringList messages() const { return lines.filter(QRegularExpression(QStringLiteral("^message="))); }
};

// Runs the probe as user nobody when this process is root, else as this user.
ProbeRun RunAsUser(const QString& program, const QString& part, const QString& home, const QString& workbook,
                   const QStringList& arguments = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        if (key.startsWith(QLatin1String("XDG_")))
            env.remove(key);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QString::fromLatin1(kProbeEnv), part);
    env.insert(QString::fromLatin1(kWorkbookEnv), workbook);
    QProcess child;
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(home);
    if (geteuid() == 0)
        child.start(QStandardPaths::findExecutable(QStringLiteral("setpriv")),
                    QStringList{QStringLiteral("--reuid=%1").arg(kNobody),
                                QStringLiteral("--regid=%1").arg(kNobody), QStringLiteral("--clear-groups"),
                                QStringLiteral("--"), program} +
                        arguments);
    else
        child.start(program, arguments);
    ProbeRun run;
    run.started = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit;
    run.exitCode = child.exitCode();
    run.lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (run.exitCode != 0)
        qWarning().noquote() << child.readAllStandardError();
    return run;
}

} // namespace

class TstInstall : public QObject {
    Q_OBJECT
private slots:
    void installedProgramKeepsItsFilesInTheUsersHome() {
        if (geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("setpriv is not installed");
        QTemporaryDir base;
        QVERIFY(base.isValid());
        QFile::setPermissions(base.path(), QFile::permissions(base.path()) | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther);
        const QString prefix = base.filePath(QStringLiteral("prefix"));
        QProcess install;
        install.start(QStringLiteral(OHMARA_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(OHMARA_BUILD_DIR),
                       QStringLiteral("--prefix"), prefix});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

        // Every program the application runs is installed, and found from the executable's folder.
        const QString tool = prefix + QStringLiteral("/" OHMARA_LIBEXEC_DIR "/ohmara-xls");
        QVERIFY(QFileInfo(prefix + QStringLiteral("/bin/ohmara")).isExecutable());
        QVERIFY(QFileInfo(tool).isExecutable());
        QFile installed(prefix + QStringLiteral("/bin/ohmara"));
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QVERIFY(!installed.readAll().contains(QByteArray(OHMARA_BUILD_DIR "/ohmara-xls")));

        const QString probe = prefix + QStringLiteral("/bin/ohmara-probe");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), probe));
        const QString home = base.filePath(QStringLiteral("home"));
        const QString moved = home + QStringLiteral("/elsewhere/ohmara-probe");
        QVERIFY(QDir().mkpath(QFileInfo(moved).path()));
        QVERIFY(QFile::copy(probe, moved));
        const QString workbook = home + QStringLiteral("/records.xls");
        QVERIFY(QFile::copy(QStringLiteral(OHMARA_TEST_DATA_DIR "/files/records.xls"), workbook));
        // A settings file an administrator put beside the program: the user's own starts from it.
        const QByteArray adminSettings =
            "[SetParam]\r\niTestTime=17\r\n[SerialPorts]\r\nCOM3=/dev/ttyUSB7\r\n";
        QFile admin(prefix + QStringLiteral("/bin/SystemFile.ini"));
        QVERIFY(admin.open(QIODevice::WriteOnly));
        admin.write(adminSettings);
        admin.close();
        MakeReadable(prefix);
        const QStringList prefixFiles = FilesUnder(prefix);
        if (geteuid() == 0) {
            for (const QString& path : QStringList{home, QFileInfo(moved).path(), moved, workbook})
                QVERIFY(::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0);
        } else {
            QFile::setPermissions(prefix + QStringLiteral("/bin"),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                      QFileDevice::ExeOther);
        }

        const ProbeRun run = RunAsUser(probe, QStringLiteral("installed"), home, workbook);
        QVERIFY(run.started);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.value(QStringLiteral("xls-tool")), tool);
        QCOMPARE(run.value(QStringLiteral("records")), QStringLiteral("3"));
        const QString settings = home + QStringLiteral("/.config/ohmara/SystemFile.ini");
        const QString data = home + QStringLiteral("/Documents/测试记录");
        // One message: "关于…", naming both places.
        QCOMPARE(run.messages().size(), 1);
        QVERIFY2(run.messages().first().contains(settings) && run.messages().first().contains(data),
                 qPrintable(run.messages().first()));
        // The installed tool reads the same settings and works on the same archive.
        const ProbeRun status = RunAsUser(prefix + QStringLiteral("/bin/ohmara-archive"), {}, home, {},
                                          {QStringLiteral("status")});
        QCOMPARE(status.exitCode, 0);
        QVERIFY2(status.lines.contains(QStringLiteral("settings: ") + settings) &&
                     status.lines.contains(QStringLiteral("data_folder: ") + data) &&
                     status.lines.contains(QStringLiteral("records: 4")), // the upload's and the live test
                 qPrintable(status.lines.join(QLatin1Char('\n'))));
        QFile settingsFile(settings);
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        const QByteArray userSettings = settingsFile.readAll();
        QVERIFY2(userSettings.startsWith(adminSettings.left(adminSettings.indexOf("[SerialPorts]"))) &&
                     userSettings.contains("COM3=/dev/ttyUSB7\r\n") && userSettings.contains("[RestParam]"),
                 userSettings.constData());
        const QStringList saved = FilesUnder(data);
        // The save, the two backups and the record archive (with what SQLite keeps beside it).
        QCOMPARE(saved.filter(QRegularExpression(QStringLiteral("^记录库\\.sqlite"))).isEmpty(), false);
        QCOMPARE(saved.size() - saved.filter(QRegularExpression(QStringLiteral("^记录库\\.sqlite"))).size(),
                 3);
        QVERIFY2(saved.contains(QStringLiteral("saved.txt")), qPrintable(saved.join(QLatin1Char(','))));
        QCOMPARE(saved.filter(QRegularExpression(QStringLiteral("^自动备份/上传 .*\\.txt$"))).size(), 1);
        QCOMPARE(saved.filter(QRegularExpression(QStringLiteral("^自动备份/测试 .*\\.txt$"))).size(), 1);
        QCOMPARE(FilesUnder(prefix), prefixFiles);

        // Moved away from the install, the program cannot read an .xls and says so in its own words.
        const ProbeRun away = RunAsUser(moved, QStringLiteral("moved"), home, workbook);
        QVERIFY(away.started);
        QCOMPARE(away.exitCode, 0);
        QCOMPARE(away.value(QStringLiteral("records")), QStringLiteral("0"));
        QCOMPARE(away.messages().size(), 1);
        QVERIFY2(
            away.messages().first().startsWith(QStringLiteral("message=打开文件'%1'失败").arg(workbook)) &&
                away.messages().first().contains(QStringLiteral("ohmara-xls")),
            qPrintable(away.messages().first()));
        QFile::setPermissions(prefix + QStringLiteral("/bin"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

int main(int argc, char** argv) {
    const QString part = qEnvironmentVariable(kProbeEnv);
    if (!part.isEmpty()) {
        QApplication app(argc, argv);
        return RunProbe(part);
    }
    QCoreApplication app(argc, argv);
    TstInstall test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_install.moc"
