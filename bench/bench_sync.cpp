// Sync with a large team server (a PostgreSQL cluster of the benchmark's own):
//  - the server holds OHMARA_BENCH_SERVER_RECORDS records (10,000,000 by default); a laptop that
//    is up to date has 255 new records and another laptop has sent 255: one sync brings them
//    up and down;
//  - a new laptop pulls OHMARA_BENCH_PULL_RECORDS records (1,000,000 by default) from nothing.
// The server is filled on the server side (generate_series), which takes minutes for 10 M rows.
#include "archive/sync/ServerSchema.h"
#include "archive/sync/SyncEngine.h"
#include "core/TestRecord.h"
#include "tests/support/PgCluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <cstdio>

namespace {

qint64 EnvCount(const char* name, qint64 fallback) {
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok && value > 0 ? value : fallback;
}

ServerConfig Config(const PgCluster& cluster, const QString& database, const QString& user,
                    const QString& password) {
    ServerConfig config;
    config.host = QStringLiteral("127.0.0.1");
    config.port = cluster.port();
    config.database = database;
    config.user = user;
    config.password = password;
    return config;
}

bool SetUpServer(PgCluster& cluster, const QString& database, qint64 records) {
    if (database != QLatin1String(PgCluster::kDatabase) &&
        !cluster.psql(QStringLiteral("CREATE DATABASE ") + database, QStringLiteral("postgres")))
        return false;
    QString error;
    const QString name = QStringLiteral("setup-") + database;
    bool ok = false;
    {
        Result<QSqlDatabase> db = OpenServer(Config(cluster, database, QString::fromLatin1(PgCluster::kAdmin),
                                                    QString::fromLatin1(PgCluster::kAdminPassword)),
                                             name);
        const Outcome upgraded = db ? Outcome(UpgradeServerSchema(*db)) : Outcome(db);
        ok = upgraded.ok();
        error = upgraded.reason();
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok) {
        std::fprintf(stderr, "server set-up: %s\n", qPrintable(error));
        return false;
    }
    // Rows as uploads make them, written in one statement with the server's stamps.
    const QString fill =
        QStringLiteral(
            "ALTER TABLE ohmara.records DISABLE TRIGGER records_stamp;"
            " INSERT INTO ohmara.records (id, test_time, device, device_key, tester, location, step_code, "
            "step_amperes,"
            "  load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, source, added_at, "
            "added_by, xid, seq,"
            "  received_at, received_by)"
            " SELECT lpad(to_hex(g), 40, '0'), to_char(t, 'YYYY-MM-DD\"T\"HH24:MI'), 'QF' || g % 10000, 'QF' "
            "|| g % 10000,"
            "  '张工', '站' || g % 100, 8, 100, 60, 1000 + g % 9000, 7, (1000 + g % 9000) / 10.0,"
            "  format('[\"%s\",\"%s\",\"QF%s\",\"张工\",\"站%s\",\"100 A\",\"60 秒\",\"%s uΩ\"]',"
            "   g % 255 + 1, to_char(t, 'YY-MM-DD HH24:MI'), g % 10000, g % 100, (1000 + g % 9000) / 10.0),"
            "  '\\x0102030405'::bytea, 'upload', '2026-01-01T00:00:00.000Z', 'bench',"
            "  pg_current_xact_id()::text::bigint, nextval('ohmara.change_seq'), now(), current_user"
            " FROM generate_series(1, %1) AS g, LATERAL (SELECT timestamp '2010-01-01' + g * interval '1 "
            "minute') AS s(t);"
            " ALTER TABLE ohmara.records ENABLE TRIGGER records_stamp;")
            .arg(records);
    if (!cluster.psql(fill, database) ||
        !cluster.psql(QStringLiteral("VACUUM ANALYZE ohmara.records"), database) ||
        !cluster.psql(
            QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'alice') THEN"
                           " CREATE ROLE alice LOGIN PASSWORD 'pw' IN ROLE ohmara_engineer; END IF; END $$"),
            database)) {
        std::fprintf(stderr, "fill: %s\n", qPrintable(cluster.error()));
        return false;
    }
    return true;
}

// A laptop's archive from the local schema.
bool MakeArchive(const QString& path, const QString& laptopId) {
    QFile file(QStringLiteral(OHMARA_TEST_DATA_DIR "/../../archive/LocalSchema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString name = QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        ok = ok && query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        for (const QString& statement : QString::fromUtf8(file.readAll()).split(QStringLiteral("\n;\n")))
            ok = ok && query.exec(statement);
        ok = ok &&
             query.exec(QStringLiteral("INSERT INTO meta VALUES ('schema_version', '1'), ('laptop_id', '%1')")
                            .arg(laptopId));
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// New records of a laptop, not yet on the server.
bool AddRecords(const QString& path, const QString& laptopId, int first, int count) {
    const QString name = QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery query(db);
        query.prepare(QStringLiteral(
            "INSERT INTO records (id, test_time, device, device_key, tester, location, step_code,"
            " step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, source,"
            " added_at, added_by) VALUES (?, ?, ?, ?, '李工', '2#站', 8, 100, 60, ?, 7, ?, ?,"
            " 'upload', '2026-12-09T10:00:00.000Z', ?)"));
        for (int i = first; ok && i < first + count; ++i) {
            const TestRecord::Texts texts{
                QString::number(i % 255 + 1),
                QStringLiteral("26-12-09 10:%1").arg(i % 60, 2, 10, QLatin1Char('0')),
                QStringLiteral("QS%1").arg(i),
                QStringLiteral("李工"),
                QStringLiteral("2#站"),
                QStringLiteral("100 A"),
                QStringLiteral("60 秒"),
                QStringLiteral("%1.0 uΩ").arg(100 + i)};
            const TestRecord record = TestRecord::FromTexts(texts);
            query.addBindValue(QString::fromLatin1(record.identity()));
            query.addBindValue(record.testTime->toString(QStringLiteral("yyyy-MM-ddThh:mm")));
            query.addBindValue(record.device);
            query.addBindValue(record.device.toUpper());
            query.addBindValue(qlonglong(record.resistance->mantissa));
            query.addBindValue(record.microOhms.value_or(0));
            query.addBindValue(QString::fromUtf8(
                QJsonDocument(QJsonArray::fromStringList(QStringList(texts.begin(), texts.end())))
                    .toJson(QJsonDocument::Compact)));
            query.addBindValue(laptopId);
            ok = query.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A laptop that has synced everything the server holds so far (without holding it: the bench is
// about what a sync moves, not about the size of the laptop's own file).
bool CatchUp(const PgCluster& cluster, const QString& path, const ServerConfig& config) {
    Q_UNUSED(cluster);
    const QString name = QUuid::createUuid().toString();
    const QString local = name + QStringLiteral("l");
    bool ok = false;
    {
        Result<QSqlDatabase> server = OpenServer(config, name);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), local);
        db.setDatabaseName(path);
        if (server && db.open()) {
            QSqlQuery last(*server);
            QSqlQuery query(db);
            ok = last.exec(
                     QStringLiteral("SELECT seq, id, (SELECT CAST(id AS text) FROM ohmara.server_identity)"
                                    " FROM ohmara.records ORDER BY seq DESC LIMIT 1")) &&
                 last.next() &&
                 query.exec(QStringLiteral(
                     "CREATE TABLE IF NOT EXISTS sync_position (server_id TEXT NOT NULL, subject TEXT NOT "
                     "NULL,"
                     " seq INTEGER NOT NULL, anchor TEXT NOT NULL, PRIMARY KEY (server_id, subject))"));
            query.prepare(QStringLiteral("INSERT INTO sync_position VALUES (?, 'records', ?, ?)"));
            query.addBindValue(last.value(2));
            query.addBindValue(last.value(0));
            query.addBindValue(last.value(1));
            ok = ok && query.exec();
            query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta VALUES ('sync_server', ?)"));
            query.addBindValue(last.value(2));
            ok = ok && query.exec();
        }
    }
    QSqlDatabase::removeDatabase(name);
    QSqlDatabase::removeDatabase(local);
    return ok;
}

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const qint64 serverRecords = EnvCount("OHMARA_BENCH_SERVER_RECORDS", 10'000'000);
    const qint64 pullRecords = EnvCount("OHMARA_BENCH_PULL_RECORDS", 1'000'000);
    PgCluster cluster;
    cluster.settings << QStringLiteral("shared_buffers=1GB") << QStringLiteral("maintenance_work_mem=512MB")
                     << QStringLiteral("max_wal_size=8GB");
    if (!cluster.create()) {
        std::fprintf(stderr, "cluster: %s\n", qPrintable(cluster.error()));
        return 1;
    }
    QTemporaryDir dir;
    QElapsedTimer timer;

    // 255 up and 255 down against a large server.
    timer.start();
    if (!SetUpServer(cluster, QString::fromLatin1(PgCluster::kDatabase), serverRecords))
        return 1;
    std::printf("server filled with %lld records in %.0f s\n", serverRecords, Seconds(timer));
    const ServerConfig config = Config(cluster, QString::fromLatin1(PgCluster::kDatabase),
                                       QStringLiteral("alice"), QStringLiteral("pw"));
    const QString mine = dir.filePath(QStringLiteral("mine.sqlite"));
    const QString other = dir.filePath(QStringLiteral("other.sqlite"));
    if (!MakeArchive(mine, QStringLiteral("mine")) || !MakeArchive(other, QStringLiteral("other")) ||
        !CatchUp(cluster, mine, config) || !CatchUp(cluster, other, config) ||
        !AddRecords(other, QStringLiteral("other"), 0, 255) || !SyncEngine(other, config).run() ||
        !AddRecords(mine, QStringLiteral("mine"), 1000, 255)) {
        std::fprintf(stderr, "laptops could not be set up\n");
        return 1;
    }
    timer.restart();
    const SyncOutcome outcome = SyncEngine(mine, config).run();
    const double syncSeconds = Seconds(timer);
    std::printf("sync, server of %lld records, 255 up and 255 down: %.3f s (%lld up, %lld down) %s\n",
                serverRecords, syncSeconds, outcome ? outcome->counts.recordsUp : 0,
                outcome ? outcome->counts.recordsDown : 0, qPrintable(outcome.reason()));
    timer.restart();
    const SyncOutcome again = SyncEngine(mine, config).run();
    std::printf("sync with nothing new: %.3f s %s\n", Seconds(timer), qPrintable(again.reason()));

    // A new laptop pulls a whole server.
    const QString pullDatabase = QStringLiteral("ohmara_pull");
    timer.restart();
    if (!SetUpServer(cluster, pullDatabase, pullRecords))
        return 1;
    std::printf("second server filled with %lld records in %.0f s\n", pullRecords, Seconds(timer));
    const QString fresh = dir.filePath(QStringLiteral("new.sqlite"));
    if (!MakeArchive(fresh, QStringLiteral("new")))
        return 1;
    timer.restart();
    const SyncOutcome pulled =
        SyncEngine(fresh, Config(cluster, pullDatabase, QStringLiteral("alice"), QStringLiteral("pw"))).run();
    std::printf("new laptop pulls %lld records: %.1f s %s\n", pulled ? pulled->counts.recordsDown : 0,
                Seconds(timer), qPrintable(pulled.reason()));
    return outcome && pulled ? 0 : 1;
}
