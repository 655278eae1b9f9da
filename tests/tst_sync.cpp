// Laptops' archives synchronised through a real PostgreSQL server that the test starts itself.
#include "archive/ArchiveImport.h"
#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "archive/SyncLog.h"
#include "archive/TestJobs.h"
#include "archive/sync/ServerSchema.h"
#include "archive/sync/ServerSql.h"
#include "archive/sync/SyncCommands.h"
#include "archive/sync/SyncEngine.h"
#include "core/ProfileFile.h"
#include "core/TestRecord.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "tests/support/PgCluster.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/SyncControl.h"
#include "ui/UMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {

const QString kEngineerPassword = QStringLiteral("eng'ineer \"pw\"");
const QString kViewerPassword = QStringLiteral("viewer-pw");
const QString kCarolPassword = QStringLiteral("carol-pw"); // a login without the right to make databases

// A pgpass file, as libpq reads it; the file PGPASSFILE names from here on.
void UsePgpass(const QString& path, const QString& lines) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.toUtf8() + '\n');
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    qputenv("PGPASSFILE", QFile::encodeName(path));
}

// A server command's output, and the answer it gets when it asks for a password (none: nobody to ask).
struct CommandRun {
    explicit CommandRun(const QString& answer = {}) {
        if (!answer.isEmpty())
            io.askPassword = [this, answer](const QString&) {
                ++asked;
                return answer;
            };
    }
    QString text() {
        outStream.flush();
        errStream.flush();
        return out + err;
    }
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    ServerCommandIo io{outStream, errStream, {}, {}};
    int asked = 0;
};

QStringList Statements(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QStringLiteral("\n;\n"), Qt::SkipEmptyParts);
}

// A laptop: its archive made from the local schema, written and read through a connection of
// the test's own (opened for each use, so that the sync's connection never waits on it).
class Laptop {
public:
    explicit Laptop(const QString& id, const QString& path = {}) : m_id(id) {
        m_path = path.isEmpty() ? m_dir.filePath(QStringLiteral("archive.sqlite")) : path;
        exec([&](QSqlDatabase& db) {
            QSqlQuery query(db);
            // Write-ahead logging, as the program's archive keeps it.
            QVERIFY(db.commit() && query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && db.transaction());
            for (const QString& statement :
                 Statements(QStringLiteral(OHMARA_TEST_DATA_DIR "/../../archive/LocalSchema.sql")))
                QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
            QVERIFY(query.exec(QStringLiteral("INSERT INTO meta VALUES ('schema_version', '1')")));
            query.prepare(QStringLiteral("INSERT INTO meta VALUES ('laptop_id', ?)"));
            query.addBindValue(m_id);
            QVERIFY(query.exec());
        });
    }
    // An archive the program made, read and written as the others.
    struct Existing {};
    Laptop(Existing, const QString& path, const QString& id = {}) : m_id(id), m_path(path) {}
    QString path() const { return m_path; }
    QString id() const { return m_id; }

    template <class Fn> void exec(Fn&& fn) const {
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_path);
            QVERIFY(db.open());
            db.transaction();
            fn(db);
            QVERIFY(db.commit());
        }
        QSqlDatabase::removeDatabase(name);
    }

    void addRecords(const QString& device, int first, int count,
                    const QString& tester = QStringLiteral("张工")) const {
        exec([&](QSqlDatabase& db) {
            QSqlQuery query(db);
            query.prepare(
                QStringLiteral("INSERT OR IGNORE INTO records (id, test_time, device, device_key, tester, "
                               "location, step_code,"
                               " step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, "
                               "raw_reply, source, added_at,"
                               " added_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            for (int i = first; i < first + count; ++i) {
                const TestRecord::Texts texts{QString::number(i + 1),
                                              QDateTime(QDate(2026, 1, 1), QTime(8, 0))
                                                  .addSecs(60 * i)
                                                  .toString(QStringLiteral("yy-MM-dd hh:mm")),
                                              device,
                                              tester,
                                              QStringLiteral("1#站 '主变'"),
                                              QStringLiteral("100 A"),
                                              QStringLiteral("60 秒"),
                                              QStringLiteral("%1.%2 uΩ").arg(100 + i % 900).arg(i % 10)};
                const TestRecord record = TestRecord::FromTexts(texts);
                QJsonArray textArray;
                for (const QString& text : texts)
                    textArray.append(text);
                query.addBindValue(QString::fromLatin1(record.identity()));
                query.addBindValue(
                    record.testTime ? QVariant(record.testTime->toString(QStringLiteral("yyyy-MM-ddThh:mm")))
                                    : QVariant(QMetaType(QMetaType::QString)));
                query.addBindValue(record.device);
                query.addBindValue(record.device.toUpper());
                query.addBindValue(record.tester);
                query.addBindValue(record.location);
                query.addBindValue(record.stepCode.value_or(0));
                query.addBindValue(record.stepAmperes.value_or(0));
                query.addBindValue(record.loadSeconds.value_or(0));
                query.addBindValue(record.resistance ? QVariant(qlonglong(record.resistance->mantissa))
                                                     : QVariant());
                query.addBindValue(record.resistance ? QVariant(record.resistance->exponent) : QVariant());
                query.addBindValue(record.microOhms.value_or(0));
                query.addBindValue(
                    QString::fromUtf8(QJsonDocument(textArray).toJson(QJsonDocument::Compact)));
                // Every byte value, a NUL among them, as an instrument reply may hold them.
                query.addBindValue(i % 2 ? QVariant(QByteArray("\x00\x7f\x80\xff'\\", 6))
                                         : QVariant(QMetaType(QMetaType::QByteArray)));
                query.addBindValue(QStringLiteral("upload"));
                query.addBindValue(QStringLiteral("2026-01-01T08:00:00.000Z"));
                query.addBindValue(m_id);
                QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
            }
        });
    }

    // An edit of the register as the register window makes it.
    void setAsset(const QString& device, const QString& limit, const QString& note,
                  const QDateTime& when) const {
        exec([&](QSqlDatabase& db) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("INSERT INTO assets (device_key, device, station, limit_uohm, note, "
                                         "changed_at, changed_by, pushed)"
                                         " VALUES (?, ?, ?, ?, ?, ?, ?, 0) ON CONFLICT (device_key) DO "
                                         "UPDATE SET limit_uohm = excluded.limit_uohm,"
                                         " note = excluded.note, changed_at = excluded.changed_at, "
                                         "changed_by = excluded.changed_by, pushed = 0"));
            query.addBindValue(device.toUpper());
            query.addBindValue(device);
            query.addBindValue(QStringLiteral("站'1"));
            query.addBindValue(limit);
            query.addBindValue(note.isNull() ? QString(QLatin1String("")) : note);
            query.addBindValue(when.toUTC().toString(Qt::ISODateWithMs));
            query.addBindValue(m_id);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        });
    }

    // The rules for all assets as a person saves them.
    void setRules(const QString& texts, const QDateTime& when) const {
        exec([&](QSqlDatabase& db) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral(
                "INSERT OR REPLACE INTO rules (scope, baseline_factor, rise_factor, "
                "phase_factor, changed_at, changed_by, pushed) VALUES ('', ?, ?, ?, ?, ?, 0)"));
            for (const QString& factor : texts.split(QLatin1Char('|')))
                query.addBindValue(factor);
            query.addBindValue(when.toUTC().toString(Qt::ISODateWithMs));
            query.addBindValue(m_id);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        });
    }

    // A table's rows as texts, sorted, without the columns that say what is pushed.
    QStringList rows(const QString& table, const QString& columns) const {
        QStringList result;
        exec([&](QSqlDatabase& db) {
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("SELECT %1 FROM %2").arg(columns, table)));
            while (query.next()) {
                QStringList row;
                for (int i = 0; i < query.record().count(); ++i)
                    row << (query.isNull(i) ? QStringLiteral("<null>") : query.value(i).toString());
                result << row.join(QLatin1Char('|'));
            }
        });
        result.sort();
        return result;
    }
    QStringList records() const {
        return rows(QStringLiteral("records"),
                    QStringLiteral(
                        "id, test_time, device, device_key, tester, location, step_code, step_amperes,"
                        " load_seconds, r_mantissa, r_exponent, micro_ohms, texts, hex(raw_reply), source"));
    }
    QStringList assets() const {
        return rows(QStringLiteral("assets"),
                    QStringLiteral("device_key, device, station, limit_uohm, note, changed_at, changed_by"));
    }
    // Everything a sync may touch, the log aside.
    QStringList state() const {
        QStringList all = records() + assets() +
                          rows(QStringLiteral("records"), QStringLiteral("added_at, added_by, pushed")) +
                          rows(QStringLiteral("assets"), QStringLiteral("device_key, pushed"));
        if (!rows(QStringLiteral("sqlite_master"), QStringLiteral("name"))
                 .contains(QStringLiteral("sync_position")))
            return all;
        return all + rows(QStringLiteral("sync_position"), QStringLiteral("*"));
    }
    int unpushed() const {
        return rows(QStringLiteral("records"), QStringLiteral("count(*) - sum(pushed)")).value(0).toInt();
    }
    QStringList log(const QString& kind) const {
        QStringList result;
        for (const QString& row : rows(QStringLiteral("sync_log"), QStringLiteral("kind, subject, message")))
            if (row.startsWith(kind + QLatin1Char('|')))
                result << row;
        return result;
    }

private:
    QTemporaryDir m_dir;
    QString m_id;
    QString m_path;
};

} // namespace

class TestSync : public QObject {
    Q_OBJECT

    PgCluster m_cluster;
    QTemporaryDir m_home;
    // Every login's password, for every server the test starts.
    QString pgpass() const {
        return QStringLiteral("*:*:*:%1:%2\n*:*:*:alice:%3\n*:*:*:bob:%3\n*:*:*:vera:%4\n*:*:*:carol:%5")
            .arg(QString::fromLatin1(PgCluster::kAdmin), QString::fromLatin1(PgCluster::kAdminPassword),
                 kEngineerPassword, kViewerPassword, kCarolPassword);
    }
    QString pgpassPath() const { return m_home.filePath(QStringLiteral("pgpass")); }

    ServerConfig as(const QString& user, const QString& password) const {
        ServerConfig config;
        config.host = QStringLiteral("127.0.0.1");
        config.port = m_cluster.port();
        config.database = QString::fromLatin1(PgCluster::kDatabase);
        config.user = user;
        config.password = password;
        return config;
    }
    QString adminConnection() const {
        return QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=%3")
            .arg(m_cluster.port())
            .arg(QString::fromLatin1(PgCluster::kDatabase), QString::fromLatin1(PgCluster::kAdmin));
    }

    // One statement (or several) as the administrator, on a connection kept open (and opened again
    // after the server was restarted); the first value of the result, or nothing on failure.
    std::optional<QString> admin(const QString& sql) {
        const QString name = QStringLiteral("administrator");
        for (int attempt = 0; attempt < 2; ++attempt) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (!db.isOpen()) {
                QSqlDatabase::removeDatabase(name);
                if (!OpenServer(as(QString::fromLatin1(PgCluster::kAdmin),
                                   QString::fromLatin1(PgCluster::kAdminPassword)),
                                name))
                    return std::nullopt;
                db = QSqlDatabase::database(name, false);
            }
            QSqlQuery query(db);
            if (query.exec(sql))
                return query.next() ? query.value(0).toString() : QString();
            qWarning() << query.lastError().text();
            db.close();
        }
        return std::nullopt;
    }
    ServerConfig engineer() const { return as(QStringLiteral("alice"), kEngineerPassword); }
    // Small pages, so that a few hundred records make several steps.
    static constexpr int kPage = 100;
    SyncOutcome sync(const Laptop& laptop, const ServerConfig& config,
                     const SyncEngine::Progress& progress = {}) {
        SyncEngine engine(laptop.path(), config);
        engine.setPageRows(kPage);
        return engine.run(progress);
    }
    QString serverCount(const QString& table) {
        return admin(QStringLiteral("SELECT count(*) FROM ohmara.") + table).value_or(QStringLiteral("?"));
    }
    void resetServer() {
        QVERIFY(
            admin(QStringLiteral("ALTER TABLE ohmara.records DISABLE TRIGGER records_kept_whole;"
                                 " TRUNCATE ohmara.records, ohmara.assets, ohmara.rules, ohmara.removed,"
                                 " ohmara.instruments, ohmara.test_intervals, ohmara.jobs, ohmara.job_assets,"
                                 " ohmara.job_records, ohmara.job_verdicts, ohmara.audit, ohmara.laptops;"
                                 " ALTER TABLE ohmara.records ENABLE TRIGGER records_kept_whole")));
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_cluster.create(), qPrintable(m_cluster.error()));
        UsePgpass(pgpassPath(), pgpass());
        // The tool's init-server, as the administrator; a second run finds the work done.
        for (const QString& said :
             {QStringLiteral("→ %1").arg(kServerSchemaVersion), QStringLiteral("已是版本")}) {
            CommandRun run;
            QCOMPARE(RunServerSchemaCommand(true, {adminConnection()}, run.io), kExitOk);
            QVERIFY2(run.out.contains(said), qPrintable(run.text()));
        }
        const auto quoted = [](QString text) {
            return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) +
                   QLatin1Char('\'');
        };
        QVERIFY2(admin(QStringLiteral("CREATE ROLE alice LOGIN PASSWORD %1 IN ROLE ohmara_engineer;"
                                      " CREATE ROLE bob LOGIN PASSWORD %1 IN ROLE ohmara_engineer;"
                                      " CREATE ROLE vera LOGIN PASSWORD %2 IN ROLE ohmara_viewer;"
                                      " CREATE ROLE carol LOGIN PASSWORD %3")
                           .arg(quoted(kEngineerPassword), quoted(kViewerPassword), quoted(kCarolPassword))),
                 qPrintable(m_cluster.error()));
    }

    void cleanup() {
        // A session a failed test left holding a transaction (a lock) ends first.
        QSqlDatabase::database(QStringLiteral("holder"), false).close();
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        resetServer();
        UsePgpass(pgpassPath(), pgpass());
    }

    // Two laptops, each with records of its own and some they both met, and a register row each:
    // after syncing both hold the union, nothing doubled; a further sync changes nothing.
    void twoLaptopsMerge() {
        Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
        a.addRecords(QStringLiteral("QF1"), 0, 300);
        b.addRecords(QStringLiteral("QF1"), 200, 300); // 100 of them the same tests as on a
        a.setAsset(QStringLiteral("QF1"), QStringLiteral("120.5"), QStringLiteral("A 的备注"),
                   QDateTime::currentDateTimeUtc());
        b.setAsset(QStringLiteral("QS2"), QStringLiteral("0.0004"), {}, QDateTime::currentDateTimeUtc());
        for (const Laptop* laptop : {&a, &b, &a}) {
            const SyncOutcome outcome = sync(*laptop, engineer());
            QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
        }
        QCOMPARE(a.records().size(), 500);
        QCOMPARE(a.records(), b.records());
        QCOMPARE(a.assets(), b.assets());
        QCOMPARE(a.assets().size(), 2);
        QCOMPARE(serverCount(QStringLiteral("records")), QStringLiteral("500"));
        QCOMPARE(a.unpushed() + b.unpushed(), 0);

        const QStringList before = a.state() + b.state();
        const QString serverBefore = *admin(QStringLiteral("SELECT max(seq) FROM ohmara.records"));
        for (const Laptop* laptop : {&a, &b}) {
            const SyncOutcome outcome = sync(*laptop, engineer());
            QCOMPARE(outcome.kind(), FailureKind::None);
            QCOMPARE(outcome->counts.recordsUp + outcome->counts.recordsDown + outcome->counts.assetsUp +
                         outcome->counts.assetsDown,
                     0);
        }
        QCOMPARE(a.state() + b.state(), before);
        QCOMPARE(*admin(QStringLiteral("SELECT max(seq) FROM ohmara.records")), serverBefore);
    }

    // Every statement of the server's catalogue prepares on a server of the current schema (QPSQL
    // prepares on the server, so its tables and columns are there); the savepoints, which the server
    // does not prepare, run in a transaction in their order.
    void everyServerStatementPrepares() {
        {
            Result<QSqlDatabase> db = OpenServer(engineer(), QStringLiteral("catalogue"));
            QVERIFY2(db, qPrintable(db.reason()));
            int i = 0;
            for (; ServerSql(i) != ServerSql::SavepointPage; ++i) {
                QSqlQuery query = ServerStatement(*db, ServerSql(i));
                QVERIFY2(!query.lastError().isValid(),
                         qPrintable(ServerSqlText(ServerSql(i)) + ": " + query.lastError().text()));
            }
            QVERIFY(db->transaction());
            for (QSqlQuery query(*db); !ServerSqlText(ServerSql(i)).isEmpty(); ++i)
                QVERIFY2(query.exec(ServerSqlText(ServerSql(i))), qPrintable(query.lastError().text()));
            QVERIFY(db->rollback());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("catalogue"));
    }

    // An archive the sync may not write (made by a newer program, not an archive at all) fails the
    // sync in the archive's own words, and is left as it was.
    void unwritableArchive_data() {
        QTest::addColumn<QString>("content"); // a statement on the laptop's archive, or the file's text
        QTest::addColumn<FailureKind>("kind");
        QTest::newRow("newer program")
            << "UPDATE meta SET value = '99' WHERE key = 'schema_version'" << FailureKind::Newer;
        QTest::newRow("not an archive") << "设备,电阻\nQF1,120" << FailureKind::Foreign;
    }
    void unwritableArchive() {
        QFETCH(QString, content);
        QFETCH(FailureKind, kind);
        Laptop a(QStringLiteral("laptop-a"));
        a.addRecords(QStringLiteral("QF1"), 0, 3);
        if (content.startsWith(QLatin1String("UPDATE"))) {
            a.exec([&](QSqlDatabase& db) { QVERIFY(QSqlQuery(db).exec(content)); });
        } else {
            QFile file(a.path());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content.toUtf8());
        }
        const auto bytes = [&] {
            QFile file(a.path());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = bytes();
        const SyncOutcome outcome = sync(a, engineer());
        QCOMPARE(outcome.kind(), kind);
        RecordArchive archive;
        archive.open(a.path());
        QVERIFY2(outcome.reason().contains(archive.failure().reason()), qPrintable(outcome.reason()));
        archive.close();
        QCOMPARE(bytes(), before);
        QCOMPARE(serverCount(QStringLiteral("records")), QStringLiteral("0"));
    }

    // The server goes down in the middle of a sync (between two steps, and again with the pushed
    // marks lost as if the laptop's last commit never happened): the next sync completes it.
    void interruptedSync_data() {
        QTest::addColumn<bool>("duringPull");
        QTest::newRow("push") << false;
        QTest::newRow("pull") << true;
    }
    void interruptedSync() {
        QFETCH(bool, duringPull);
        Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
        // What one step commits: a page up, several pages down.
        const int step = duringPull ? kPage * SyncEngine::kPagesPerCommit : kPage;
        const int total = step * 2 + 17;
        a.addRecords(QStringLiteral("QF7"), 0, total);
        if (duringPull)
            QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        const Laptop& cut = duringPull ? b : a;
        const SyncOutcome broken = sync(cut, engineer(), [&](qint64 done, qint64) {
            if (done > 0 && m_cluster.running())
                m_cluster.stop();
        });
        QCOMPARE(broken.kind(), FailureKind::Interrupted);
        QVERIFY(!cut.log(QStringLiteral("error")).isEmpty());
        QCOMPARE(sync(cut, engineer()).kind(), FailureKind::Unreachable);
        QVERIFY2(m_cluster.start(), qPrintable(m_cluster.error()));
        if (duringPull) {
            QCOMPARE(b.records().size(), step); // the first step stayed
        } else {
            QCOMPARE(a.unpushed(), total - step);
            QCOMPARE(serverCount(QStringLiteral("records")), QString::number(step));
        }
        QCOMPARE(sync(cut, engineer()).kind(), FailureKind::None);
        if (!duringPull) {
            // The server took the pages but the laptop lost its marks: sent again, taken once.
            a.exec([](QSqlDatabase& db) {
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("UPDATE records SET pushed = 0")));
            });
            const SyncOutcome again = sync(a, engineer());
            QCOMPARE(again.kind(), FailureKind::None);
            QCOMPARE(again->counts.recordsUp, 0);
            QCOMPARE(a.unpushed(), 0);
        }
        QCOMPARE(serverCount(QStringLiteral("records")), QString::number(total));
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        QCOMPARE(b.records(), a.records());
    }

    // Through the tool's sync: the password from a pgpass file, or asked for when none is found
    // (never taken from the command line, where every user's ps shows it); each failure with the
    // exit code a script can act on, and the archive as it was.
    void logins_data() {
        QTest::addColumn<QString>("connection"); // empty: the settings' server, and there is none
        QTest::addColumn<QString>("pgpass");
        QTest::addColumn<QString>("answer"); // typed when asked; empty: nobody to ask
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        const QString server = QStringLiteral("host=127.0.0.1 port=%1 dbname=ohmara ").arg(m_cluster.port());
        const QString alice = QStringLiteral("127.0.0.1:*:ohmara:alice:eng'ineer \"pw\"");
        QTest::newRow("pgpass") << server + "user=alice" << alice << QString() << kExitOk << "同步完成";
        QTest::newRow("pgpass, wrong") << server + "user=alice"
                                       << "*:*:*:alice:old" << QString() << kExitRefused << "拒绝了登录";
        QTest::newRow("unknown user") << server + "user=mallory"
                                      << "*:*:*:mallory:guess" << QString() << kExitRefused << "拒绝了登录";
        QTest::newRow("asked on the terminal")
            << server + "user=alice" << QString() << kEngineerPassword << kExitOk << "同步完成";
        QTest::newRow("nobody to ask")
            << server + "user=alice" << QString() << QString() << kExitRefused << ".pgpass";
        QTest::newRow("password in the argument") << server + "user=alice password='eng\\'ineer \"pw\"'"
                                                  << QString() << QString() << kExitUsage << ".pgpass";
        QTest::newRow("libpq keywords")
            << server +
                   "user=alice sslmode=prefer sslrootcert=/nonexistent/root.crt sslcert=/nonexistent/c.crt "
                   "sslkey=/nonexistent/c.key application_name='ohmara test' connect_timeout=5"
            << alice << QString() << kExitOk << "同步完成";
        QTest::newRow("no such database")
            << QStringLiteral("host=127.0.0.1 port=%1 dbname=nosuch user=alice").arg(m_cluster.port())
            << "*:*:*:alice:" + kEngineerPassword << QString() << kExitServer << "没有这个数据库";
        QTest::newRow("no server there") << "host=127.0.0.1 port=1 dbname=ohmara user=alice" << alice
                                         << QString() << kExitNetwork << "无法连接服务器";
        QTest::newRow("no server named")
            << QString() << alice << QString() << kExitUsage << "没有设置同步服务器";
        QTest::newRow("viewer") << server + "user=vera"
                                << "*:*:*:vera:" + kViewerPassword << QString() << kExitPartial << "只读账户";
    }
    void logins() {
        QFETCH(QString, connection);
        QFETCH(QString, pgpass);
        QFETCH(QString, answer);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        UsePgpass(m_home.filePath(QStringLiteral("row-pgpass")), pgpass);
        Laptop a(QStringLiteral("laptop-a"));
        a.addRecords(QStringLiteral("QF1"), 0, 3);
        const QStringList before = a.state();
        CommandRun run(answer);
        const QStringList arguments =
            connection.isEmpty() ? QStringList() : QStringList{QStringLiteral("--server"), connection};
        const int exit = RunSyncCommand(a.path(), ProfileFile(QString()), arguments, run.io);
        UsePgpass(pgpassPath(), this->pgpass());
        QVERIFY2(exit == exitCode, qPrintable(QString::number(exit) + QLatin1Char(' ') + run.text()));
        QVERIFY2(run.text().contains(said), qPrintable(run.text()));
        QCOMPARE(run.asked, answer.isEmpty() ? 0 : 1);
        const bool sent = exitCode == kExitOk;
        if (exitCode != kExitOk && exitCode != kExitPartial)
            QCOMPARE(a.state(), before);
        QCOMPARE(serverCount(QStringLiteral("records")), sent ? QStringLiteral("3") : QStringLiteral("0"));
    }

    // A server that speaks Chinese, as one set up on a Chinese system does: init-server makes the
    // missing database (or says the login may not), and a wrong database name is told as such.
    void serverInAnotherLanguage() {
        QTemporaryDir locales;
        QVERIFY(QFile::setPermissions(locales.path(), QFile::permissions(locales.path()) | QFile::ReadOther |
                                                          QFile::ExeOther));
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-i"), QStringLiteral("zh_CN"), QStringLiteral("-f"),
                         QStringLiteral("UTF-8"), locales.filePath(QStringLiteral("zh_CN.UTF-8"))});
        if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
            QSKIP("no zh_CN.UTF-8 locale can be made here (Debian package locales)");
        PgCluster zh;
        zh.environment << QStringLiteral("LOCPATH=") + locales.path();
        zh.settings << QStringLiteral("lc_messages=zh_CN.UTF-8");
        QVERIFY2(zh.create(), qPrintable(zh.error()));
        QVERIFY(!zh.psql(QStringLiteral("SELECT 1"), QStringLiteral("nosuch")));
        QVERIFY2(zh.error().contains(QStringLiteral("不存在")),
                 qPrintable(zh.error())); // it does speak Chinese
        QVERIFY(zh.psql(QStringLiteral("CREATE ROLE carol LOGIN PASSWORD '%1'").arg(kCarolPassword)));
        const QString connection = QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=%3").arg(zh.port());
        const QString admin = QString::fromLatin1(PgCluster::kAdmin);
        {
            CommandRun run;
            QCOMPARE(RunServerSchemaCommand(true, {connection.arg("ohmara_zh", "carol")}, run.io),
                     kExitRefused);
            QVERIFY2(run.text().contains(QStringLiteral("无权建立数据库")), qPrintable(run.text()));
        }
        {
            CommandRun run;
            QCOMPARE(RunServerSchemaCommand(true, {connection.arg("ohmara_zh", admin)}, run.io), kExitOk);
            QVERIFY2(run.out.contains(QStringLiteral("已建立数据库")), qPrintable(run.text()));
        }
        QCOMPARE(zh.psql(QStringLiteral("SELECT max(version) FROM ohmara.schema_version"),
                         QStringLiteral("ohmara_zh"))
                     .value_or(QString()),
                 QString::number(kServerSchemaVersion));
        Laptop a(QStringLiteral("laptop-a"));
        CommandRun run;
        QCOMPARE(RunSyncCommand(a.path(), ProfileFile(QString()),
                                {QStringLiteral("--server"), connection.arg("nosuch", admin)}, run.io),
                 kExitServer);
    }

    // ohmara-archive as a script runs it: a new laptop starts from sync, which makes the archive
    // as the window does; a script reads the tool's own words on stderr, not the driver's.
    void toolAsAScriptRunsIt_data() {
        QTest::addColumn<QString>("pgpass");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("a new laptop") << "*:*:*:alice:" + kEngineerPassword << kExitOk << "取回记录 2 条";
        QTest::newRow("a refused login") << "*:*:*:alice:old" << kExitRefused << "拒绝了登录";
        QTest::newRow("the server ends the session")
            << "*:*:*:alice:" + kEngineerPassword << kExitNetwork << "连接中断";
        // No pgpass entry: the tool asks on its terminal (script(1) gives it one) and gets the password.
        QTest::newRow("a password typed on the terminal") << QString() << kExitOk << "取回记录 2 条";
    }
    void toolAsAScriptRunsIt() {
        QFETCH(QString, pgpass);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        Laptop seed(QStringLiteral("seed"));
        seed.addRecords(QStringLiteral("QF1"), 0, 2);
        QCOMPARE(sync(seed, engineer()).kind(), FailureKind::None);
        QTemporaryDir laptop;
        const QString archive = laptop.filePath(QStringLiteral("记录库.sqlite"));
        UsePgpass(laptop.filePath(QStringLiteral("pgpass")), pgpass);
        const bool cutOff = exitCode == kExitNetwork;
        // The sync waits on an administrator's lock until its session is ended.
        if (cutOff)
            QVERIFY(admin(QStringLiteral("BEGIN; LOCK TABLE ohmara.records IN ACCESS EXCLUSIVE MODE")));
        QProcess tool;
        tool.setProcessChannelMode(QProcess::SeparateChannels);
        const QStringList arguments{
            QStringLiteral("--archive"), archive, QStringLiteral("sync"), QStringLiteral("--server"),
            QStringLiteral("host=127.0.0.1 port=%1 dbname=ohmara user=alice application_name=blocked")
                .arg(m_cluster.port())};
        const bool typed = pgpass.isEmpty();
        if (typed) {
            QString command = QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH);
            for (const QString& argument : arguments)
                command += QStringLiteral(" '") + argument + QLatin1Char('\'');
            tool.start(QStringLiteral("script"),
                       {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
            QTRY_VERIFY_WITH_TIMEOUT(tool.peek(4096).contains("password: "), 30000);
            tool.write(kEngineerPassword.toUtf8() + '\r');
        } else {
            tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH), arguments);
            tool.closeWriteChannel();
        }
        if (cutOff) {
            // From a session of its own: one in a transaction sees pg_stat_activity as it first read it.
            bool ended = false;
            QTRY_VERIFY_WITH_TIMEOUT(
                ended = ended || m_cluster.psql(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM "
                                                               "pg_stat_activity WHERE application_name = "
                                                               "'blocked' AND wait_event_type = 'Lock'")) ==
                                     QStringLiteral("1"),
                30000);
            QVERIFY(admin(QStringLiteral("COMMIT")));
        }
        QVERIFY(tool.waitForFinished(60000));
        const QString out = QString::fromUtf8(tool.readAllStandardOutput());
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(tool.exitCode() == exitCode, qPrintable(out + err));
        QVERIFY2((out + err).contains(said), qPrintable(out + err));
        QVERIFY2(!(out + err).contains(kEngineerPassword), qPrintable(out + err)); // not echoed
        for (const char* noise : {"QPSQL", "QSql", "Database not open", "Unable to", "[ERROR]"})
            QVERIFY2(!err.contains(QLatin1String(noise)), qPrintable(err));
        QCOMPARE(QFile::exists(archive), true);
        RecordArchive made;
        QCOMPARE(made.open(archive, ArchiveOpening::ReadOnly), ArchiveState::ReadOnly);
        QCOMPARE(made.recordCount(), exitCode == kExitOk ? 2 : 0);
    }

    // The server, not the program, keeps records as they were stored and viewers from writing.
    void rolesOnTheServer_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("allowed");
        const QString insertRecord = QStringLiteral("INSERT INTO ohmara.records (id, device, device_key, "
                                                    "tester, location, texts, source, added_at, added_by)"
                                                    " VALUES ('x', 'd', 'D', 't', 'l', '[]', 's', 'a', 'b')");
        const QString insertAsset = QStringLiteral("INSERT INTO ohmara.assets (device_key, device, "
                                                   "changed_at, changed_by) VALUES ('D', 'd', now(), 'x')");
        // A record as the program makes it, its identity derived from its values.
        const TestRecord::Texts texts{QStringLiteral("1"),     QStringLiteral("26-01-01 08:00"),
                                      QStringLiteral("QF8"),   QStringLiteral("张工"),
                                      QStringLiteral("站"),    QStringLiteral("100 A"),
                                      QStringLiteral("60 秒"), QStringLiteral("123.4 uΩ")};
        const TestRecord record = TestRecord::FromTexts(texts);
        QJsonArray textArray;
        for (const QString& text : texts)
            textArray.append(text);
        const auto recordWith = [&](const QString& id, const QString& json) {
            return QStringLiteral(
                       "INSERT INTO ohmara.records (id, test_time, device, device_key, tester, location,"
                       " step_amperes, load_seconds, micro_ohms, texts, source, added_at, added_by)"
                       " VALUES ('%1', '%2', 'QF8', 'QF8', 't', 'l', %3, %4, %5, '%6', 's', 'a', 'b')")
                .arg(id, record.timeKey())
                .arg(*record.stepAmperes)
                .arg(*record.loadSeconds)
                .arg(QString::number(*record.microOhms, 'g', 17), json);
        };
        const QString json = QString::fromUtf8(QJsonDocument(textArray).toJson(QJsonDocument::Compact));
        const QString id = QString::fromLatin1(record.identity());
        QTest::newRow("engineer adds a record") << "alice" << recordWith(id, json) << true;
        QTest::newRow("engineer adds a record whose identity is not its values")
            << "alice" << recordWith(QString(40, QLatin1Char('0')), json) << false;
        QTest::newRow("engineer adds a record whose texts are not JSON")
            << "alice" << recordWith(id, QStringLiteral("[\"1\", ")) << false;
        QTest::newRow("engineer adds a record without values") << "alice" << insertRecord << false;
        QTest::newRow("engineer changes a register key")
            << "alice"
            << "UPDATE ohmara.assets SET device_key = 'QF0'" << false;
        QTest::newRow("engineer rewrites the server's stamps")
            << "alice"
            << "UPDATE ohmara.rules SET seq = 0, received_by = 'x'" << false;
        QTest::newRow("engineer removes a record") << "alice"
                                                   << "SELECT ohmara.remove_record('1', 'x')" << false;
        QTest::newRow("engineer changes a record") << "alice"
                                                   << "UPDATE ohmara.records SET device = 'e'" << false;
        QTest::newRow("engineer deletes a record") << "alice"
                                                   << "DELETE FROM ohmara.records" << false;
        QTest::newRow("engineer empties the records") << "alice"
                                                      << "TRUNCATE ohmara.records" << false;
        QTest::newRow("engineer edits the register") << "alice" << insertAsset << true;
        QTest::newRow("engineer deletes from the register") << "alice"
                                                            << "DELETE FROM ohmara.assets" << false;
        QTest::newRow("engineer alters the schema") << "alice"
                                                    << "DROP TABLE ohmara.rules" << false;
        QTest::newRow("owner changes a record")
            << PgCluster::kAdmin << "UPDATE ohmara.records SET device = 'e'" << false;
        QTest::newRow("viewer reads") << "vera"
                                      << "SELECT count(*) FROM ohmara.records" << true;
        QTest::newRow("viewer adds a record") << "vera" << insertRecord << false;
        QTest::newRow("viewer edits the register") << "vera" << insertAsset << false;
        QTest::newRow("viewer changes the rules") << "vera"
                                                  << "UPDATE ohmara.rules SET rise_factor = '9'" << false;
    }
    void rolesOnTheServer() {
        QFETCH(QString, user);
        QFETCH(QString, statement);
        QFETCH(bool, allowed);
        QVERIFY(admin(QStringLiteral(
            "INSERT INTO ohmara.records (id, device, device_key, tester, location, texts, source, added_at, "
            "added_by)"
            " SELECT g::text, 'QF1', 'QF1', 't', 'l', '[]', 's', 'a', 'b' FROM generate_series(1, 2) AS g")));
        const QString password = user == QLatin1String("vera") ? kViewerPassword
                                 : user == QLatin1String("alice")
                                     ? kEngineerPassword
                                     : QString::fromLatin1(PgCluster::kAdminPassword);
        {
            Result<QSqlDatabase> db = OpenServer(as(user, password), QStringLiteral("role"));
            QVERIFY2(db, qPrintable(db.reason()));
            QSqlQuery query(*db);
            QCOMPARE(query.exec(statement), allowed);
            if (!allowed)
                QVERIFY2(query.lastError().databaseText().contains(QLatin1String("permission denied")) ||
                             query.lastError().databaseText().contains(QLatin1String("kept as they were")) ||
                             query.lastError().databaseText().contains(QLatin1String("must be owner")) ||
                             query.lastError().databaseText().contains(QLatin1String("does not match")) ||
                             query.lastError().databaseText().contains(QLatin1String("type json")),
                         qPrintable(query.lastError().databaseText()));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("role"));
        QCOMPARE(*admin(QStringLiteral("SELECT count(*) FILTER (WHERE device = 'QF1') FROM ohmara.records")),
                 QStringLiteral("2"));
    }

    // A viewer's sync takes what the server has and sends nothing.
    void viewerSync() {
        Laptop seed(QStringLiteral("seed"));
        seed.addRecords(QStringLiteral("QF1"), 0, 2);
        QCOMPARE(sync(seed, engineer()).kind(), FailureKind::None);
        Laptop viewer(QStringLiteral("viewer"));
        viewer.addRecords(QStringLiteral("QF9"), 0, 4);
        const SyncOutcome outcome = sync(viewer, as(QStringLiteral("vera"), kViewerPassword));
        QCOMPARE(outcome.kind(), FailureKind::None);
        QVERIFY(outcome->readOnlyAccount);
        QCOMPARE(QString::number(outcome->counts.recordsDown), serverCount(QStringLiteral("records")));
        QCOMPARE(viewer.unpushed(), 4);
    }

    // Device numbers, names and notes carrying SQL and quotes go through the server unchanged.
    void hostileTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("elsewhere"); // as the other laptop gets it
        for (const char* text :
             {"'); DROP TABLE ohmara.records; --", "O'Brien \"QF\" `1`", "? $1 :id ::text %s",
              "C:\\new\\' \\x00", "$$; SELECT 1; $$", "断路器Ⅱ段 ⚡ “引号”"})
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(text);
        // The server's texts cannot hold U+0000: it goes as U+FFFD rather than stop every sync.
        QTest::newRow("a NUL") << QStringLiteral("QF%1 1").arg(QChar(0)) << QStringLiteral("QF\uFFFD 1");
    }
    void hostileTexts() {
        QFETCH(QString, text);
        QFETCH(QString, elsewhere);
        const auto there = [&](QStringList rows) {
            for (QString& row : rows)
                row.replace(text, elsewhere).replace(text.toUpper(), elsewhere.toUpper());
            return rows;
        };
        Laptop a(QStringLiteral("a'); --")), b(QStringLiteral("laptop-b"));
        a.addRecords(text, 0, 3, text);
        a.setAsset(text, QStringLiteral("1e2"), text, QDateTime::currentDateTimeUtc());
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        QCOMPARE(b.records(), there(a.records()));
        QCOMPARE(b.rows(QStringLiteral("records"), QStringLiteral("added_by")),
                 a.rows(QStringLiteral("records"), QStringLiteral("added_by")));
        QCOMPARE(b.assets(), there(a.assets()));
        QVERIFY(b.assets().value(0).contains(elsewhere));
        QCOMPARE(serverCount(QStringLiteral("records")), QStringLiteral("3"));
    }

    // Two laptops change the same asset while apart: the newer change wins everywhere, whichever
    // syncs first, and the laptop whose change lost finds it in its sync log.
    void sameAsset_data() {
        QTest::addColumn<bool>("olderSyncsFirst");
        QTest::newRow("older change syncs first") << true;
        QTest::newRow("newer change syncs first") << false;
    }
    void sameAsset() {
        QFETCH(bool, olderSyncsFirst);
        Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
        const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-60);
        a.setAsset(QStringLiteral("QF3"), QStringLiteral("100"), QStringLiteral("原始"), start);
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        a.setAsset(QStringLiteral("QF3"), QStringLiteral("110"), QStringLiteral("A 改"), start.addSecs(10));
        b.setAsset(QStringLiteral("QF3"), QStringLiteral("95.5"), QStringLiteral("B 改"), start.addSecs(20));
        const QList<const Laptop*> order =
            olderSyncsFirst ? QList<const Laptop*>{&a, &b, &a} : QList<const Laptop*>{&b, &a, &b};
        for (const Laptop* laptop : order)
            QCOMPARE(sync(*laptop, as(laptop == &a ? QStringLiteral("alice") : QStringLiteral("bob"),
                                      kEngineerPassword))
                         .kind(),
                     FailureKind::None);
        QCOMPARE(a.assets(), b.assets());
        QVERIFY2(a.assets().value(0).contains(QStringLiteral("|95.5|B 改|")),
                 qPrintable(a.assets().value(0)));
        const QStringList overwritten = a.log(QStringLiteral("overwritten"));
        QCOMPARE(overwritten.size(), 1);
        QVERIFY2(overwritten[0].contains(QStringLiteral("QF3")) &&
                     overwritten[0].contains(QStringLiteral("110")),
                 qPrintable(overwritten[0]));
        QVERIFY(b.log(QStringLiteral("overwritten")).isEmpty());
        // As the user reads it (ohmara-archive log, and the window's "同步记录…"): the laptop by
        // its user and host, the field by its header.
        QProcess tool;
        tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH),
                   {QStringLiteral("--archive"), a.path(), QStringLiteral("log")});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        const QString log = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(log.contains(QStringLiteral("\t被覆盖\t设备 QF3\t本机 %1 于 ").arg(LaptopName())) &&
                     log.contains(QStringLiteral("（限值(uΩ)=110，备注=A 改）被 laptop-b 于")),
                 qPrintable(log));
    }

    // Each laptop tells the server its name: in the log of another laptop (the window's "同步记录…"
    // and ohmara-archive log) a change that overwrote one of its own names the laptop by host and
    // user, not by its id.
    void laptopNamesInLog() {
        QTemporaryDir homeA, homeB;
        QString ids[2];
        for (int i = 0; i < 2; ++i) {
            RecordArchive archive;
            QCOMPARE(archive.open((i ? homeB : homeA).filePath(kArchiveFileName)), ArchiveState::Open);
            ids[i] = archive.laptopId();
        }
        const Laptop a(Laptop::Existing{}, homeA.filePath(kArchiveFileName), ids[0]);
        const Laptop b(Laptop::Existing{}, homeB.filePath(kArchiveFileName), ids[1]);
        const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-60);
        a.setAsset(QStringLiteral("QF3"), QStringLiteral("100"), QStringLiteral("A"), start);
        b.setAsset(QStringLiteral("QF3"), QStringLiteral("90"), QStringLiteral("B"), start.addSecs(10));
        for (const Laptop* laptop : {&a, &b, &a})
            QCOMPARE(sync(*laptop, engineer()).kind(), FailureKind::None);
        // Another login (a viewer) may name its own laptop, never rename one.
        QVERIFY(admin(QStringLiteral("SET SESSION AUTHORIZATION vera;"
                                     " SELECT ohmara.name_laptop('%1', 'x', 'y')")
                          .arg(ids[1])));
        QVERIFY(admin(QStringLiteral("RESET SESSION AUTHORIZATION")));
        QCOMPARE(*admin(QStringLiteral("SELECT count(*) FROM ohmara.laptops WHERE host = 'x'")),
                 QStringLiteral("0"));

        const QString name = QStringLiteral("%1 / %2").arg(QSysInfo::machineHostName(),
                                                           LaptopName().section(QLatin1Char('@'), 0, 0));
        QProcess tool;
        tool.start(QStringLiteral(OHMARA_ARCHIVE_TOOL_PATH),
                   {QStringLiteral("--archive"), a.path(), QStringLiteral("log")});
        QVERIFY(tool.waitForFinished(30000));
        const QString log = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(log.contains(QStringLiteral("被 %1 于").arg(name)) && !log.contains(ids[1]),
                 qPrintable(log));
    }

    // Jobs, instruments, intervals and the audit trail travel as the register does: the newer edit
    // of a draft wins (the other in its laptop's log); an approved revision reaches every laptop as
    // it was approved, and a later change of it, from a laptop or the owner, is refused by the server
    // (logged, the rest of the sync goes on). A laptop of an older program keeps syncing the rest.
    void jobsTravel() {
        QTemporaryDir homeA, homeB;
        RecordArchive archiveA, archiveB;
        QCOMPARE(archiveA.open(homeA.filePath(kArchiveFileName)), ArchiveState::Open);
        QCOMPARE(archiveB.open(homeB.filePath(kArchiveFileName)), ArchiveState::Open);
        const Laptop a(Laptop::Existing{}, archiveA.fileName(), archiveA.laptopId());
        const Laptop b(Laptop::Existing{}, archiveB.fileName(), archiveB.laptopId());
        TestJobs jobsA(archiveA), jobsB(archiveB);
        QVERIFY(jobsA.setSignature(QStringLiteral("张伟")) && jobsB.setSignature(QStringLiteral("李工")));
        a.addRecords(QStringLiteral("QF1"), 0, 3);
        Instrument meter;
        meter.serial = QStringLiteral("SN-1");
        meter.validUntil = QDate(2030, 1, 1);
        TestJob job;
        job.number = QStringLiteral("东郊站-20260101-01");
        job.station = QStringLiteral("东郊站");
        job.customer = QStringLiteral("东郊运维班");
        job.instrument = *jobsA.saveInstrument(meter);
        job.planned = QStringList{QStringLiteral("QF1"), QStringLiteral("QF2")};
        const QString uuid = *jobsA.save(job);
        QCOMPARE(*jobsA.addRecords(uuid, {QStringLiteral("QF1")}, {}, {}), 3);
        QVERIFY(jobsA.setInterval(IntervalScope::Kind, AssetKinds().value(0), 12));
        const QString intervals = QStringLiteral("scope, key, months, changed_at, changed_by");
        const auto syncs = [&](const QList<const Laptop*>& order) {
            for (const Laptop* laptop : order) {
                const SyncOutcome outcome =
                    sync(*laptop, as(laptop == &a ? QStringLiteral("alice") : QStringLiteral("bob"),
                                     kEngineerPassword));
                QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
            }
        };
        syncs({&a, &b});
        QCOMPARE(jobsB.job(uuid)->planned, job.planned);
        QCOMPARE(jobsB.job(uuid)->customer, job.customer);
        QCOMPARE(jobsB.rows(uuid)->size(), 4); // three records and QF2 "未测"
        QCOMPARE(jobsB.instrumentBySerial(QStringLiteral("SN-1"))->validUntil, meter.validUntil);
        QCOMPARE(b.rows(QStringLiteral("test_intervals"), intervals),
                 a.rows(QStringLiteral("test_intervals"), intervals));

        // Two edits of the draft: the newer wins on both, the older one in its laptop's log.
        TestJob edit = *jobsA.job(uuid);
        edit.conclusion = QStringLiteral("A 的结论");
        QVERIFY(jobsA.save(edit));
        QTest::qWait(2); // changes are ordered by the millisecond
        edit.conclusion = QStringLiteral("B 的结论");
        QVERIFY(jobsB.save(edit));
        syncs({&a, &b, &a});
        QCOMPARE(jobsA.job(uuid)->conclusion, QStringLiteral("B 的结论"));
        QCOMPARE(a.log(QStringLiteral("overwritten")).size(), 1);
        QVERIFY(a.log(QStringLiteral("overwritten"))[0].contains(QStringLiteral("A 的结论")));
        QVERIFY(b.log(QStringLiteral("overwritten")).isEmpty());

        // A has it approved while B, not yet knowing, sends it back later.
        QVERIFY(jobsA.submit(uuid));
        syncs({&a, &b});
        QVERIFY(jobsA.setSignature(QStringLiteral("王主任")));
        QVERIFY(jobsA.check(uuid) && jobsA.approve(uuid));
        QTest::qWait(2); // a later change on B
        QVERIFY(jobsB.sendBack(uuid, QStringLiteral("温度未填")));
        syncs({&a, &b, &a});
        const QString revision =
            QStringLiteral("uuid, state, conclusion, recorded_by, checked_by, approved_by,"
                           " approved_at, returned_why, changed_at, changed_by");
        QCOMPARE(b.rows(QStringLiteral("jobs"), revision), a.rows(QStringLiteral("jobs"), revision));
        QCOMPARE(jobsB.job(uuid)->state, JobState::Approved);
        QCOMPARE(jobsB.job(uuid)->approvedBy, QStringLiteral("王主任"));
        QCOMPARE(jobsB.rows(uuid)->size(), jobsA.rows(uuid)->size());
        const QStringList refused = b.log(QStringLiteral("refused"));
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused[0].contains(QStringLiteral("已批准")), qPrintable(refused[0]));
        QVERIFY(b.log(QStringLiteral("overwritten"))
                    .join(QLatin1Char('\n'))
                    .contains(QStringLiteral("returned_why=温度未填")));
        // The owner cannot change it either, nor add to it.
        QVERIFY(
            !admin(QStringLiteral("UPDATE ohmara.jobs SET conclusion = 'x' WHERE uuid = '%1'").arg(uuid)));
        QVERIFY(!admin(QStringLiteral("INSERT INTO ohmara.job_records (job, record, changed_at, changed_by)"
                                      " VALUES ('%1', 'other', '', '')")
                           .arg(uuid)));
        QCOMPARE(*admin(QStringLiteral("SELECT conclusion FROM ohmara.jobs WHERE uuid = '%1'").arg(uuid)),
                 QStringLiteral("B 的结论"));
        // The audit trail of each change once on each laptop, wherever it was made.
        const QString audit = QStringLiteral("at, who, subject, item, field, old, new");
        QStringList trail = a.rows(QStringLiteral("audit"), audit);
        QCOMPARE(b.rows(QStringLiteral("audit"), audit), trail);
        QCOMPARE(trail.removeDuplicates(), 0);
        QStringList changes =
            a.rows(QStringLiteral("audit"), QStringLiteral("at, subject, item, field, old, new"));
        QCOMPARE(changes.removeDuplicates(), 0);

        // An older program (an archive without jobs) syncs records and register as before.
        Laptop old(QStringLiteral("laptop-old"));
        old.addRecords(QStringLiteral("QF9"), 0, 2);
        syncs({&old, &a});
        QCOMPARE(old.records(), a.records());
    }

    // "同步" in the window's tools menu, with the server of the settings file and the password of
    // the pgpass file: the window shows a progress bar while the sync runs and one message at the end.
    void windowSync_data() {
        QTest::addColumn<QString>("laptop");
        QTest::newRow("a laptop with records pushes them") << "records";
        QTest::newRow("a laptop without an archive gets one from the server") << "empty";
        QTest::newRow("an upload syncs on its own when the settings ask") << "upload";
        QTest::newRow("a refused login after uploads is told once") << "refused";
    }
    void windowSync() {
        QFETCH(QString, laptop);
        TempProgramDir dir;
        std::optional<Laptop> a;
        if (laptop == "records") {
            a.emplace(QStringLiteral("laptop-a"), SyncControl::ArchivePath());
            a->addRecords(QStringLiteral("QF5"), 0, 30);
        } else if (laptop == "empty") {
            QVERIFY(!QFile::exists(SyncControl::ArchivePath()));
            Laptop other(QStringLiteral("laptop-o"));
            other.addRecords(QStringLiteral("QF5"), 0, 30);
            QCOMPARE(sync(other, engineer()).kind(), FailureKind::None);
        }
        QFile settings(dir.filePath(QStringLiteral("SystemFile.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(
            QStringLiteral("[TeamServer]\r\nHost=127.0.0.1\r\nPort=%1\r\nDatabase=ohmara\r\nUser=alice\r\n")
                .arg(m_cluster.port())
                .toLatin1() +
            (laptop == "upload" || laptop == "refused" ? "SyncAfterUpload=1\r\n" : ""));
        settings.close();
        const bool refused = laptop == "refused";
        UsePgpass(dir.filePath(QStringLiteral("pgpass")),
                  QStringLiteral("*:*:*:alice:%1").arg(refused ? QStringLiteral("old") : kEngineerPassword));

        MessageRecorder messages;
        TFrmMain window;
        window.show();
        auto* action = window.StatusBar1->findChild<QAction*>(QStringLiteral("ActSync"));
        auto* progress = window.StatusPanel1->findChild<QProgressBar*>(QStringLiteral("SyncProgress"));
        QVERIFY(action && progress);
        if (laptop == "upload" || refused) {
            SimSetup setup;
            for (int k = 1; k <= 30; ++k)
                setup.records.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, k)),
                                               QStringLiteral("QF5"), QStringLiteral("LI"),
                                               QStringLiteral("LAB"), 1, 5, uint32_t(1000 + k)}
                                         .frame());
            UsbSim usb(setup);
            usb.pointProgramAt();
            gbDeviceConnected = true;
            window.UpdateButtons();
            for (int upload = 0; upload < (refused ? 2 : 1); ++upload) {
                window.BtnSampleData->click();
                QVERIFY(progress->isVisible());
                QTRY_VERIFY_WITH_TIMEOUT(action->isEnabled(), 30000);
            }
            if (refused) {
                // Not the field's everyday unreachable server: told, and only once in the run.
                QCOMPARE(messages.messages.size(), 1);
                QVERIFY2(messages.texts().value(0).contains(QStringLiteral("拒绝了登录")),
                         qPrintable(messages.texts().value(0)));
                UsePgpass(pgpassPath(), pgpass());
                QCOMPARE(serverCount(QStringLiteral("records")), QStringLiteral("0"));
                return;
            }
            QVERIFY(messages.messages.isEmpty()); // done without a word
        } else {
            action->trigger();
            QVERIFY(progress->isVisible());
            QVERIFY(!action->isEnabled());
            QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 1, 30000);
            QVERIFY2(messages.texts().value(0).startsWith(QStringLiteral("同步完成")),
                     qPrintable(messages.texts().value(0)));
            window.StatusBar1->findChild<QAction*>(QStringLiteral("ActSyncLog"))->trigger();
            auto* log = window.findChild<QStandardItemModel*>(QStringLiteral("SyncLogModel"));
            QVERIFY(log && log->rowCount() == 1);
            QCOMPARE(log->item(0, 1)->text(), QStringLiteral("完成"));
            QCOMPARE(log->item(0, 3)->text(), messages.texts().value(0));
        }
        UsePgpass(pgpassPath(), pgpass());
        QVERIFY(!progress->isVisible());
        QVERIFY(action->isEnabled());
        QCOMPARE(serverCount(QStringLiteral("records")), QStringLiteral("30"));
        QCOMPARE(DeviceRecords(ProgramArchive::shared().archive(), QStringLiteral("qf5")).size(), size_t(30));
    }

    // Programs of different ages share a server: an additive upgrade keeps older programs
    // syncing; a server that needs a newer program is refused, and left as it is.
    void serverVersions_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("oldestProgram");
        QTest::addColumn<FailureKind>("status");
        QTest::newRow("additive upgrade")
            << kServerSchemaVersion + 1 << kServerSchemaVersion << FailureKind::None;
        QTest::newRow("breaking upgrade")
            << kServerSchemaVersion + 2 << kServerSchemaVersion + 2 << FailureKind::Incompatible;
    }
    void serverVersions() {
        QFETCH(int, version);
        QFETCH(int, oldestProgram);
        QFETCH(FailureKind, status);
        QVERIFY(admin(
            QStringLiteral("INSERT INTO ohmara.schema_version (version, oldest_program) VALUES (%1, %2)")
                .arg(version)
                .arg(oldestProgram)));
        Laptop a(QStringLiteral("laptop-a"));
        a.addRecords(QStringLiteral("QF1"), 0, 2);
        const SyncOutcome outcome = sync(a, engineer());
        CommandRun run;
        const int upgraded = RunServerSchemaCommand(false, {adminConnection()}, run.io);
        QVERIFY(admin(QStringLiteral("DELETE FROM ohmara.schema_version WHERE version > %1")
                          .arg(kServerSchemaVersion)));
        QCOMPARE(outcome.kind(), status);
        QCOMPARE(upgraded, kExitServer); // an older tool never touches a newer server
        QCOMPARE(serverCount(QStringLiteral("records")),
                 status == FailureKind::None ? QStringLiteral("2") : QStringLiteral("0"));
    }

    // The rules a new archive starts with were chosen by nobody: whichever laptop syncs first, the
    // team's change (made before the new archive existed) wins on the server and on every laptop,
    // and no one is told that a change of theirs was overwritten.
    void unchosenDefaults_data() {
        QTest::addColumn<bool>("newLaptopFirst");
        QTest::newRow("the new laptop syncs after the team's change") << false;
        QTest::newRow("the new laptop syncs first") << true;
    }
    void unchosenDefaults() {
        QFETCH(bool, newLaptopFirst);
        const QString team = QStringLiteral("1.5|0.3|0.6");
        Laptop a(QStringLiteral("laptop-a"));
        a.setRules(team, QDateTime::currentDateTimeUtc().addSecs(-3600));
        QTemporaryDir dir;
        const QString fresh = dir.filePath(kArchiveFileName);
        {
            RecordArchive archive; // as the program makes a new archive
            QCOMPARE(archive.open(fresh), ArchiveState::Open);
        }
        const auto syncFresh = [&] {
            SyncEngine engine(fresh, engineer());
            const SyncOutcome outcome = engine.run();
            QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
            QCOMPARE(outcome->counts.rulesUp + outcome->counts.overwritten, newLaptopFirst ? 1 : 0);
        };
        if (newLaptopFirst)
            syncFresh();
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        if (!newLaptopFirst)
            syncFresh();
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        SyncEngine again(fresh, engineer());
        QCOMPARE(again.run().kind(), FailureKind::None);
        const QString columns =
            QStringLiteral("baseline_factor || '|' || rise_factor || '|' || phase_factor");
        QCOMPARE(*admin(QStringLiteral("SELECT %1 FROM ohmara.rules").arg(columns)), team);
        QCOMPARE(a.rows(QStringLiteral("rules"), columns), QStringList{team});
        const Laptop other(Laptop::Existing{}, fresh);
        QCOMPARE(other.rows(QStringLiteral("rules"), columns), QStringList{team});
        QVERIFY(other.log(QStringLiteral("overwritten")).isEmpty());
        QVERIFY(a.log(QStringLiteral("overwritten")).isEmpty());
    }

    // A device number far beyond what an index holds: the import refuses it naming the file and
    // the record; one already in an archive (an older program's) is refused by the server, set
    // aside and told, and every other row goes up, now and at every later sync.
    void oversizedKeys_data() {
        QTest::addColumn<QString>("device");
        QTest::newRow("10 KB") << QString(10240, QLatin1Char('Q'));
        QByteArray noise(3000, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251 + 1);
        QTest::newRow("3,000 random bytes") << QString::fromLatin1(noise);
    }
    void oversizedKeys() {
        QFETCH(QString, device);
        QTemporaryDir dir;
        RecordGrid grid;
        FillGrid(grid, {{" 1", "24-02-01 10:00", "QF1", "", "", "100 A", "5 秒", "10.0 uΩ"},
                        {" 2", "24-02-01 10:01", device, "", "", "100 A", "5 秒", "11.0 uΩ"}});
        const QString file = dir.filePath(QStringLiteral("long.txt"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(DataFileBytes(grid, 2)) > 0);
        out.close();
        {
            RecordArchive archive;
            QCOMPARE(archive.open(dir.filePath(kArchiveFileName)), ArchiveState::Open);
            ImportOptions options;
            options.root = dir.path();
            const ImportSummary summary = ImportFiles(archive, {file}, options);
            QCOMPARE(summary.recordsAdded, 1);
            QCOMPARE(summary.skipped.size(), size_t(1));
            QCOMPARE(summary.skipped[0].path, file);
            QVERIFY2(summary.skipped[0].reason.startsWith(QStringLiteral("第 2 条记录")),
                     qPrintable(summary.skipped[0].reason));
            Asset asset;
            asset.device = device;
            const Outcome saved = SaveAssets(archive, {asset});
            QVERIFY2(!saved && saved.reason().contains(QStringLiteral("上限")), qPrintable(saved.reason()));
        }

        Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
        a.addRecords(QStringLiteral("QF1"), 0, 2 * kPage);
        a.addRecords(device, 2 * kPage, 1);
        a.addRecords(QStringLiteral("QF1"), 2 * kPage + 1, 5);
        a.setAsset(device, QStringLiteral("100"), {}, QDateTime::currentDateTimeUtc());
        a.setAsset(QStringLiteral("QF2"), QStringLiteral("100"), {}, QDateTime::currentDateTimeUtc());
        for (int round = 0; round < 2; ++round) {
            const SyncOutcome outcome = sync(a, engineer());
            QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
            QCOMPARE(outcome->counts.refused, round == 0 ? 2 : 0);
        }
        QCOMPARE(a.log(QStringLiteral("refused")).size(), 2);
        {
            RecordArchive archive;
            QCOMPARE(archive.open(a.path(), ArchiveOpening::ReadOnly), ArchiveState::ReadOnly);
            const ArchiveCounts counts = CountArchive(archive);
            QCOMPARE(counts.refused, 1);
            QCOMPARE(counts.notPushed, 0);
        }
        QCOMPARE(serverCount(QStringLiteral("records")), QString::number(2 * kPage + 5));
        QCOMPARE(serverCount(QStringLiteral("assets")), QStringLiteral("1"));
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        QCOMPARE(b.records().size(), 2 * kPage + 5);
    }

    // Sessions that keep a transaction open (a viewer in psql, a laptop gone quiet after a read)
    // hold back nobody's downloads, and the server ends such sessions on its own.
    void openTransactionsElsewhere_data() {
        QTest::addColumn<QString>("user");
        QTest::newRow("a viewer in psql") << "vera";
        QTest::newRow("a laptop gone quiet") << "bob";
    }
    void openTransactionsElsewhere() {
        QFETCH(QString, user);
        const QString name = QStringLiteral("holder");
        {
            Result<QSqlDatabase> holder = OpenServer(
                as(user, user == QLatin1String("vera") ? kViewerPassword : kEngineerPassword), name);
            QVERIFY2(holder, qPrintable(holder.reason()));
            QSqlQuery query(*holder);
            QVERIFY(query.exec(QStringLiteral("SHOW idle_in_transaction_session_timeout")) && query.next());
            QVERIFY2(query.value(0).toString() != QLatin1String("0"), "the server keeps idle transactions");
            QVERIFY(holder->transaction());
            QVERIFY(query.exec(QStringLiteral("SELECT txid_current(), count(*) FROM ohmara.records")));
            Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
            a.addRecords(QStringLiteral("QF1"), 0, 20);
            QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
            const SyncOutcome pulled = sync(b, engineer());
            QCOMPARE(pulled.kind(), FailureKind::None);
            QCOMPARE(pulled->counts.recordsDown, 20);
            QCOMPARE(b.records(), a.records());
            holder->rollback();
        }
        QSqlDatabase::removeDatabase(name);
    }

    // A sync that waits on a lock gives up after the time it was given, saying why; closing the
    // program ends a sync waiting on the server at once.
    void lockedServer_data() {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("closing");
        QTest::newRow("an administrator's table lock")
            << PgCluster::kAdmin << "LOCK TABLE ohmara.records" << false;
        QTest::newRow("an engineer's unfinished push")
            << "bob"
            << "INSERT INTO ohmara.assets (device_key, device, changed_at, changed_by) VALUES ('QX', 'qx', "
               "now(), 'bob')"
            << false;
        QTest::newRow("the program closes") << PgCluster::kAdmin << "LOCK TABLE ohmara.records" << true;
    }
    void lockedServer() {
        QFETCH(QString, holder);
        QFETCH(QString, statement);
        QFETCH(bool, closing);
        Laptop a(QStringLiteral("laptop-a"));
        a.addRecords(QStringLiteral("QF1"), 0, 3);
        const QString name = QStringLiteral("holder");
        {
            Result<QSqlDatabase> db = OpenServer(
                as(holder, holder == QLatin1String("bob") ? kEngineerPassword
                                                          : QString::fromLatin1(PgCluster::kAdminPassword)),
                name);
            QVERIFY2(db, qPrintable(db.reason()));
            QVERIFY(db->transaction());
            QSqlQuery query(*db);
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
            ServerConfig config = engineer();
            SyncOutcome outcome;
            if (closing) {
                config.lockTimeout = std::chrono::seconds(20);
                SyncRunner runner;
                QSignalSpy finished(&runner, &SyncRunner::finished);
                QVERIFY(runner.start(a.path(), config));
                QTRY_VERIFY_WITH_TIMEOUT(
                    admin(
                        QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"
                                       " AND usename = 'alice'")) == QStringLiteral("1"),
                    15000);
                runner.cancel();
                runner.wait();
                QCOMPARE(finished.size(), 1);
                outcome = finished[0][0].value<SyncOutcome>();
                QVERIFY2(outcome.kind() == FailureKind::Cancelled, qPrintable(outcome.reason()));
            } else {
                config.lockTimeout = std::chrono::seconds(1);
                outcome = SyncEngine(a.path(), config).run();
                QCOMPARE(outcome.kind(), FailureKind::Interrupted);
                QVERIFY2(outcome.reason().startsWith(QStringLiteral("服务器上有未完成的事务")),
                         qPrintable(outcome.reason()));
            }
            db->rollback();
        }
        QSqlDatabase::removeDatabase(name);
        QCOMPARE(a.unpushed(), 3);
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
    }

    // The server moves to a new cluster by pg_dump and pg_restore, from a dump taken after the
    // laptops' last sync or from an older one (a restore): every laptop goes on by itself, the new
    // server ends up with every record once, and every laptop with all of them.
    void movedServer_data() {
        QTest::addColumn<bool>("olderDump");
        QTest::newRow("moved") << false;
        QTest::newRow("restored from an older dump") << true;
    }
    void movedServer() {
        QFETCH(bool, olderDump);
        QTemporaryDir dir;
        const QString dumpFile = dir.filePath(QStringLiteral("ohmara.dump"));
        Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
        a.addRecords(QStringLiteral("QF1"), 0, 50);
        a.setAsset(QStringLiteral("QF1"), QStringLiteral("100"), {}, QDateTime::currentDateTimeUtc());
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        if (olderDump)
            QVERIFY2(m_cluster.dump(dumpFile), qPrintable(m_cluster.error()));
        a.addRecords(QStringLiteral("QF1"), 50, 20);
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        if (!olderDump)
            QVERIFY2(m_cluster.dump(dumpFile), qPrintable(m_cluster.error()));

        PgCluster moved;
        QVERIFY2(moved.create(), qPrintable(moved.error()));
        QVERIFY2(moved.psql(
                     QStringLiteral("CREATE ROLE ohmara_engineer NOLOGIN; CREATE ROLE ohmara_viewer NOLOGIN;"
                                    " CREATE ROLE alice LOGIN PASSWORD '%1' IN ROLE ohmara_engineer")
                         .arg(QString(kEngineerPassword).replace(QLatin1Char('\''), QStringLiteral("''")))),
                 qPrintable(moved.error()));
        QVERIFY2(moved.restore(dumpFile), qPrintable(moved.error()));
        ServerConfig there = engineer();
        there.port = moved.port();

        b.addRecords(QStringLiteral("QF1"), 200, 10);
        Laptop c(QStringLiteral("laptop-c"));
        for (const Laptop* laptop : {&b, &a, &c, &b}) {
            const SyncOutcome outcome = sync(*laptop, there);
            QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
        }
        QCOMPARE(*moved.psql(QStringLiteral("SELECT count(*) FROM ohmara.records")), QStringLiteral("80"));
        QCOMPARE(a.records().size(), 80);
        QCOMPARE(b.records(), a.records());
        QCOMPARE(c.records(), a.records());
        QCOMPARE(c.assets(), a.assets());
        QCOMPARE(a.unpushed() + b.unpushed(), 0);
    }

    // What engineers write is checked by the server: a change time in the future is capped at
    // the server's clock, so a later change still wins. An owner removes a bad record from the
    // server and, at their next sync, from every laptop; the server takes it no more.
    void ownerRemovesRecord() {
        QVERIFY(
            admin(QStringLiteral("SET ROLE alice; INSERT INTO ohmara.assets (device_key, device, changed_at,"
                                 " changed_by) VALUES ('QF1', 'QF1', '2999-01-01', 'mallory'); RESET ROLE")));
        Laptop a(QStringLiteral("laptop-a")), b(QStringLiteral("laptop-b"));
        a.addRecords(QStringLiteral("QF1"), 0, 5);
        a.setAsset(QStringLiteral("QF1"), QStringLiteral("120"), QStringLiteral("后来的修改"),
                   QDateTime::currentDateTimeUtc().addSecs(1));
        QCOMPARE(sync(a, engineer()).kind(), FailureKind::None);
        QVERIFY2(a.assets().value(0).contains(QStringLiteral("后来的修改")), qPrintable(a.assets().value(0)));
        QCOMPARE(sync(b, engineer()).kind(), FailureKind::None);
        Laptop late(QStringLiteral("laptop-late")); // holds the record, not yet synced
        late.addRecords(QStringLiteral("QF1"), 2, 1);

        const QString bad = late.rows(QStringLiteral("records"), QStringLiteral("id")).value(0);
        QCOMPARE(*admin(QStringLiteral("SELECT ohmara.remove_record('%1', '误录')").arg(bad)),
                 QStringLiteral("true"));
        for (const Laptop* laptop : {&a, &b, &late}) {
            const SyncOutcome outcome = sync(*laptop, engineer());
            QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
            QCOMPARE(laptop->records().size(), 4);
            QVERIFY(!laptop->rows(QStringLiteral("records"), QStringLiteral("id")).contains(bad));
            QCOMPARE(laptop->log(QStringLiteral("removed")).size(), 1);
            QVERIFY(laptop->log(QStringLiteral("removed"))[0].contains(QStringLiteral("误录")));
        }
        QCOMPARE(serverCount(QStringLiteral("records")), QStringLiteral("4"));
        QCOMPARE(serverCount(QStringLiteral("removed")), QStringLiteral("1"));
    }

    // A server set up by the previous version, holding what its laptops sent, is upgraded in
    // place: a laptop of this version then takes every record it holds and sends its own.
    void upgradeFromVersion1() {
        PgCluster old;
        QVERIFY2(old.create(), qPrintable(old.error()));
        for (const QString& statement :
             Statements(QStringLiteral(OHMARA_TEST_DATA_DIR "/../../archive/sync/ServerSchema1.sql")))
            QVERIFY2(old.psql(statement), qPrintable(old.error()));
        QVERIFY2(
            old.psql(
                QStringLiteral(
                    "INSERT INTO ohmara.schema_version (version, oldest_program) VALUES (1, 1);"
                    " CREATE ROLE alice LOGIN PASSWORD '%1' IN ROLE ohmara_engineer;"
                    " INSERT INTO ohmara.records (id, device, device_key, tester, location, texts, source,"
                    " added_at, added_by) SELECT g::text, 'QF1', 'QF1', 't', 'l', '[]', 's', 'a', 'b'"
                    " FROM generate_series(1, 30) AS g")
                    .arg(QString(kEngineerPassword).replace(QLatin1Char('\''), QStringLiteral("''")))),
            qPrintable(old.error()));
        CommandRun run;
        QCOMPARE(RunServerSchemaCommand(false,
                                        {QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=%3")
                                             .arg(old.port())
                                             .arg(QString::fromLatin1(PgCluster::kDatabase),
                                                  QString::fromLatin1(PgCluster::kAdmin))},
                                        run.io),
                 kExitOk);
        QVERIFY2(run.out.contains(QStringLiteral("1 → %1").arg(kServerSchemaVersion)),
                 qPrintable(run.text()));
        Laptop a(QStringLiteral("laptop-a"));
        a.addRecords(QStringLiteral("QF2"), 0, 5);
        ServerConfig there = engineer();
        there.port = old.port();
        const SyncOutcome outcome = sync(a, there);
        QVERIFY2(outcome.ok(), qPrintable(outcome.reason()));
        QCOMPARE(outcome->counts.recordsDown, 30);
        QCOMPARE(*old.psql(QStringLiteral("SELECT count(*) FROM ohmara.records")), QStringLiteral("35"));
    }
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
