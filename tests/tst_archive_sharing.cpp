// The archive where shared use breaks it: two copies of the program (or the program and the tool)
// writing one archive at once, pages damaged under it, a disk that fills up and a file that is
// read-only for a while. Each runs in real processes: the children are this executable.
#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/UDataCenter.h"
#include "history/AutoBackup.h"
#include "report/DataFile.h"
#include "tests/support/ArchiveFile.h"
#include "tests/support/TestSupport.h"
#include "ui/ArchiveImportRun.h"
#include "ui/ArchivePrompts.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

// "folder|prefix|count": the program child below.
const char* const kProgramChild = "OHMARA_SHARING_PROGRAM";
// "kind|folder": the trouble child below.
const char* const kTroubleChild = "OHMARA_SHARING_TROUBLE";
constexpr int kNobody = 65534;

TestRecord Record(const QString& device, int minute) {
    return TestRecord::FromTexts({QStringLiteral(" 1"),
                                  QDateTime(QDate(2024, 5, 1), QTime(8, 0))
                                      .addSecs(60 * minute)
                                      .toString(QStringLiteral("yy-MM-dd hh:mm")),
                                  device, QStringLiteral("LI"), QStringLiteral("LAB"),
                                  QStringLiteral("100 A"), QStringLiteral("5 秒"),
                                  QStringLiteral("%1.0 uΩ").arg(50 + minute % 40)});
}

QStringList RowOf(const TestRecord& record) {
    return QStringList(record.texts.begin(), record.texts.end());
}

QString ArchiveIn(const QString& programFolder) {
    return programFolder + QStringLiteral("测试记录/") + kArchiveFileName;
}

QByteArray Digest(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
                                          : QByteArray();
}

// A copy of the program in the folder given: stores a live test, brings in the data folder as
// opening the register does (a connection of the import's own, on its thread) and says "ready";
// then on each line "store" of its input stores `count` more live tests, one store each, and says
// "stored", until the input ends.
int ProgramChild(const QStringList& setup) {
    SetExecutableDir(setup.at(0));
    MessageRecorder messages;
    ArchivePrompts::Install();
    ProgramArchive& program = ProgramArchive::shared();
    int stored = 0;
    program.store({Record(setup.at(1) + QStringLiteral("-0"), 0)}, QStringLiteral("live"));
    QSignalSpy brought(BringInDataFolder(nullptr), &ArchiveImportRun::finished);
    if (!brought.wait(60000))
        return 2;
    QTextStream out(stdout);
    out << "ready" << Qt::endl;
    QTextStream in(stdin);
    while (in.readLine() == QStringLiteral("store")) {
        for (int k = 0; k < setup.at(2).toInt(); ++k, ++stored)
            program.store({Record(setup.at(1) + QStringLiteral("-%1").arg(stored + 1), stored + 1)},
                          QStringLiteral("live"));
        out << "stored" << Qt::endl;
    }
    for (const QString& text : messages.texts())
        out << "message: " << text << Qt::endl;
    return messages.texts().isEmpty() ? 0 : 1;
}

// Makes the disk full but for 8 KiB (kind "full") or the archive read-only (kind "readonly").
void MakeTrouble(const QString& kind, const QString& folder) {
    if (kind == QStringLiteral("readonly")) {
        QFile::setPermissions(ArchiveIn(folder), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        return;
    }
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("filler")).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const QByteArray block(4096, 'x');
    off_t size = 0;
    for (ssize_t wrote; (wrote = ::write(fd, block.constData(), size_t(block.size()))) > 0;)
        size += wrote;
    ::ftruncate(fd, std::max<off_t>(0, size - 8192));
    ::close(fd);
}

void EndTrouble(const QString& kind, const QString& folder) {
    if (kind == QStringLiteral("readonly"))
        QFile::setPermissions(ArchiveIn(folder),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    else
        QFile::remove(folder + QStringLiteral("filler"));
}

// The program meets the trouble at its next start, stores one live test while it lasts and one
// after: says what it was told and what the archive holds.
int TroubleChild(const QStringList& setup) {
    const QString kind = setup.at(0);
    const QString folder = setup.at(1);
    SetExecutableDir(folder);
    MessageRecorder messages;
    ArchivePrompts::Install();
    ProgramArchive& program = ProgramArchive::shared();
    program.store({Record(QStringLiteral("QF1"), 1)}, QStringLiteral("live"));
    program.reset(); // the program starts again
    MakeTrouble(kind, folder);
    program.store({Record(QStringLiteral("QF2"), 2)}, QStringLiteral("live"));
    EndTrouble(kind, folder);
    program.store({Record(QStringLiteral("QF3"), 3)}, QStringLiteral("live"));
    QTextStream out(stdout);
    for (const QString& text : messages.texts())
        out << "message: " << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) << Qt::endl;
    out << "records: " << program.archive().recordCount() << Qt::endl;
    return 0;
}

QProcess* StartChild(const char* variable, const QStringList& setup, const QStringList& wrapper = {}) {
    auto* child = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), setup.join(QLatin1Char('|')));
    child->setProcessEnvironment(environment);
    child->setProcessChannelMode(QProcess::SeparateChannels);
    if (wrapper.isEmpty())
        child->start(QCoreApplication::applicationFilePath(), {});
    else
        child->start(wrapper.first(), wrapper.mid(1) + QStringList{QCoreApplication::applicationFilePath()});
    return child;
}

bool WaitForLine(QProcess& child, const QByteArray& line) {
    while (!child.canReadLine() && child.waitForReadyRead(30000)) {
    }
    return child.readLine().trimmed() == line;
}

} // namespace

class TstArchiveSharing : public QObject {
    Q_OBJECT
private slots:
    void twoCopiesAndTheToolWriteOneArchive_data() {
        QTest::addColumn<bool>("tool");
        QTest::newRow("the program and the tool") << true;
        QTest::newRow("two copies of the program") << false;
    }

    // While one copy holds the archive open, other writers come and go, twice, and it stores in
    // between; each store of each ends up in an intact archive.
    void twoCopiesAndTheToolWriteOneArchive() {
        QFETCH(bool, tool);
        TempProgramDir program;
        const QString fileName = ArchiveIn(program.path());
        constexpr int kStores = 40;
        std::unique_ptr<QProcess> first(
            StartChild(kProgramChild, {program.path(), QStringLiteral("A"), QString::number(kStores)}));
        QVERIFY(WaitForLine(*first, "ready"));

        QTemporaryDir folder;
        int expected = 1 + 2 * kStores;
        for (int round = 0; round < 2; ++round) {
            if (tool) {
                RecordGrid grid;
                Rows rows;
                for (int k = 0; k < 500; ++k)
                    rows << RowOf(Record(QStringLiteral("T%1-%2").arg(round).arg(k), k));
                FillGrid(grid, rows);
                const QString file = folder.filePath(QStringLiteral("office%1.txt").arg(round));
                QVERIFY(WriteDataFile(file, grid, int(rows.size())));
                QProcess importer;
                importer.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH),
                               {QStringLiteral("--archive"), fileName, QStringLiteral("import"), file});
                QVERIFY(importer.waitForFinished(60000));
                QCOMPARE(importer.exitCode(), 0);
                expected += 500;
            } else {
                std::unique_ptr<QProcess> other(
                    StartChild(kProgramChild,
                               {program.path(), QStringLiteral("B%1").arg(round), QString::number(kStores)}));
                QVERIFY(WaitForLine(*other, "ready"));
                other->write("store\n");
                other->closeWriteChannel();
                QVERIFY(other->waitForFinished(60000));
                QCOMPARE(other->exitCode(), 0);
                expected += 1 + kStores;
            }
            first->write("store\n");
            QVERIFY(WaitForLine(*first, "stored"));
        }
        first->closeWriteChannel();
        QVERIFY(first->waitForFinished(60000));
        QVERIFY2(first->exitCode() == 0, first->readAllStandardOutput().constData());

        RecordArchive archive;
        QCOMPARE(archive.open(fileName, ArchiveOpening::ReadOnly), ArchiveState::ReadOnly);
        QCOMPARE(archive.check(true), QStringLiteral("ok"));
        QCOMPARE(archive.recordCount(), expected);
    }

    // Random bytes over pages of the records table: found when the archive is opened, never written;
    // the program offers a new archive, keeps the damaged file aside as it was, and the new one
    // takes the records of the data folder (the backups included) and what the register held.
    void damagedPagesAreFoundAndNeverWritten() {
        TempProgramDir program;
        const QString fileName = EnsureDataFolder() + QLatin1Char('/') + kArchiveFileName;
        std::vector<TestRecord> records;
        for (int k = 0; k < 3000; ++k)
            records.push_back(Record(QStringLiteral("D-%1").arg(k), k));
        {
            RecordArchive archive;
            QCOMPARE(archive.open(fileName), ArchiveState::Open);
            QCOMPARE(ValueOrFailed(archive.store(records, QStringLiteral("upload"))), 3000);
            Asset registered;
            registered.device = QStringLiteral("QF9");
            registered.station = QStringLiteral("东郊站");
            registered.limit = QStringLiteral("60.5");
            const Outcome saved = SaveAssets(archive, {registered});
            QVERIFY2(saved, qPrintable(saved.reason()));
            QVERIFY(ArchiveFile(fileName).query().exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
        }
        // What a live test left in the folder.
        QVERIFY(BackUpTestRecord(Record(QStringLiteral("QF7"), 7).texts, QDateTime::currentDateTime()));
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qint64 pages = file.size() / 4096;
            QVERIFY(pages > 40);
            for (qint64 page = pages / 2; page < pages / 2 + 4; ++page) {
                QByteArray noise(4096, '\0');
                QRandomGenerator(42).fillRange(reinterpret_cast<quint32*>(noise.data()), 1024);
                file.seek(page * 4096);
                file.write(noise);
            }
        }
        const QByteArray damaged = Digest(fileName);

        RecordArchive archive;
        QCOMPARE(archive.open(fileName), ArchiveState::Unavailable);
        QCOMPARE(archive.fault(), ArchiveFault::Damaged);
        QCOMPARE(archive.store({Record(QStringLiteral("QF8"), 8)}, QStringLiteral("upload")).kind(),
                 ArchiveFault::Damaged);
        QCOMPARE(Digest(fileName), damaged);

        MessageRecorder messages;
        messages.answers = {MsgResult::No, MsgResult::Yes};
        ArchivePrompts::Install();
        ProgramArchive::shared().store({Record(QStringLiteral("QF8"), 8)}, QStringLiteral("live"));
        ProgramArchive::shared().store({Record(QStringLiteral("QF8"), 9)}, QStringLiteral("live"));
        QCOMPARE(Digest(fileName), damaged); // "No": left as it was, and not asked again
        ProgramArchive::shared().reset();    // the next start asks again
        ProgramArchive::shared().store({Record(QStringLiteral("QF8"), 10)}, QStringLiteral("live"));
        QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 3, 60000); // once the data folder is in
        QCOMPARE(messages.messages.at(0).buttons, MsgButtons::YesNo);
        QVERIFY(messages.texts().at(0).contains(QStringLiteral("已损坏")));

        const QStringList aside =
            QDir(EnsureDataFolder()).entryList({QStringLiteral("记录库 损坏 *.sqlite")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(Digest(EnsureDataFolder() + QLatin1Char('/') + aside.first()), damaged);
        RecordArchive rebuilt;
        QCOMPARE(rebuilt.open(fileName), ArchiveState::Open);
        QCOMPARE(rebuilt.check(true), QStringLiteral("ok"));
        QCOMPARE(DeviceRecords(rebuilt, QStringLiteral("QF8")).size(), size_t(1)); // the one that waited
        QCOMPARE(DeviceRecords(rebuilt, QStringLiteral("QF7")).size(), size_t(1)); // from the backup
        QCOMPARE(LoadAsset(rebuilt, QStringLiteral("qf9")).value_or(Asset{}).limit, QStringLiteral("60.5"));
    }

    void passingTroubleIsToldAsItIsAndOutlived_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("told");
        QTest::newRow("a full disk") << "full"
                                     << "磁盘已满";
        QTest::newRow("an archive read-only for a while") << "readonly"
                                                          << "没有写入";
    }

    // The trouble is told once as what it is, never as damage or as another program; once it has
    // gone, the next store goes in with the one kept from the failure.
    void passingTroubleIsToldAsItIsAndOutlived() {
        QFETCH(QString, kind);
        QFETCH(QString, told);
        QTemporaryDir base;
        QFile::setPermissions(base.path(), QFile::permissions(base.path()) | QFile::ReadOther |
                                               QFile::WriteOther | QFile::ExeOther);
        const QString folder = base.path() + QLatin1Char('/');
        QStringList wrapper;
        if (kind == QStringLiteral("full")) {
            // A small disk of the child's own: a tmpfs in a mount namespace.
            const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
            if (unshare.isEmpty())
                QSKIP("unshare is not installed");
            wrapper = {
                QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                QStringLiteral("%1 -rm sh -c 'mount -t tmpfs -o size=4m tmpfs \"$0\" && exec \"$1\"' \"$0\" "
                               "\"$1\"")
                    .arg(unshare),
                folder};
        } else if (geteuid() == 0) {
            // Permissions bind a normal user only.
            wrapper = {QStandardPaths::findExecutable(QStringLiteral("setpriv")),
                       QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
                       QStringLiteral("--clear-groups"), QStringLiteral("--")};
            if (wrapper.first().isEmpty())
                QSKIP("setpriv is not installed");
        }
        std::unique_ptr<QProcess> child(StartChild(kTroubleChild, {kind, folder}, wrapper));
        QVERIFY(child->waitForFinished(60000));
        const QString said = QString::fromUtf8(child->readAllStandardOutput());
        QVERIFY2(child->exitCode() == 0, qPrintable(said + child->readAllStandardError()));
        const QStringList messages = said.split(QLatin1Char('\n')).filter(QStringLiteral("message: "));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(told), qPrintable(messages.first()));
        QVERIFY2(!messages.first().contains(QStringLiteral("其他程序")) &&
                     !messages.first().contains(QStringLiteral("损坏")),
                 qPrintable(messages.first()));
        QVERIFY2(said.contains(QStringLiteral("records: 3\n")), qPrintable(said));
    }
};

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsSet(kProgramChild)) {
        QApplication app(argc, argv);
        return ProgramChild(qEnvironmentVariable(kProgramChild).split(QLatin1Char('|')));
    }
    if (qEnvironmentVariableIsSet(kTroubleChild)) {
        QCoreApplication app(argc, argv);
        return TroubleChild(qEnvironmentVariable(kTroubleChild).split(QLatin1Char('|')));
    }
    QApplication app(argc, argv);
    TstArchiveSharing test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive_sharing.moc"
