// The record archive at its boundaries: records stored by a real upload and a saved live test,
// found again once the data folder's files are gone; a process killed while storing; archives
// that cannot be used (corrupted, locked by a second program, read-only, made by a newer program)
// and an older one that is upgraded; the assessment rules; the register's files; the overview's
// roll-up; a data folder holding whatever a disk can hold; the command-line tool's exit codes.
#include "archive/ArchiveImport.h"
#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "history/AutoBackup.h"
#include "report/DataFile.h"
#include "report/WorkbookReader.h"
#include "tests/support/ArchiveFile.h"
#include "tests/support/OtherReaders.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "tests/support/ZipPackages.h"
#include "ui/ArchiveImportRun.h"
#include "ui/GridLimitMarks.h"
#include "ui/UDlgHistory.h"
#include "ui/UDlgOverview.h"
#include "ui/UDlgRegister.h"
#include "ui/UMain.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

const char* const kChildVariable = "OHMARA_ARCHIVE_STORE_UNTIL_KILLED";
const char* const kUploadChildVariable = "OHMARA_ARCHIVE_UPLOAD_UNTIL_KILLED";
constexpr int kUploadRecords = 200;

QList<QByteArray> Frames(int count, int firstMinute = 0) {
    QList<QByteArray> frames;
    for (int k = 1; k <= count; ++k)
        frames.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, firstMinute + k)),
                                QStringLiteral("QF%1").arg(k % 4), QStringLiteral("LI"),
                                QStringLiteral("LAB"), uint8_t(1 + k % 3), 5, uint32_t(1000 + k)}
                          .frame());
    return frames;
}

// A cell of a table or tree model, below the row path given (empty: a top-level row).
QVariant Cell(const QAbstractItemModel* model, const QList<int>& path, int column,
              int role = Qt::DisplayRole) {
    QModelIndex index;
    for (const int row : path)
        index = model->index(row, 0, index);
    return index.siblingAtColumn(column).data(role);
}

QString Text(const QAbstractItemModel* model, const QList<int>& path, int column) {
    return Cell(model, path, column).toString();
}

QByteArray Digest(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
                                          : QByteArray();
}

TestRecord Record(const QString& device, const QString& time, const QString& step,
                  const QString& resistance) {
    return TestRecord::FromTexts({QStringLiteral(" 1"), time, device, QStringLiteral("LI"),
                                  QStringLiteral("LAB"), step, QStringLiteral("5 秒"), resistance});
}

qint64 Count(const RecordArchive& archive, const QString& sql) {
    return ArchiveFile(archive.fileName()).count(sql);
}

// Registers devices of the station 东郊站: device, bay, phase, limit.
void Register(RecordArchive& archive, std::initializer_list<std::array<const char*, 4>> rows) {
    std::vector<Asset> assets;
    for (const auto& [device, bay, phase, limit] : rows) {
        Asset asset;
        asset.device = device;
        asset.station = "东郊站";
        asset.bay = bay;
        asset.phase = phase;
        asset.limit = limit;
        assets.push_back(asset);
    }
    const Outcome saved = SaveAssets(archive, assets);
    QVERIFY2(saved, qPrintable(saved.reason()));
}

void Age(const QString& path) {
    const struct timeval old[2] = {{1700000000, 0}, {1700000000, 0}};
    ::lutimes(QFile::encodeName(path).constData(), old);
}

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    Age(path);
}

QByteArray DataFileOf(const std::vector<QStringList>& rows) {
    RecordGrid grid;
    Rows records;
    for (const QStringList& row : rows)
        records << row;
    FillGrid(grid, records);
    return DataFileBytes(grid, int(rows.size()));
}

// The child of killWhileStoringLosesNothing: stores batches of 50 records until it is killed,
// saying after each commit which batch is in.
int StoreUntilKilled(const QString& fileName) {
    RecordArchive archive;
    if (archive.open(fileName) != ArchiveState::Open)
        return 3;
    QTextStream out(stdout);
    for (int batch = 0;; ++batch) {
        std::vector<TestRecord> records;
        for (int i = 0; i < 50; ++i)
            records.push_back(Record(QStringLiteral("K%1").arg(batch), QStringLiteral("24-01-01 00:00"),
                                     QStringLiteral("100 A"), QStringLiteral("%1.0 uΩ").arg(i + 1)));
        if (ValueOrFailed(archive.store(records, QStringLiteral("upload"))) != 50)
            return 1;
        out << batch << Qt::endl;
    }
}

// The child of killDuringAnUploadLosesNothingStored: the program's window, in the program folder
// given, uploads kUploadRecords records (record k at 9:00 + k minutes, (1000 + k) / 10 µΩ) from an
// instrument on USB that takes 20 ms over each request, until it is killed.
int UploadUntilKilled(const QString& programFolder) {
    SetExecutableDir(programFolder);
    SimSetup setup;
    for (int k = 1; k <= kUploadRecords; ++k)
        setup.records.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, 0)).addSecs(60 * k),
                                       QStringLiteral("QF%1").arg(k % 4), QStringLiteral("LI"),
                                       QStringLiteral("LAB"), 1, 5, uint32_t(1000 + k)}
                                 .frame());
    UsbSim sim(setup, std::chrono::milliseconds(20));
    sim.pointProgramAt();
    TFrmMain window;
    gbDeviceConnected = true;
    window.UpdateButtons();
    window.BtnSampleData->click();
    return 0;
}

// Runs what() while the file system refuses every write beyond 1 KiB, as a full disk does.
template <typename What> auto WithFullDisk(What what) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto result = what();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return result;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs ohmara-archive; its exit code, with its output in *out. A locale, if given, as LANG.
int Tool(const QStringList& arguments, QString* out = nullptr, const QString& locale = {}) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    if (!locale.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_MESSAGES"));
        environment.insert(QStringLiteral("LANG"), locale);
        tool.setProcessEnvironment(environment);
    }
    tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH), arguments);
    if (!tool.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(tool.readAll());
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

// Every statement of the catalogue prepares on the archive: the tables and columns it names are
// there, whether the archive was made new or upgraded from an older program's.
void EveryStatementPrepares(const RecordArchive& archive) {
    QSqlQuery position = archive.statement(ArchiveSql::CreateSyncPosition); // the sync's own table
    QVERIFY2(position.exec(), qPrintable(position.lastError().text()));
    int statements = 0;
    for (; !ArchiveSqlText(ArchiveSql(statements)).isEmpty(); ++statements) {
        const QSqlQuery query = archive.statement(ArchiveSql(statements));
        QVERIFY2(!query.lastError().isValid(),
                 qPrintable(ArchiveSqlText(ArchiveSql(statements)) + ": " + query.lastError().text()));
    }
    QVERIFY(statements > 0);
}

} // namespace

class TstArchive : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetSharedState();
        ProgramArchive::shared().reset();
    }

    void uploadsAndLiveTestsOutliveTheFiles() {
        TempProgramDir dir;
        SimSetup setup;
        setup.records = Frames(12);
        setup.faults.dieAfter = 9; // the count and records 1..7 are read, then the link dies
        UsbSim usb(setup);
        usb.pointProgramAt();
        MessageRecorder messages;
        FolderRecorder folders;
        TFrmMain window;
        gbDeviceConnected = true;
        window.UpdateButtons();
        window.BtnSampleData->click(); // cut short: the records read so far are stored
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("通讯失败！")});
        usb.setFaults({});
        window.BtnSampleData->click(); // complete, overlapping the first
        strDevice = QStringLiteral("qf1");
        strTestResult = QStringLiteral("77.7 uΩ");
        iCurrentStep = 1;
        window.AppendTestRow();
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("通讯失败！")});

        // Everything the data folder holds besides the archive goes; the records stay.
        QVERIFY(QDir(BackupFolder()).removeRecursively());
        ProgramArchive::shared().reset();
        RecordArchive archive;
        QCOMPARE(archive.open(EnsureDataFolder() + QLatin1Char('/') + kArchiveFileName), ArchiveState::Open);
        QCOMPARE(archive.recordCount(), 13);
        const std::vector<ArchivedRecord> qf1 = DeviceRecords(archive, QStringLiteral("Qf1"));
        QCOMPARE(qf1.size(), size_t(4)); // records 1, 5, 9 and the live test, matched without case
        QCOMPARE(qf1.front().texts, window.Grid()->row(1));
        QCOMPARE(qf1.front().microOhms, 100.1);
        QCOMPARE(qf1.front().source, QStringLiteral("upload"));
        QCOMPARE(qf1.back().source, QStringLiteral("live"));
        QCOMPARE(qf1.back().texts[7], QStringLiteral("77.7 uΩ"));
        QCOMPARE(Count(archive, QStringLiteral("SELECT count(*) FROM records WHERE pushed = 0")), 13);

        // Bringing the upload's file in again adds nothing.
        const QString again = dir.filePath(QStringLiteral("again.txt"));
        Write(again, DataFileBytes(*window.Grid(), 12));
        ImportOptions options;
        options.root = dir.path();
        const ImportSummary summary = ImportFiles(archive, {again}, options);
        QCOMPARE(summary.recordsRead, 12);
        QCOMPARE(summary.recordsAdded, 0);
        QCOMPARE(archive.recordCount(), 13);
    }

    void killWhileStoringLosesNothingStored() {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(kArchiveFileName);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kChildVariable), fileName);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (said.count('\n') < 40 && child.waitForReadyRead(20000))
            said += child.readAllStandardOutput();
        child.kill(); // SIGKILL, somewhere inside a store
        QVERIFY(child.waitForFinished());
        said += child.readAllStandardOutput();
        const QList<QByteArray> batches = said.trimmed().split('\n');
        QVERIFY(batches.size() >= 40);

        RecordArchive archive;
        QCOMPARE(archive.open(fileName), ArchiveState::Open);
        QCOMPARE(archive.check(true), QStringLiteral("ok"));
        for (const QByteArray& batch : batches)
            QCOMPARE(DeviceRecords(archive, QStringLiteral("K") + QString::fromLatin1(batch)).size(),
                     size_t(50));
        QCOMPARE(archive.recordCount() % 50, 0); // a store is all or nothing
    }

    void killDuringAnUploadLosesNothingStored() {
        TempProgramDir program;
        const QString fileName = ProgramArchive::shared().fileName();
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kUploadChildVariable), program.path());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        // Watched as another program would read it, until two slices of the upload are in.
        qint64 seen = 0;
        QElapsedTimer waited;
        waited.start();
        while (seen < 2 * ProgramArchive::kUploadSlice && child.state() == QProcess::Running &&
               waited.elapsed() < 60000) {
            QTest::qWait(10);
            RecordArchive watched;
            if (QFile::exists(fileName + "-wal") &&
                watched.open(fileName, ArchiveOpening::ReadOnly) == ArchiveState::ReadOnly)
                seen = std::max<qint64>(watched.recordCount(), 0);
        }
        child.kill(); // SIGKILL, part-way through the upload
        QVERIFY(child.waitForFinished());
        QVERIFY2(seen >= 2 * ProgramArchive::kUploadSlice, "the upload stored nothing while it ran");

        RecordArchive archive;
        QCOMPARE(archive.open(fileName), ArchiveState::Open);
        QCOMPARE(archive.check(true), QStringLiteral("ok"));
        const qint64 stored = archive.recordCount();
        QVERIFY(stored >= seen);
        QVERIFY(stored < kUploadRecords);
        QCOMPARE(stored % ProgramArchive::kUploadSlice, 0);
        // Records 1..stored of the upload, each once.
        const ArchiveFile file(fileName);
        QSqlQuery query = file.query();
        QVERIFY(query.exec("SELECT micro_ohms FROM records ORDER BY test_time"));
        QList<double> found, expected;
        while (query.next())
            found << query.value(0).toDouble();
        for (int k = 1; k <= stored; ++k)
            expected << (1000 + k) / 10.0;
        QCOMPARE(found, expected);
    }

    // The records come to the archive object one by one as the link decodes them, with no grid:
    // each full slice is in the file while the upload runs (as another program reads it), and the
    // end stores the rest, each record once.
    void anUploadIsStoredAsItComes_data() {
        QTest::addColumn<int>("received");
        QTest::addColumn<int>("inBeforeTheEnd");
        QTest::newRow("less than a slice") << 20 << 0;
        QTest::newRow("one slice exactly") << ProgramArchive::kUploadSlice << ProgramArchive::kUploadSlice;
        QTest::newRow("two slices and some") << 70 << 2 * ProgramArchive::kUploadSlice;
    }

    void anUploadIsStoredAsItComes() {
        QFETCH(int, received);
        QFETCH(int, inBeforeTheEnd);
        TempProgramDir dir;
        ProgramArchive& program = ProgramArchive::shared();
        QSignalSpy stored(&program, &ProgramArchive::recordsStored);
        QSignalSpy trouble(&program, &ProgramArchive::troubleFound);
        std::vector<TestRecord> records;
        const QDateTime start(QDate(2024, 6, 1), QTime(8, 0));
        for (int k = 1; k <= received; ++k)
            records.push_back(Record("QU", start.addSecs(60 * k).toString("yy-MM-dd hh:mm"), "100 A",
                                     QStringLiteral("%1.0 uΩ").arg(k)));
        program.uploadStarted();
        for (const TestRecord& record : records)
            program.uploadReceived(record);
        RecordArchive watched;
        const qint64 inBefore =
            QFile::exists(program.fileName()) &&
                    watched.open(program.fileName(), ArchiveOpening::ReadOnly) == ArchiveState::ReadOnly
                ? watched.recordCount()
                : 0;
        QCOMPARE(inBefore, qint64(inBeforeTheEnd));
        QCOMPARE(stored.count(), 0);
        program.uploadEnded(received);
        QCOMPARE(stored.count(), 1);
        QCOMPARE(stored.first().first().toString(), QStringLiteral("upload"));
        QCOMPARE(trouble.count(), 0);
        const std::vector<ArchivedRecord> in = DeviceRecords(program.archive(), "QU");
        QCOMPARE(int(in.size()), received);
        for (size_t k = 0; k < in.size(); ++k) {
            QCOMPARE(in[k].texts, records[k].texts);
            QCOMPARE(in[k].source, QStringLiteral("upload"));
        }
    }

    void archiveThatCannotBeWrittenIsLeftAlone_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<FailureKind>("fault"); // what the program branches on: wait and retry, or set aside
        QTest::newRow("corrupted") << "corrupted" << int(ArchiveState::Unavailable) << false
                                   << FailureKind::Foreign;
        QTest::newRow("not an archive of ours")
            << "foreign" << int(ArchiveState::Unavailable) << false << FailureKind::Foreign;
        QTest::newRow("made by a newer program")
            << "newer" << int(ArchiveState::ReadOnly) << true << FailureKind::Newer;
        QTest::newRow("read-only file")
            << "readonly" << int(ArchiveState::ReadOnly) << true << FailureKind::NoPermission;
        QTest::newRow("locked by a second program")
            << "locked" << int(ArchiveState::Open) << true << FailureKind::Busy;
        QTest::newRow("a named pipe in its place")
            << "fifo" << int(ArchiveState::Unavailable) << false << FailureKind::Foreign;
    }

    void archiveThatCannotBeWrittenIsLeftAlone() {
        QFETCH(QString, kind);
        QFETCH(int, state);
        QFETCH(bool, readable);
        QFETCH(FailureKind, fault);
        if (kind == QStringLiteral("readonly") && geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        QTemporaryDir dir;
        const QString fileName = dir.filePath(kArchiveFileName);
        {
            RecordArchive first;
            QCOMPARE(first.open(fileName), ArchiveState::Open);
            QCOMPARE(
                ValueOrFailed(first.store({Record("QF1", "24-01-01 08:00", "100 A", "50.0 uΩ")}, "upload")),
                1);
            const ArchiveFile file(fileName);
            QSqlQuery query = file.query();
            if (kind == QStringLiteral("newer"))
                QVERIFY(query.exec("UPDATE meta SET value = '99' WHERE key = 'schema_version'"));
            if (kind == QStringLiteral("foreign"))
                QVERIFY(query.exec("DROP TABLE meta"));
            QVERIFY(query.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        QProcess holder;
        if (kind == QStringLiteral("corrupted")) {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(0);
            file.write(QByteArray(100, '\x5A'));
        } else if (kind == QStringLiteral("readonly")) {
            QVERIFY(QFile::setPermissions(fileName, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (kind == QStringLiteral("fifo")) {
            QVERIFY(QFile::remove(fileName));
            QCOMPARE(::mkfifo(QFile::encodeName(fileName).constData(), 0600), 0);
        } else if (kind == QStringLiteral("locked")) {
            // A second program holds the write lock and keeps it.
            holder.start(QStringLiteral("sqlite3"), {fileName});
            if (!holder.waitForStarted())
                QSKIP("sqlite3 is not installed");
            holder.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
            QVERIFY(holder.waitForReadyRead(10000));
            QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));
        }
        const QByteArray before = kind == QStringLiteral("fifo") ? QByteArray() : Digest(fileName);

        RecordArchive archive;
        QCOMPARE(int(archive.open(fileName)), state);
        QCOMPARE(archive.readable(), readable);
        if (kind != QStringLiteral("locked"))
            QVERIFY(!archive.failure().reason().isEmpty());
        QCOMPARE(archive.store({Record("QF2", "24-01-02 08:00", "100 A", "51.0 uΩ")}, "upload").kind(),
                 fault);
        const Outcome failure = archive.failure();
        QCOMPARE(failure.kind(), fault);
        QVERIFY(!failure.reason().isEmpty());
        if (readable && kind != QStringLiteral("locked"))
            QCOMPARE(DeviceRecords(archive, "qf1").size(), size_t(1));
        archive.close();
        if (kind != QStringLiteral("fifo"))
            QCOMPARE(Digest(fileName), before); // never written, never replaced
        if (kind == QStringLiteral("locked")) {
            holder.write("COMMIT;\n.quit\n");
            QVERIFY(holder.waitForFinished());
            QCOMPARE(archive.open(fileName), ArchiveState::Open);
            QCOMPARE(
                ValueOrFailed(archive.store({Record("QF2", "24-01-02 08:00", "100 A", "51.0 uΩ")}, "upload")),
                1);
        }
    }

    void programGoesOnAndSaysSoOnce() {
        TempProgramDir dir;
        const QString fileName = EnsureDataFolder() + QLatin1Char('/') + kArchiveFileName;
        Write(fileName, QByteArray("not an archive at all, but someone's file"));
        const QByteArray before = Digest(fileName);
        SimSetup setup;
        setup.records = Frames(3);
        UsbSim usb(setup);
        usb.pointProgramAt();
        MessageRecorder messages;
        TFrmMain window;
        gbDeviceConnected = true;
        window.UpdateButtons();
        window.BtnSampleData->click();
        window.BtnSampleData->click();
        window.AppendTestRow();
        QCOMPARE(giRecordCount, 4);
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(messages.texts().first().contains(kArchiveFileName));
        QCOMPARE(Digest(fileName), before);
        QCOMPARE(QDir(BackupFolder()).entryList(QDir::Files).size(), 3); // the backups go on
    }

    void olderArchiveIsUpgradedInPlace() {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(kArchiveFileName);
        {
            // Version 1 as the first program wrote it, with one record.
            const ArchiveFile db(fileName);
            QFile schema(":/archive/LocalSchema.sql");
            QVERIFY(schema.open(QIODevice::ReadOnly));
            for (const QString& statement :
                 QString::fromUtf8(schema.readAll()).split(QRegularExpression("\\n;\\n")))
                QVERIFY2(db.query().exec(statement), qPrintable(statement));
            QVERIFY(db.query().exec("INSERT INTO meta VALUES ('schema_version', '1'), ('laptop_id', 'L1')"));
            QVERIFY(db.query().exec("INSERT INTO records (id, device, device_key, tester, location, texts, "
                                    "source, added_at, added_by) VALUES ('x', 'Qf7', 'QF7', '', '', '[]', "
                                    "'upload', '2024-01-01T00:00:00.000Z', 'L1')"));
        }
        RecordArchive archive;
        QCOMPARE(archive.open(fileName), ArchiveState::Open);
        QCOMPARE(archive.schemaVersion(), kArchiveSchemaVersion);
        QCOMPARE(archive.laptopId(), QStringLiteral("L1"));
        const std::vector<Asset> assets = LoadAssets(archive);
        QCOMPARE(assets.size(), size_t(1));
        QCOMPARE(assets.front().device, QStringLiteral("Qf7"));
        QVERIFY(!assets.front().registered);
        EveryStatementPrepares(archive);
        RecordArchive created;
        QCOMPARE(created.open(dir.filePath("new.sqlite")), ArchiveState::Open);
        EveryStatementPrepares(created);
    }

    void assessment_data() {
        QTest::addColumn<double>("resistance");
        QTest::addColumn<QString>("rules");   // "limit=100 factory=100 baseline=1.5 phase=B"
        QTest::addColumn<QString>("earlier"); // "100A:100" same-step previous, "200A:50" any-step only
        QTest::addColumn<QString>("sisters"); // "A:50 C:55"
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("reason");
        QTest::newRow("above the limit") << 120.0 << "limit=100"
                                         << ""
                                         << ""
                                         << "不合格"
                                         << "超过限值 100 uΩ";
        QTest::newRow("at the limit") << 100.0 << "limit=100"
                                      << ""
                                      << ""
                                      << "合格"
                                      << "";
        QTest::newRow("limit kept as typed") << 0.5 << "limit=0.0004"
                                             << ""
                                             << ""
                                             << "不合格"
                                             << "超过限值 0.0004 uΩ";
        QTest::newRow("above the factory value") << 134.0 << "factory=100"
                                                 << ""
                                                 << ""
                                                 << "注意"
                                                 << "比出厂值高 34 %";
        QTest::newRow("commissioning value first") << 134.0 << "factory=50 commissioning=100"
                                                   << ""
                                                   << ""
                                                   << "注意"
                                                   << "比投运值高 34 %";
        QTest::newRow("baseline factor of the asset") << 134.0 << "factory=100 baseline=1.5"
                                                      << ""
                                                      << ""
                                                      << "合格"
                                                      << "";
        QTest::newRow("rise against the previous test") << 125.0 << ""
                                                        << "100A:100"
                                                        << ""
                                                        << "注意"
                                                        << "比上次试验高 25 %";
        QTest::newRow("rise of exactly 20 %") << 120.0 << ""
                                              << "100A:100"
                                              << ""
                                              << "合格"
                                              << "";
        QTest::newRow("previous test at another current") << 125.0 << ""
                                                          << "200A:50"
                                                          << ""
                                                          << "无判据"
                                                          << "上次试验电流为 200 A，与本次不同，未作比较";
        QTest::newRow("a phase above the lowest") << 81.0 << "phase=B"
                                                  << ""
                                                  << "A:50 C:55"
                                                  << "注意"
                                                  << "B相比最低相高 62 %";
        QTest::newRow("the lowest phase") << 50.0 << "phase=A"
                                          << ""
                                          << "B:81 C:55"
                                          << "合格"
                                          << "";
        QTest::newRow("no rule applies") << 50.0 << ""
                                         << ""
                                         << ""
                                         << "无判据"
                                         << "没有限值、基准值、上次试验或同间隔其他相可比";
        QTest::newRow("both at once: the worst wins") << 200.0 << "limit=150 factory=100"
                                                      << ""
                                                      << ""
                                                      << "不合格"
                                                      << "超过限值 150 uΩ；比出厂值高 100 %";
    }

    void assessment() {
        QFETCH(double, resistance);
        QFETCH(QString, rules);
        QFETCH(QString, earlier);
        QFETCH(QString, sisters);
        QFETCH(QString, verdict);
        QFETCH(QString, reason);
        Asset asset;
        for (const QString& pair : rules.split(' ', Qt::SkipEmptyParts)) {
            const QString name = pair.section('=', 0, 0);
            const QString value = pair.section('=', 1);
            (name == "limit"           ? asset.limit
             : name == "factory"       ? asset.factory
             : name == "commissioning" ? asset.commissioning
             : name == "baseline"      ? asset.baselineFactor
                                       : asset.phase) = value;
        }
        AssessmentInput input;
        input.microOhms = resistance;
        input.stepAmperes = 100;
        input.phase = asset.phase;
        input.rules = RulesOf(asset, AssessmentFactors{});
        if (!earlier.isEmpty()) {
            const EarlierTest test{earlier.section('A', 0, 0).toInt(), earlier.section(':', 1).toDouble()};
            input.previousAnyStep = test;
            if (test.stepAmperes == 100)
                input.previousSameStep = test;
        }
        for (const QString& sister : sisters.split(' ', Qt::SkipEmptyParts))
            input.sisterPhases.push_back({sister.section(':', 0, 0), sister.section(':', 1).toDouble()});
        const Assessment result = Assess(input);
        QCOMPARE(VerdictText(result.verdict), verdict);
        QCOMPARE(result.reasonText(), reason);
    }

    void overviewRollsTheWorstUp() {
        QTemporaryDir dir;
        RecordArchive archive;
        QCOMPARE(archive.open(dir.filePath(kArchiveFileName)), ArchiveState::Open);
        Register(archive, {{"QA", "1号", "A", ""},
                           {"QB", "1号", "B", ""},
                           {"QC", "1号", "C", "100"},
                           {"QD", "2号", "", "100"}});
        QCOMPARE(ValueOrFailed(
                     archive.store({Record("qa", "24-05-01 09:00", "100 A", "50.0 uΩ"),
                                    Record("QB", "24-05-01 09:05", "100 A", "52.0 uΩ"),
                                    Record("QC", "24-05-01 09:10", "200 A", "30.0 uΩ"),
                                    Record("QC", "24-05-01 09:20", "100 A", "120.0 uΩ"),
                                    Record("QD", "24-05-01 09:30", "100 A", "90.0 uΩ"),
                                    Record("QX", "24-05-01 09:40", "100 A", "10.0 uΩ"),
                                    // A's last test is at another current: its 100 A reading still counts
                                    Record("QA", "24-05-01 09:50", "200 A", "31.0 uΩ")},
                                   "upload")),
                 7);
        const std::vector<OverviewStation> stations = BuildOverview(archive);
        QCOMPARE(stations.size(), size_t(2));
        QCOMPARE(stations[0].name, QStringLiteral("东郊站"));
        QCOMPARE(stations[0].worst, Verdict::Fail);
        QCOMPARE(stations[0].bays[0].worst, Verdict::Fail);
        QCOMPARE(stations[0].bays[1].worst, Verdict::Pass);
        const OverviewDevice& qc = stations[0].bays[0].devices[2];
        QCOMPARE(qc.asset.device, QStringLiteral("QC"));
        QCOMPARE(qc.assessment.reasonText(),
                 QStringLiteral(
                     "超过限值 100 uΩ；上次试验电流为 200 A，与本次不同，未作比较；C相比最低相高 140 %"));
        QVERIFY(!qc.changePercent); // the 200 A test is not its previous test
        QCOMPARE(stations[0].bays[0].devices[1].assessment.verdict, Verdict::Pass); // B: 4 % above A
        QCOMPARE(stations[0].bays[0].devices[0].assessment.verdict, Verdict::Pass); // A at 200 A: 3 % above C
        QCOMPARE(stations[1].name, QString());                                      // not in the register
        QCOMPARE(stations[1].worst, Verdict::NoCriteria);
        QCOMPARE(OverviewRows(stations).size(), size_t(5));
    }

    // The history of any phase shows its bay's phases side by side, each reading with its verdict.
    void historyShowsTheBaysPhasesTogether() {
        TempProgramDir dir;
        RecordArchive& archive = ProgramArchive::shared().archive();
        Register(
            archive,
            {{"QA", "1号", "A", ""}, {"QB", "1号", "B", ""}, {"QC", "1号", "C", ""}, {"QD", "", "", "8"}});
        QCOMPARE(ValueOrFailed(archive.store({Record("QA", "24-05-01 09:00", "100 A", "50.0 uΩ"),
                                              Record("QB", "24-05-01 09:05", "100 A", "81.0 uΩ"),
                                              Record("QC", "24-05-01 09:10", "100 A", "55.0 uΩ"),
                                              Record("QA", "24-05-02 09:00", "100 A", "51.0 uΩ"),
                                              Record("QD", "24-05-02 09:00", "100 A", "9.0 uΩ")},
                                             "upload")),
                 5);
        RecordGrid grid;
        TFrmHistory dialog(grid, 0, QStringLiteral("qb"));
        const QTableView* table = dialog.TblPhases;
        const QAbstractItemModel* phases = dialog.Phases();
        QAbstractItemModelTester phasesTester(dialog.Phases(),
                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester rowsTester(dialog.Rows(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(!table->isHidden());
        QCOMPARE(phases->headerData(3, Qt::Horizontal).toString(), QStringLiteral("B相 QB"));
        const QList<QStringList> rows{
            {"2024-05-02", "100 A", "51.0 uΩ", "", "", "合格", ""},
            {"2024-05-01", "100 A", "50.0 uΩ", "81.0 uΩ", "55.0 uΩ", "注意", "B相比最低相高 62 %"}};
        QCOMPARE(phases->rowCount(), rows.size());
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c)
                QCOMPARE(Text(phases, {r}, c), rows[r][c]);
        QCOMPARE(Cell(phases, {1}, 3, Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("注意：B相比最低相高 62 %"));
        QCOMPARE(Text(dialog.Rows(), {0}, 6), QStringLiteral("仪器上传")); // not the grid's
        TFrmHistory alone(grid, 0, QStringLiteral("QD"));                  // in no bay
        QVERIFY(alone.TblPhases->isHidden());
        // Every record shows its verdict and reasons, in a bay or not.
        const QAbstractItemModel* history = alone.Rows();
        const int verdictColumn = history->columnCount() - 2;
        QCOMPARE(history->headerData(verdictColumn, Qt::Horizontal).toString(), QStringLiteral("结论"));
        QCOMPARE(Text(history, {0}, verdictColumn), QStringLiteral("不合格"));
        QCOMPARE(Text(history, {0}, verdictColumn + 1), QStringLiteral("超过限值 8 uΩ"));
        QCOMPARE(Text(dialog.Rows(), {0}, verdictColumn), QStringLiteral("注意"));

        // The bay's table shows every row of a longer history, none hidden below a scroll.
        std::vector<TestRecord> days;
        for (int day = 3; day <= 8; ++day)
            days.push_back(Record("QA", QStringLiteral("24-05-0%1 09:00").arg(day), "100 A", "50.0 uΩ"));
        QCOMPARE(ValueOrFailed(archive.store(days, "upload")), int(days.size()));
        dialog.show();
        dialog.BtnQueryClick();
        QCoreApplication::processEvents();
        QCOMPARE(phases->rowCount(), 8);
        QVERIFY(table->rowViewportPosition(7) + table->rowHeight(7) <= table->viewport()->height());
    }

    void registerFilesRoundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << "台账.xlsx";
        QTest::newRow("csv") << "台账.csv";
    }

    void registerFilesRoundTrip() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(name);
        // Texts a spreadsheet would run as formulas, one already made safe by its writer.
        Asset first{"QF1",
                    "=1+1",
                    "'-2",
                    "A",
                    "断路器",
                    "=cmd|' /C calc'!A0",
                    "@SUM(A1)",
                    "35",
                    "36.50",
                    "0.0004",
                    "含,逗号\"引号\n两行",
                    "",
                    "0.3",
                    "",
                    true};
        Asset second{"qf2", "", "", "", "", "", "", "", "", "1000000000", "", "", "", "", true};
        // A folder that is not there: told in the program's words, the system's text after them.
        const Outcome refused = ExportAssets({first}, dir.filePath("没有的文件夹/" + name));
        QVERIFY(!refused.detail().isEmpty());
        QCOMPARE(refused.reason(), QStringLiteral("无法写入文件（%1）").arg(refused.detail()));
        const Outcome exported = ExportAssets({first, second}, fileName);
        QVERIFY2(exported, qPrintable(exported.reason()));
        Result<std::vector<Asset>> read = ImportAssets(fileName);
        QVERIFY2(read, qPrintable(read.reason()));
        QCOMPARE(read->size(), size_t(2));
        QVERIFY(read->at(0) == first);
        QVERIFY(read->at(1) == second);
        if (name.endsWith(".xlsx") && OtherReaders::HasPythonModule("openpyxl")) {
            const auto cells = OtherReaders::PythonJson("import json,sys,openpyxl\n"
                                                        "ws=openpyxl.load_workbook(sys.argv[1]).active\n"
                                                        "print(json.dumps([[c if c is None else str(c) for c "
                                                        "in r] for r in ws.iter_rows(values_only=True)]))",
                                                        {fileName});
            QVERIFY(cells);
            QCOMPARE(cells->array().at(1).toArray().at(9).toString(), QStringLiteral("0.0004"));
            QCOMPARE(cells->array().at(0).toArray().at(0).toString(), QStringLiteral("设备编号"));
        }
        if (name.endsWith(".csv")) {
            // Other readers see texts, never formulas.
            const QStringList safe{"'=1+1", "''-2", "'=cmd|' /C calc'!A0", "'@SUM(A1)"};
            const auto python = OtherReaders::PythonJson(OtherReaders::kCsvRowsScript, {fileName});
            QVERIFY(python);
            const QJsonArray row = python->array().at(1).toArray();
            QCOMPARE((QStringList{row.at(1).toString(), row.at(2).toString(), row.at(5).toString(),
                                  row.at(6).toString()}),
                     safe);
            if (OtherReaders::HasOffice()) {
                QVERIFY(OtherReaders::OfficeToCsv({fileName}, dir.filePath("office"), "CSV:44,34,76,1"));
                const auto office =
                    OtherReaders::PythonJson(OtherReaders::kCsvRowsScript, {dir.filePath("office/台账.csv")});
                QVERIFY(office);
                const QJsonArray sheet = office->array().at(1).toArray();
                QCOMPARE(sheet.at(1).toString(), safe[0]);
                QCOMPARE(sheet.at(5).toString(), safe[2]);
            }
        }
        // A file with one bad number is refused as a whole, naming the row.
        second.limit = "1e308";
        QVERIFY(ExportAssets({first, second}, fileName));
        read = ImportAssets(fileName);
        QVERIFY2(read.reason().contains("第 3 行") && read.reason().contains("1e308"),
                 qPrintable(read.reason()));
    }

    // A register file's columns are found by their headers, in any order; a file with other
    // headers is refused with the header named.
    void registerFileIsReadByItsHeaders_data() {
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QString>("refusal"); // empty: taken
        QStringList reversed = AssetColumnHeaders();
        std::reverse(reversed.begin(), reversed.end());
        QTest::newRow("columns in another order") << reversed << QString();
        QStringList foreign = reversed;
        foreign[3] = "温度";
        QTest::newRow("a header not the register's") << foreign << "表头“温度”不是台账的列";
        QTest::newRow("a column missing") << reversed.mid(1) << "表头缺少“相间比例”";
    }

    void registerFileIsReadByItsHeaders() {
        QFETCH(QStringList, headers);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        Asset asset{"QF1",   "东郊站", "1号",  "A",   "断路器", "甲厂", "ZN63", "35",
                    "36.50", "60",     "备注", "1.3", "0.3",    "0.4",  true};
        const QStringList texts = AssetColumns(asset);
        QStringList row;
        for (const QString& header : headers)
            row << texts.value(AssetColumnHeaders().indexOf(header));
        const QString file = dir.filePath("台账.csv");
        Write(file, ("\xEF\xBB\xBF" + headers.join(',') + "\r\n" + row.join(',') + "\r\n").toUtf8());
        const Result<std::vector<Asset>> read = ImportAssets(file);
        QCOMPARE(read.ok(), refusal.isEmpty());
        if (refusal.isEmpty())
            QVERIFY(read->size() == 1 && read->at(0) == asset);
        else
            QVERIFY2(read.reason().contains(refusal), qPrintable(read.reason()));
    }

    void numbersAreKeptExactlyOrRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        for (const char* text : {"0.0004", "1000000000", "150", "36.50", "0.00000000000000000001"})
            QTest::newRow(text) << text << true;
        for (const char* text :
             {"inf", "1e308", "0", "0.0", "-5", "1000000000.1", "nan", "0x10", "1,5", " ", "12 uΩ"})
            QTest::newRow(text) << text << false;
    }

    void numbersAreKeptExactlyOrRefused() {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        RecordArchive archive;
        QCOMPARE(archive.open(dir.filePath(kArchiveFileName)), ArchiveState::Open);
        Asset asset;
        asset.device = "QF9";
        asset.limit = text;
        asset.factory = text;
        const Outcome saved = SaveAssets(archive, {asset});
        QCOMPARE(saved.ok(), taken);
        const std::optional<Asset> stored = LoadAsset(archive, "qf9");
        QCOMPARE(stored.has_value(), taken);
        if (taken) {
            QCOMPARE(stored->limit, text);
            QCOMPARE(stored->factory, text);
            QCOMPARE(Count(archive, "SELECT pushed FROM assets"), 0);
            QCOMPARE(Count(archive,
                           "SELECT count(*) FROM assets WHERE changed_by = (SELECT value FROM meta WHERE "
                           "key = 'laptop_id') AND changed_at LIKE '____-__-__T__:__:__.___Z'"),
                     1);
        } else {
            QVERIFY(!saved.reason().isEmpty());
        }
    }

    void importMeetsWhateverLiesInTheFolder() {
        QTemporaryDir outside;
        TempProgramDir dir;
        const QString root = EnsureDataFolder();
        const QString good = root + "/good.txt";
        Write(good, DataFileOf({{" 1", "24-02-01 10:00", "G1", "", "", "100 A", "5 秒", "10.0 uΩ"},
                                {" 2", "24-02-01 10:01", "G2", "", "", "100 A", "5 秒", "11.0 uΩ"}}));
        QVERIFY(QDir(root).mkpath("folder.txt/deeper"));
        Write(root + "/folder.txt/deeper/nested.txt",
              DataFileOf({{" 1", "24-02-01 11:00", "N1", "", "", "100 A", "5 秒", "12.0 uΩ"}}));
        Write(outside.filePath("secret.txt"),
              DataFileOf({{" 1", "24-02-01 12:00", "OUT", "", "", "100 A", "5 秒", "13.0 uΩ"}}));
        QCOMPARE(::mkfifo(QFile::encodeName(root + "/pipe.txt").constData(), 0600), 0);
        QVERIFY(QFile::link("/dev/zero", root + "/zero.txt"));
        QVERIFY(QFile::link(outside.filePath("secret.txt"), root + "/secret.txt"));
        QVERIFY(QFile::link(outside.path(), root + "/elsewhere"));
        QVERIFY(QFile::link(root, root + "/folder.txt/round"));
        QVERIFY(QFile::link(root + "/loop-b.txt", root + "/loop-a.txt"));
        QVERIFY(QFile::link(root + "/loop-a.txt", root + "/loop-b.txt"));
        QVERIFY(QFile::link(root + "/gone.txt", root + "/dangling.txt"));
        {
            QFile huge(root + "/huge.txt");
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.resize(qint64(300) * 1024 * 1024)); // sparse: takes no disk
        }
        Age(root + "/huge.txt");
        Write(root + "/broken.xlsx", QByteArray("PK\x03\x04 not really a workbook"));
        // Zip bombs: sheets that unpack to a gigabyte, one saying so and one claiming 1000 bytes.
        const QList<QByteArray> sheet = ZipPackages::Sheet("", "|").split('|');
        const Parts package = ZipPackages::Package({});
        const QString part = QStringLiteral("xl/worksheets/sheet1.xml");
        for (const QString bomb : {"bomb.xlsx", "liar.xlsx"})
            QVERIFY(ZipPackages::WriteZipBomb(root + "/" + bomb, package, part, sheet[0], 1 << 30, sheet[1]));
        QVERIFY(ZipPackages::UnderstateSize(root + "/liar.xlsx", part.toUtf8(), 1000));
        Age(root + "/bomb.xlsx");
        Age(root + "/liar.xlsx");
        // Still being written: changed a moment ago, or held open for writing by another program
        // however old its last change.
        QFile fresh(root + "/fresh.txt");
        QVERIFY(fresh.open(QIODevice::WriteOnly));
        fresh.write(DataFileOf({{" 1", "24-02-01 13:00", "F1", "", "", "100 A", "5 秒", "14.0 uΩ"}}));
        fresh.close();
        Write(root + "/writing.txt",
              DataFileOf({{" 1", "24-02-01 14:00", "W1", "", "", "100 A", "5 秒", "15.0 uΩ"}}));
        QProcess writer;
        writer.setStandardOutputFile(root + "/writing.txt", QIODevice::Append);
        writer.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(writer.waitForStarted());

        RecordArchive archive;
        QCOMPARE(archive.open(root + "/" + kArchiveFileName), ArchiveState::Open);
        ImportOptions options;
        options.root = root;
        options.settleMilliseconds = 2000;
        QList<int> progress;
        options.progress = [&](int done, int total, const QString&) { progress << done << total; };
        QElapsedTimer took;
        took.start();
        const long peakBefore = PeakKiB();
        const ImportSummary summary = ImportFiles(archive, {root}, options);
        QVERIFY(took.elapsed() < 30000);
        QVERIFY2(PeakKiB() - peakBefore < 128 * 1024, "a zip bomb was held in memory");
        writer.kill();
        writer.waitForFinished();
        QCOMPARE(summary.filesRead, 2);
        QCOMPARE(archive.recordCount(), 3);
        QVERIFY(DeviceRecords(archive, "OUT").empty());
        QStringList reasons;
        for (const ImportSkip& skip : summary.skipped)
            reasons << QFileInfo(skip.path).fileName() + "：" + skip.reason;
        reasons.sort();
        const QStringList expected{"bomb.xlsx：不是可读的数据文件或工作簿",
                                   "broken.xlsx：不是可读的数据文件或工作簿",
                                   "dangling.txt：链接断开或成环，未跟随",
                                   "elsewhere：链接指向文件夹之外，未读取",
                                   "fresh.txt：文件正在写入，下次再导入",
                                   "huge.txt：文件过大（300 MB），不是测试记录，未读取",
                                   "liar.xlsx：不是可读的数据文件或工作簿",
                                   "loop-a.txt：链接断开或成环，未跟随",
                                   "loop-b.txt：链接断开或成环，未跟随",
                                   "pipe.txt：是命名管道，不是文件，未读取",
                                   "round：链接指向文件夹，未跟随",
                                   "secret.txt：链接指向文件夹之外，未读取",
                                   "writing.txt：文件正被其他程序写入，下次再导入",
                                   "zero.txt：链接指向文件夹之外，未读取"};
        QCOMPARE(reasons.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(reasons[i].startsWith(expected[i]), qPrintable(reasons[i]));
        QCOMPARE(progress.last(), progress.at(progress.size() - 2)); // ends at total of total
        // A second look reads nothing that has not changed, and the file its writer has let go of.
        const ImportSummary second = ImportFiles(archive, {root}, options);
        QCOMPARE(second.filesRead, 1);
        QCOMPARE(second.filesUnchanged, 2);
        QCOMPARE(DeviceRecords(archive, "W1").size(), size_t(1));
    }

    // "取消" during the import of one large file stops it inside the file; the dialog stays,
    // holding the window off, until the import has ended, and the summary says it was cancelled.
    // The window's thread goes on meanwhile; a click before the dialog shows is dropped, not
    // carried out later.
    void cancelStopsALargeImportInsideItsFile() {
        constexpr int kRecords = 400000;
        TempProgramDir dir;
        const QString root = EnsureDataFolder();
        const QString file = root + "/large.csv";
        {
            QByteArray bytes = "序号,时间,设备编号,测试人员,测试地点,电流档位,加载时间,回路电阻\r\n";
            bytes.reserve(qsizetype(kRecords) * 64);
            for (int i = 1; i <= kRecords; ++i)
                bytes += QStringLiteral("%1,24-01-01 %2:%3,L%4,,,100 A,5 秒,%5.0 uΩ\r\n")
                             .arg(i)
                             .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                             .arg(i % 60, 2, 10, QLatin1Char('0'))
                             .arg(i)
                             .arg(i % 900 + 10)
                             .toUtf8();
            Write(file, bytes);
        }
        QWidget window;
        window.show();
        bool clicked = false;
        bool shownAfterCancel = false;
        QString barName;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (clicked || !progress || !progress->isVisible())
                return;
            clicked = true;
            barName = progress->findChild<QProgressBar*>()->accessibleName();
            progress->findChild<QPushButton*>()->click();
            shownAfterCancel = progress->isVisible() && QApplication::activeModalWidget() == progress;
        });
        look.start(10);
        auto* button = new QPushButton(QStringLiteral("存储"), &window);
        button->show();
        QSignalSpy pressed(button, &QPushButton::clicked);
        ImportSummary summary;
        QSignalSpy ended(ArchiveImportRun::Start(&window, {file}, root, false,
                                                 [&summary](const ImportSummary& told) { summary = told; }),
                         &ArchiveImportRun::finished);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(ended.wait(120000));
        look.stop();
        QCOMPARE(pressed.count(), 0);
        QTest::mouseClick(button, Qt::LeftButton); // the window takes input again
        QCOMPARE(pressed.count(), 1);
        QVERIFY(clicked);
        QVERIFY(shownAfterCancel);
        QCOMPARE(barName, QStringLiteral("导入进度"));
        QVERIFY(summary.cancelled);
        QVERIFY(summary.recordsAdded < kRecords);
        QVERIFY2(ImportSummaryText(summary).contains("导入已取消"), qPrintable(ImportSummaryText(summary)));
        RecordArchive& archive = ProgramArchive::shared().archive();
        QCOMPARE(archive.recordCount(), summary.recordsAdded);
        QCOMPARE(Count(archive, "SELECT count(*) FROM imported_files"), 0); // read again next time
    }

    void registerWindowKeepsWhatIsTypedAndExchangesFiles() {
        TempProgramDir dir;
        MessageRecorder messages;
        FolderRecorder folders;
        ProgramArchive::shared().store({Record("QF1", "24-01-01 08:00", "100 A", "50.0 uΩ")}, "upload");
        auto* window = new TFrmRegister;
        QAbstractItemModelTester tester(window->Shown(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        RegisterModel* rows = window->Rows();
        const auto type = [rows](int column, const QString& text) {
            QVERIFY(rows->setData(rows->index(0, column), text));
        };
        QCOMPARE(rows->rowCount(), 1);
        QCOMPARE(Text(rows, {0}, 0), QStringLiteral("QF1"));
        type(1, "东郊站");
        type(9, "1e308");
        window->BtnSave->click();
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY2(messages.texts().first().contains("1e308"), qPrintable(messages.texts().first()));
        QVERIFY(!LoadAsset(ProgramArchive::shared().archive(), "QF1"));
        type(9, "0.0004");
        window->EdtRiseFactor->setText("0.35");
        window->BtnSave->click();
        QCOMPARE(messages.texts().size(), 1);
        QCOMPARE(LoadAsset(ProgramArchive::shared().archive(), "qf1")->limit, QStringLiteral("0.0004"));
        QStringList factors;
        LoadFactors(ProgramArchive::shared().archive(), &factors);
        QCOMPARE(factors, QStringList({"1.2", "0.35", "0.5"}));

        const QString file = dir.filePath("台账.xlsx");
        QVERIFY(window->ExportTo(file));
        QCOMPARE(folders.folders.size(), 1);
        type(2, "changed, not saved");
        QVERIFY(window->ImportFrom(file));
        QCOMPARE(Text(rows, {0}, 2), QString());
        QCOMPARE(Text(rows, {0}, 1), QStringLiteral("东郊站"));
        // The search shows matching device numbers in any case; the rows stay.
        window->EdtSearch->setText("qf");
        QCOMPARE(window->Shown()->rowCount(), 1);
        window->EdtSearch->setText("QX");
        QCOMPARE(window->Shown()->rowCount(), 0);
        QCOMPARE(window->Assets().size(), size_t(1));
        window->EdtSearch->clear();

        // A typed text widens its column; closing asks before the edit is thrown away.
        QPointer<TFrmRegister> shown(window);
        window->show();
        const QString typed(60, QChar(0x6D4B));
        type(2, typed);
        QVERIFY(window->TblAssets->columnWidth(2) >=
                window->TblAssets->fontMetrics().horizontalAdvance(typed));
        const int last = rows->columnCount() - 1;
        QCOMPARE(window->TblAssets->columnWidth(last),
                 window->TblAssets->horizontalHeader()->sectionSizeHint(last));
        messages.clear();
        QTest::keyClick(window, Qt::Key_Escape);
        QCOMPARE(messages.texts(), QStringList{"设备台账有改动还没有保存。不保存就关闭吗？"});
        QVERIFY(window->isVisible());
        messages.answers.push_back(MsgResult::Yes);
        window->BtnClose->click();
        QVERIFY(!window->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(shown.isNull());
    }

    // In English the register window shows the columns' captions; the file it writes keeps the
    // header row, so it reads back whatever the language.
    void registerWindowInEnglishWritesTheHeaders() {
        TempProgramDir dir;
        FolderRecorder folders;
        QTranslator english;
        QVERIFY(english.load(QStringLiteral("ohmara_en"), QStringLiteral(":/i18n")));
        QCoreApplication::installTranslator(&english);
        const auto chinese = qScopeGuard([&english] { QCoreApplication::removeTranslator(&english); });
        ProgramArchive::shared().store({Record("QF1", "24-01-01 08:00", "100 A", "50.0 uΩ")}, "upload");
        TFrmRegister window;
        QCOMPARE(window.Rows()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Station"));
        QVERIFY(window.Rows()->setData(window.Rows()->index(0, 1), QStringLiteral("东郊站")));
        const QString file = dir.filePath("register.csv");
        QVERIFY(window.ExportTo(file));
        const Result<std::vector<Asset>> read = ImportAssets(file);
        QVERIFY2(read, qPrintable(read.reason()));
        QCOMPARE(read->at(0).station, QStringLiteral("东郊站"));
    }

    void overviewWindowFiltersAndExports() {
        TempProgramDir dir;
        MessageRecorder messages;
        FolderRecorder folders;
        RecordArchive& archive = ProgramArchive::shared().archive();
        std::vector<Asset> assets(3);
        for (int i = 0; i < 3; ++i) {
            assets[size_t(i)].device = QStringLiteral("Q%1").arg(QChar('A' + i));
            assets[size_t(i)].station = "东郊站";
            assets[size_t(i)].bay = "1号";
            assets[size_t(i)].phase = QString(QChar('A' + i));
        }
        assets[2].limit = "100";
        assets[2].factory = "40";
        QVERIFY(SaveAssets(archive, assets));
        ProgramArchive::shared().store({Record("QA", "24-05-01 09:00", "100 A", "50.0 uΩ"),
                                        Record("QB", "24-05-01 09:05", "100 A", "80.0 uΩ"),
                                        Record("QC", "24-05-01 09:20", "100 A", "120.0 uΩ"),
                                        Record("QX", "24-05-01 09:40", "100 A", "10.0 uΩ")},
                                       "upload");
        auto* window = new TFrmOverview;
        const QAbstractItemModel* tree = window->Shown();
        QAbstractItemModelTester tester(window->Shown(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(tree->rowCount(), 2);
        QCOMPARE(Text(tree, {0}, OverviewModel::VerdictColumn), QStringLiteral("不合格"));
        QCOMPARE(Text(tree, {0, 0}, OverviewModel::Resistance),
                 QStringLiteral("A 50.0 uΩ / B 80.0 uΩ / C 120.0 uΩ"));
        QCOMPARE(Text(tree, {0, 0, 1}, OverviewModel::VerdictColumn), QStringLiteral("注意"));
        QCOMPARE(
            Cell(tree, {0, 0, 1}, OverviewModel::VerdictColumn, Qt::AccessibleDescriptionRole).toString(),
            QStringLiteral("注意：B相比最低相高 60 %"));
        // B alone needs attention; its bay's other phases stay beside it.
        window->CBVerdict->setCurrentIndex(window->CBVerdict->findText("注意"));
        QCOMPARE(tree->rowCount(), 1);
        QCOMPARE(tree->rowCount(tree->index(0, 0, tree->index(0, 0))), 3);
        window->CBVerdict->setCurrentIndex(0);
        window->EdtSearch->setText("qx");
        QCOMPARE(tree->rowCount(), 1);
        QCOMPARE(Text(tree, {0}, OverviewModel::Name), QStringLiteral("（未登记）"));
        window->EdtSearch->clear();
        QSignalSpy chosen(window, &TFrmOverview::deviceChosen);
        QModelIndex qc = tree->index(2, OverviewModel::Phase, tree->index(0, 0, tree->index(0, 0)));
        emit window->TreeOverview->doubleClicked(qc);
        QCOMPARE(chosen.value(0).value(0).toString(), QStringLiteral("QC"));
        // Sorted by resistance, highest first, and back to the model's order.
        window->TreeOverview->header()->setSortIndicator(OverviewModel::Resistance, Qt::DescendingOrder);
        QCOMPARE(Text(tree, {0, 0, 0}, OverviewModel::Name), QStringLiteral("QC"));
        QCOMPARE(Text(tree, {0, 0, 2}, OverviewModel::Name), QStringLiteral("QA"));
        window->TreeOverview->header()->setSortIndicator(-1, Qt::AscendingOrder);
        QCOMPARE(Text(tree, {0, 0, 0}, OverviewModel::Name), QStringLiteral("QA"));

        const QString pdf = dir.filePath("总览.pdf");
        QVERIFY(window->ExportTo(pdf));
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        if (!text.waitForFinished(60000) || text.exitCode() != 0)
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString shown = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* expected : {"站点总览", "不合格", "超过限值 100 uΩ", "东郊站", "QX"})
            QVERIFY2(shown.contains(QString::fromUtf8(expected)), expected);
        // A long reason wraps in its cell instead of being cut.
        text.start("pdftotext", {"-raw", pdf, "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString wrapped = Text(tree, {0, 0, 2}, OverviewModel::Reason);
        QVERIFY2(QString::fromUtf8(text.readAllStandardOutput()).remove('\n').contains(wrapped),
                 qPrintable(wrapped));
        QVERIFY(window->ExportTo(dir.filePath("总览.xlsx")));
        const Result<WorkbookRecords> rows = ReadRecordWorkbook(dir.filePath("总览.xlsx"));
        QVERIFY(rows);
        QCOMPARE(rows->recordCount, 4);
        // A phase tested at another current says so on its bay's row.
        ProgramArchive::shared().store({Record("QA", "24-05-01 10:00", "200 A", "31.0 uΩ")}, "upload");
        window->Refresh();
        QCOMPARE(Text(tree, {0, 0}, OverviewModel::Resistance),
                 QStringLiteral("A 31.0 uΩ（200 A） / B 80.0 uΩ（100 A） / C 120.0 uΩ（100 A）"));
        delete window;
    }

    // Every export of the three windows asks before it replaces a file and, on a full disk, fails
    // with a message and leaves the earlier file as it was, with nothing else left behind.
    void exportsAskAndNeverDestroyTheOldFile_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("button"); // "" when the window names the file itself
        QTest::newRow("overview PDF") << "overview"
                                      << "总览.pdf"
                                      << "BtnExportPdf";
        QTest::newRow("overview xlsx") << "overview"
                                       << "总览.xlsx"
                                       << "BtnExportExcel";
        QTest::newRow("register xlsx") << "register"
                                       << "台账.xlsx"
                                       << "BtnExport";
        QTest::newRow("register csv") << "register"
                                      << "台账.csv"
                                      << "BtnExport";
        QTest::newRow("history PDF") << "history"
                                     << "历史.pdf"
                                     << "";
        QTest::newRow("history PNG") << "history"
                                     << "历史.png"
                                     << "";
    }

    void exportsAskAndNeverDestroyTheOldFile() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, button);
        TempProgramDir dir;
        MessageRecorder messages;
        FolderRecorder folders;
        ScriptedChooser chooser;
        std::vector<TestRecord> records;
        std::vector<Asset> assets(100);
        for (int i = 0; i < 100; ++i) {
            assets[size_t(i)].device = QStringLiteral("QF%1").arg(i);
            assets[size_t(i)].station = "东郊站";
            records.push_back(Record(assets[size_t(i)].device, "24-05-01 09:00", "100 A", "50.0 uΩ"));
        }
        QVERIFY(SaveAssets(ProgramArchive::shared().archive(), assets));
        ProgramArchive::shared().store(records, "upload");
        RecordGrid grid;
        std::unique_ptr<QDialog> dialog;
        std::function<bool(const QString&)> exportTo;
        if (window == "overview") {
            auto* overview = new TFrmOverview;
            exportTo = [overview](const QString& file) { return overview->ExportTo(file); };
            dialog.reset(overview);
        } else if (window == "register") {
            auto* register_ = new TFrmRegister;
            exportTo = [register_](const QString& file) { return register_->ExportTo(file); };
            dialog.reset(register_);
        } else {
            auto* history = new TFrmHistory(grid, 0, "QF1");
            exportTo = [history](const QString& file) { return history->ExportTo(file); };
            dialog.reset(history);
        }
        const QString file = dir.filePath(name);
        QVERIFY(exportTo(file));
        const QByteArray before = Bytes(file);
        QVERIFY(before.size() > 1024);
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        if (!button.isEmpty()) {
            chooser.answers.push_back(file);
            dialog->findChild<QPushButton*>(button)->click();
            QCOMPARE(
                messages.texts(),
                QStringList{
                    QStringLiteral("文件'%1'已经存在，要替换它吗？").arg(QDir::toNativeSeparators(file))});
            QCOMPARE(Bytes(file), before);
            messages.clear();
        }

        QVERIFY(!WithFullDisk([&] { return exportTo(file); }));
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY2(messages.texts().first().startsWith(QStringLiteral("保存文件'%1'失败").arg(file)),
                 qPrintable(messages.texts().first()));
        QCOMPARE(Bytes(file), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
    }

    // The buttons of the overview, the register and the history export a large table on a worker
    // thread: the question first, the window's event loop going on meanwhile, "取消" leaving the old
    // file as it was, and the file written reading back whole.
    void exportsRunInTheBackground_data() { exportsAskAndNeverDestroyTheOldFile_data(); }
    void exportsRunInTheBackground() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, button);
        TempProgramDir dir;
        MessageRecorder messages;
        FolderRecorder folders;
        ScriptedChooser chooser;
        constexpr int kDevices = 3000;
        std::vector<Asset> assets(kDevices);
        std::vector<TestRecord> records;
        const QDateTime start(QDate(2024, 5, 1), QTime(9, 0));
        for (int i = 0; i < kDevices; ++i) {
            assets[size_t(i)].device = QStringLiteral("QF%1").arg(i);
            assets[size_t(i)].station = QStringLiteral("站%1").arg(i / 300);
            records.push_back(Record(assets[size_t(i)].device, "24-05-01 09:00", "100 A", "50.0 uΩ"));
            if (window == "history") // a long history of one device
                records.push_back(Record("QF1", start.addSecs(60 * (i + 1)).toString("yy-MM-dd hh:mm"),
                                         "100 A", QStringLiteral("%1.0 uΩ").arg(50 + i % 7)));
        }
        QVERIFY(SaveAssets(ProgramArchive::shared().archive(), assets));
        ProgramArchive::shared().store(records, "upload");
        const QString file = dir.filePath(name);
        RecordGrid grid;
        std::unique_ptr<QDialog> dialog;
        std::function<void()> exportFile;
        std::function<bool()> toldExported;
        if (window == "history") {
            auto* history = new TFrmHistory(grid, 0, "QF1");
            exportFile = [history, file] { history->ExportInBackground(file); };
            toldExported = [history, file] {
                return history->LastPdf() == file || history->LastPng() == file;
            };
            dialog.reset(history);
        } else {
            if (window == "overview")
                dialog = std::make_unique<TFrmOverview>();
            else
                dialog = std::make_unique<TFrmRegister>();
            exportFile = [&] {
                chooser.answers.push_back(file);
                dialog->findChild<QPushButton*>(button)->click();
            };
            toldExported = [&] {
                return dialog->findChild<QLabel*>("lblStatus")->text() ==
                       QStringLiteral("已导出到“%1”").arg(file);
            };
        }
        Write(file, "old");
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const auto exportAgreed = [&] {
            messages.answers.push_back(MsgResult::Yes);
            exportFile();
            return dialog->findChild<QProgressDialog*>(QStringLiteral("ExportProgress"));
        };

        QPointer<QProgressDialog> progress = exportAgreed();
        QCOMPARE(messages.texts(),
                 QStringList{
                     QStringLiteral("文件'%1'已经存在，要替换它吗？").arg(QDir::toNativeSeparators(file))});
        QVERIFY(progress);
        QCOMPARE(progress->findChild<QProgressBar*>()->accessibleName(), QStringLiteral("导出进度"));
        QTest::keyClick(progress, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(progress.isNull(), 60000);
        QCOMPARE(Bytes(file), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
        QCOMPARE(messages.texts().size(), 1);
        QVERIFY(folders.folders.isEmpty());
        QVERIFY(!toldExported());

        progress = exportAgreed();
        QVERIFY(progress);
        bool servedWhileWriting = false;
        QTimer::singleShot(0, [&] { servedWhileWriting = progress && Bytes(file) == "old"; });
        QTRY_VERIFY_WITH_TIMEOUT(progress.isNull(), 120000);
        QVERIFY(servedWhileWriting);
        QCOMPARE(messages.texts().size(), 2); // the question, and no failure
        QVERIFY(toldExported());
        QCOMPARE(folders.folders.size(), 1);
        if (window == "register") {
            const Result<std::vector<Asset>> read = ImportAssets(file);
            QVERIFY2(read, qPrintable(read.reason()));
            QCOMPARE(read->size(), size_t(kDevices));
            return;
        }
        if (name.endsWith(".xlsx")) {
            const Result<WorkbookRecords> rows = ReadRecordWorkbook(file);
            QVERIFY(rows);
            QCOMPARE(rows->recordCount, kDevices);
            return;
        }
        if (name.endsWith(".png")) {
            QCOMPARE(QImage(file).width(), 1200);
            return;
        }
        QProcess text;
        text.start("pdftotext", {"-layout", file, "-"});
        if (!text.waitForFinished(120000) || text.exitCode() != 0)
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString shown = QString::fromUtf8(text.readAllStandardOutput());
        const QStringList expected =
            window == "history" ? QStringList{"设备历史 QF1", "100 A",
                                              start.addSecs(60 * kDevices).toString("yy-MM-dd hh:mm")}
                                : QStringList{"QF0 ", QStringLiteral("QF%1 ").arg(kDevices - 1)};
        for (const QString& wanted : expected)
            QVERIFY2(shown.contains(wanted), qPrintable(wanted));
    }

    void gridShowsVerdictsToEyesAndScreenReaders() {
        TempProgramDir dir;
        Asset asset;
        asset.device = "QF1";
        asset.factory = "100";
        QVERIFY(SaveAssets(ProgramArchive::shared().archive(), {asset}));
        TFrmMain window;
        window.show();
        FillGrid(*window.Grid(), {{" 1", "26-01-10 09:00", "qf1", "", "", "100 A", "5 秒", "150.0 uΩ"},
                                  {" 2", "26-01-10 09:05", "QF1", "", "", "100 A", "5 秒", "90.0 uΩ"}});
        giRecordCount = 2;
        const QAbstractItemModel* model = window.SGData->model();
        QCOMPARE(model->index(0, 7).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("注意：比出厂值高 50 %"));
        QCOMPARE(model->index(1, 7).data(Qt::ToolTipRole).toString(), QStringLiteral("合格"));
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(window.SGData);
        QCOMPARE(grid->tableInterface()->cellAt(0, 7)->text(QAccessible::Description),
                 QStringLiteral("注意：比出厂值高 50 %"));
        const auto colour = [&](int row, int inset = 3) {
            window.SGData->viewport()->update();
            QCoreApplication::processEvents();
            const QImage image = window.SGData->viewport()->grab().toImage();
            const QRect cell = window.SGData->visualRect(model->index(row, 7));
            return image.pixelColor(cell.left() + inset, cell.center().y());
        };
        const QColor plain = colour(1);
        const QColor attention = colour(0);
        QVERIFY(attention != plain);
        window.SGData->selectRow(0);
        QCOMPARE(colour(0), window.SGData->palette().color(QPalette::Highlight)); // the highlight stays
        QCOMPARE(colour(0, 1), attention); // and the mark with it, as a frame
    }

    void toolsMenuOffersTheArchive_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("import") << "ActImportRecords"
                                << "导入记录…" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I);
        QTest::newRow("register") << "ActRegister"
                                  << "设备台账…" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
        QTest::newRow("overview") << "ActOverview"
                                  << "站点总览…" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O);
        QTest::newRow("jobs") << "ActJobs"
                              << "试验任务…" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    }

    void toolsMenuOffersTheArchive() {
        QFETCH(QString, action);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, key);
        TempProgramDir dir;
        TFrmMain window;
        auto* found = window.findChild<QAction*>(action);
        QVERIFY(found);
        QCOMPARE(found->text(), caption);
        QCOMPARE(found->shortcut(), key);
        QVERIFY(window.StatusBar1->actions().contains(found)); // in the tools menu
    }

    // The archive's windows open modal to the main window without an event loop of their own: the
    // caller goes on at once, and the window is gone once closed.
    void toolWindowsOpenWithoutBlocking_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::newRow("register") << "ActRegister"
                                  << "TFrmRegister";
        QTest::newRow("overview") << "ActOverview"
                                  << "TFrmOverview";
        QTest::newRow("jobs") << "ActJobs"
                              << "TFrmJobs";
        QTest::newRow("instruments") << "ActInstruments"
                                     << "TFrmInstruments";
        QTest::newRow("due list") << "ActDue"
                                  << "TFrmDue";
        QTest::newRow("audit trail") << "ActAudit"
                                     << "TFrmAudit";
        QTest::newRow("history") << "ActHistory"
                                 << "TFrmHistory";
    }
    void toolWindowsOpenWithoutBlocking() {
        QFETCH(QString, action);
        QFETCH(QString, window);
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain main;
        main.show();
        // Closes the window once it shows, noting how deep in event loops it was shown.
        QPointer<QWidget> shown;
        int loopLevel = -1;
        Qt::WindowModality modality = Qt::NonModal;
        QTimer look;
        look.setInterval(5);
        connect(&look, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->metaObject()->className() != window)
                return;
            look.stop();
            shown = modal;
            loopLevel = QThread::currentThread()->loopLevel();
            modality = modal->windowModality();
            modal->close();
        });
        look.start();
        main.findChild<QAction*>(action)->trigger();
        QTRY_VERIFY(!look.isActive());
        QCOMPARE(loopLevel, 0);
        QCOMPARE(modality, Qt::WindowModal);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(shown.isNull());
    }

    // export writes every text as it is in the archive, a NUL included, in either format; a
    // workbook that cannot hold the records is refused before anything is written.
    void exportKeepsEveryText_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("records");
        QTest::newRow("csv") << "out.csv" << 1;
        QTest::newRow("xlsx") << "out.xlsx" << 1;
        QTest::newRow("more than a worksheet holds") << "out.xlsx" << 1048576;
    }
    void exportKeepsEveryText() {
        QFETCH(QString, file);
        QFETCH(int, records);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(kArchiveFileName);
        Write(dir.filePath("in.txt"),
              DataFileOf({{" 1", "24-02-01 10:00", "T1", "", "", "100 A", "5 秒", "10.0 uΩ"}}));
        QCOMPARE(Tool({"--archive", fileName, "import", dir.filePath("in.txt")}), 0);
        const QString device = QStringLiteral("T%1 1").arg(QChar(0));
        {
            const ArchiveFile db(fileName);
            QSqlQuery query = db.query();
            QVERIFY(query.exec(QStringLiteral("UPDATE records SET texts = json_set(texts, '$[2]', 'T' || "
                                              "char(0) || ' 1')")));
            QVERIFY(query.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 2 WHERE %1 >= 2 UNION ALL "
                                              "SELECT i + 1 FROM n WHERE i < %1) "
                                              "INSERT INTO records (id, test_time, device, device_key, "
                                              "tester, location, texts, source, "
                                              "added_at, added_by) SELECT 'copy' || i, test_time, device, "
                                              "device_key, tester, location, "
                                              "texts, source, added_at, added_by FROM records, n")
                                   .arg(records)));
        }
        QProcess tool;
        tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH),
                   {"--archive", fileName, "export", dir.filePath(file)});
        QVERIFY(tool.waitForFinished(120000));
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        if (records > 1) {
            QCOMPARE(tool.exitCode(), 4);
            QVERIFY2(err.contains(QStringLiteral(".csv")), qPrintable(err));
            QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*out*")}, QDir::Files | QDir::Hidden),
                     QStringList());
            return;
        }
        QVERIFY2(tool.exitCode() == 0, qPrintable(err));
        const Result<WorkbookRecords> exported = ReadRecordWorkbook(dir.filePath(file));
        QVERIFY(exported);
        QCOMPARE(exported->rows[0][2], device);
    }

    void toolCommands() {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(kArchiveFileName);
        QString out;
        QCOMPARE(Tool({"--help"}, &out), 0);
        QVERIFY(out.contains("用法") && out.contains("Usage") && out.contains("import"));
        QCOMPARE(Tool({"--archive", fileName, "unknown"}), 2);
        QCOMPARE(Tool({"--archive", fileName, "export", dir.filePath("x.pdf")}), 2);
        QCOMPARE(Tool({"--archive", fileName, "status"}), 3); // not made yet
        Write(dir.filePath("in.txt"),
              DataFileOf({{" 1", "24-02-01 10:00", "T1", "", "", "100 A", "5 秒", "10.0 uΩ"}}));
        Write(dir.filePath("bad.xlsx"), "garbage");
        QCOMPARE(Tool({"--archive", fileName, "import", dir.filePath("in.txt")}, &out), 0);
        QCOMPARE(Tool({"--archive", fileName, "import", dir.path()}, &out), 1); // bad.xlsx skipped
        QVERIFY2(out.contains("bad.xlsx"), qPrintable(out));
        QCOMPARE(Tool({"--archive", fileName, "status"}, &out), 0);
        QVERIFY2(out.contains("records: 1\n"), qPrintable(out));
        QCOMPARE(Tool({"--archive", fileName, "export", dir.filePath("out.csv")}), 0);
        const Result<WorkbookRecords> exported = ReadRecordWorkbook(dir.filePath("out.csv"));
        QVERIFY(exported);
        QCOMPARE(exported->recordCount, 1);
        QCOMPARE(exported->rows[0][2], QStringLiteral("T1"));
        QCOMPARE(Tool({"--archive", fileName, "verify"}), 0);
        QCOMPARE(Tool({"--archive", fileName, "export", "/nonexistent-folder/out.xlsx"}, &out), 4);
        QVERIFY2(!out.contains("[ERROR]"), qPrintable(out)); // the tool's words, not the library's
        Write(fileName, "garbage over the archive");
        QCOMPARE(Tool({"--archive", fileName, "verify"}), 3);
    }

    // The tool's messages are English with --lang en or an English locale, Chinese otherwise; the
    // option wins over the locale.
    void toolSpeaksTheChosenLanguage_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("english");
        QTest::newRow("default") << QStringList() << "C.UTF-8" << false;
        QTest::newRow("--lang en") << QStringList{"--lang", "en"} << "C.UTF-8" << true;
        QTest::newRow("--lang=en") << QStringList{"--lang=en"} << "zh_CN.UTF-8" << true;
        QTest::newRow("English locale") << QStringList() << "en_GB.UTF-8" << true;
        QTest::newRow("Chinese locale") << QStringList() << "zh_CN.UTF-8" << false;
        QTest::newRow("--lang zh over an English locale")
            << QStringList{"--lang", "zh"} << "en_US.UTF-8" << false;
    }
    void toolSpeaksTheChosenLanguage() {
        QFETCH(QStringList, options);
        QFETCH(QString, locale);
        QFETCH(bool, english);
        QString out;
        QCOMPARE(Tool(options + QStringList{"--archive"}, &out, locale), 2);
        static const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
        QVERIFY2(out.contains(QStringLiteral("missing file name")), qPrintable(out));
        QVERIFY2(out.contains(chinese) != english, qPrintable(out));
    }
};

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsSet(kChildVariable)) {
        QCoreApplication app(argc, argv);
        return StoreUntilKilled(qEnvironmentVariable(kChildVariable));
    }
    if (qEnvironmentVariableIsSet(kUploadChildVariable)) {
        QApplication app(argc, argv);
        return UploadUntilKilled(qEnvironmentVariable(kUploadChildVariable));
    }
    QApplication app(argc, argv);
    TstArchive test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive.moc"
