#include "archive/sync/SyncEngine.h"

#include "archive/sync/ServerSchema.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The server's texts cannot hold U+0000 (a stray byte of an imported file): it goes as U+FFFD
// rather than stop every later sync.
QString ServerText(QString text) {
    return text.replace(QChar(0), QChar(0xFFFD));
}

// A failed step: the message for the user; the step's transactions are rolled back.
struct StepFailure {
    SyncStatus status;
    QString message;
};

const QStringList kRecordColumns{
    QStringLiteral("id"),         QStringLiteral("test_time"),    QStringLiteral("device"),
    QStringLiteral("device_key"), QStringLiteral("tester"),       QStringLiteral("location"),
    QStringLiteral("step_code"),  QStringLiteral("step_amperes"), QStringLiteral("load_seconds"),
    QStringLiteral("r_mantissa"), QStringLiteral("r_exponent"),   QStringLiteral("micro_ohms"),
    QStringLiteral("texts"),      QStringLiteral("raw_reply"),    QStringLiteral("source"),
    QStringLiteral("added_at"),   QStringLiteral("added_by")};
// The server's types of the record columns, for reading a pushed page (JSON) back into rows.
const QStringList kRecordTypes{
    QStringLiteral("text"),    QStringLiteral("text"),    QStringLiteral("text"),
    QStringLiteral("text"),    QStringLiteral("text"),    QStringLiteral("text"),
    QStringLiteral("integer"), QStringLiteral("integer"), QStringLiteral("integer"),
    QStringLiteral("bigint"),  QStringLiteral("integer"), QStringLiteral("double precision"),
    QStringLiteral("text"),    QStringLiteral("text"),    QStringLiteral("text"),
    QStringLiteral("text"),    QStringLiteral("text")};
const int kRawReplyColumn = 13;

// A table whose rows change: a key, the values, and who changed them when.
struct ChangeTable {
    QString name;
    QString key;
    QStringList values;
    QString subject; // the name of a row's kind in the sync log
};

const ChangeTable kAssets{
    QStringLiteral("assets"), QStringLiteral("device_key"),
    QStringList{QStringLiteral("device"), QStringLiteral("station"), QStringLiteral("bay"),
                QStringLiteral("phase"), QStringLiteral("kind"), QStringLiteral("maker"),
                QStringLiteral("model"), QStringLiteral("factory_uohm"), QStringLiteral("commissioning_uohm"),
                QStringLiteral("limit_uohm"), QStringLiteral("baseline_factor"),
                QStringLiteral("rise_factor"), QStringLiteral("phase_factor"), QStringLiteral("note")},
    QStringLiteral("设备")};
const ChangeTable kRules{QStringLiteral("rules"), QStringLiteral("scope"),
                         QStringList{QStringLiteral("baseline_factor"), QStringLiteral("rise_factor"),
                                     QStringLiteral("phase_factor")},
                         QStringLiteral("判据")};

// A change time as milliseconds since 1970 (UTC): the local archive keeps ISO 8601 text, the
// server a timestamptz; both are compared and carried as this number.
qint64 ChangeMs(const QString& text) {
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        return 0;
    if (when.timeSpec() == Qt::LocalTime)
        when.setTimeSpec(Qt::UTC);
    return when.toMSecsSinceEpoch();
}

QString ChangeText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

const QString kServerTime =
    QStringLiteral("(TIMESTAMPTZ 'epoch' + CAST(? AS bigint) * INTERVAL '1 millisecond')");
QString ServerMs(const QString& column) {
    return QStringLiteral("CAST(floor(extract(epoch FROM %1) * 1000) AS bigint)").arg(column);
}

// One change row as both sides hold it.
struct ChangeRow {
    QString key;
    QVariantList values;
    qint64 changedMs = 0;
    QString changedBy;
    bool newerThan(const ChangeRow& other) const {
        return std::pair(changedMs, changedBy) > std::pair(other.changedMs, other.changedBy);
    }
};

class Session {
public:
    Session(QSqlDatabase local, QSqlDatabase server, QString serverLabel, int pageRows,
            const SyncEngine::Progress& progress, const std::atomic_bool* cancel)
        : m_local(std::move(local)), m_server(std::move(server)), m_serverLabel(std::move(serverLabel)),
          m_pageRows(pageRows), m_progress(progress), m_cancel(cancel) {}

    SyncOutcome run();

private:
    // Each returns false after setting m_failure.
    bool prepareLocal();
    bool readServer();
    bool readPullLimit();
    bool countWork();
    bool pushRecords();
    bool pushChanges(const ChangeTable& table, qint64& counter);
    bool pullRecords();
    bool pullChanges(const ChangeTable& table, qint64& counter);

    bool cancelled();
    bool fail(SyncStatus status, const QString& message);
    bool serverFailed(const QSqlQuery& query);
    bool localFailed(const QSqlQuery& query);
    bool exec(QSqlQuery& query, bool onServer);
    void advance(qint64 rows);
    bool readCursor(const QString& subject, qint64& xid, qint64& seq);
    bool writeCursor(const QString& subject, qint64 xid, qint64 seq);
    void logOverwritten(const ChangeTable& table, const ChangeRow& mine, const ChangeRow& theirs);
    void writeLog(const QString& kind, const QString& subject, const QString& message);

    QSqlDatabase m_local;
    QSqlDatabase m_server;
    QString m_serverLabel;
    int m_pageRows;
    const SyncEngine::Progress& m_progress;
    const std::atomic_bool* m_cancel;
    QString m_laptopId;
    bool m_canWrite = false;
    qint64 m_pullLimit = 0; // transactions below this one have all ended
    qint64 m_done = 0;
    qint64 m_total = 0;
    SyncCounts m_counts;
    std::optional<StepFailure> m_failure;
};

bool Session::fail(SyncStatus status, const QString& message) {
    if (!m_failure)
        m_failure = StepFailure{status, message};
    return false;
}

bool Session::serverFailed(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (!m_server.isOpen() || error.type() == QSqlError::ConnectionError ||
        text.contains(QLatin1String("connection")))
        return fail(SyncStatus::Failed, QStringLiteral("与服务器的连接中断：%1").arg(text));
    return fail(SyncStatus::Failed, QStringLiteral("服务器拒绝了同步：%1").arg(text));
}

bool Session::localFailed(const QSqlQuery& query) {
    return fail(SyncStatus::ArchiveError,
                QStringLiteral("无法写入本机记录库：%1").arg(query.lastError().text().trimmed()));
}

bool Session::exec(QSqlQuery& query, bool onServer) {
    if (query.exec())
        return true;
    return onServer ? serverFailed(query) : localFailed(query);
}

bool Session::cancelled() {
    if (m_cancel && m_cancel->load())
        return !fail(SyncStatus::Cancelled, QStringLiteral("同步已取消；已完成的部分已保存，下次同步继续。"));
    return false;
}

void Session::advance(qint64 rows) {
    m_done += rows;
    if (m_progress)
        m_progress(m_done, std::max(m_done, m_total));
}

bool Session::prepareLocal() {
    QSqlQuery query(m_local);
    // For this connection only: a cache that holds the indexes a large pull walks, and commits
    // that wait for the disk only at checkpoints (with write-ahead logging, a power cut may lose
    // the last steps, never consistency: the pull position is in the same transactions).
    if (!query.exec(QStringLiteral("PRAGMA cache_size = -65536")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous = NORMAL")))
        return localFailed(query);
    if (!query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'laptop_id'")))
        return fail(SyncStatus::ArchiveError,
                    QStringLiteral("本机记录库无法读取：%1").arg(query.lastError().text().trimmed()));
    if (query.next())
        m_laptopId = query.value(0).toString();
    query.finish();
    if (m_laptopId.isEmpty()) {
        m_laptopId = QUuid::createUuid().toString(QUuid::WithoutBraces);
        query.prepare(QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('laptop_id', ?)"));
        query.addBindValue(m_laptopId);
        if (!exec(query, false))
            return false;
    }
    // Where each pull has come to: the last (transaction, change number) taken from the server.
    if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS sync_pull ("
                                   " server TEXT NOT NULL, subject TEXT NOT NULL,"
                                   " xid INTEGER NOT NULL, seq INTEGER NOT NULL,"
                                   " PRIMARY KEY (server, subject))")))
        return localFailed(query);
    return true;
}

bool Session::readServer() {
    const ServerSchemaState schema = ReadServerSchema(m_server);
    if (const QString why = ServerCompatibility(schema); !why.isEmpty())
        return fail(SyncStatus::Incompatible, why);
    QSqlQuery query(m_server);
    if (!query.exec(QStringLiteral("SELECT has_table_privilege('ohmara.records', 'INSERT'),"
                                   " has_table_privilege('ohmara.assets', 'UPDATE'),"
                                   " has_table_privilege('ohmara.records', 'SELECT')")) ||
        !query.next())
        return serverFailed(query);
    if (!query.value(2).toBool())
        return fail(SyncStatus::ConnectFailed,
                    QStringLiteral("用户 %1 没有读取服务器记录的权限。").arg(m_server.userName()));
    m_canWrite = query.value(0).toBool() && query.value(1).toBool();
    return readPullLimit();
}

bool Session::readPullLimit() {
    // Rows of transactions still running are left for the next sync: their change numbers may
    // lie below ones already committed.
    QSqlQuery query(m_server);
    if (!query.exec(
            QStringLiteral("SELECT CAST(CAST(pg_snapshot_xmin(pg_current_snapshot()) AS text) AS bigint)")) ||
        !query.next())
        return serverFailed(query);
    m_pullLimit = query.value(0).toLongLong();
    return true;
}

bool Session::readCursor(const QString& subject, qint64& xid, qint64& seq) {
    QSqlQuery query(m_local);
    query.prepare(QStringLiteral("SELECT xid, seq FROM sync_pull WHERE server = ? AND subject = ?"));
    query.addBindValue(m_serverLabel);
    query.addBindValue(subject);
    if (!exec(query, false))
        return false;
    xid = query.next() ? query.value(0).toLongLong() : 0;
    seq = query.isValid() ? query.value(1).toLongLong() : 0;
    return true;
}

bool Session::writeCursor(const QString& subject, qint64 xid, qint64 seq) {
    QSqlQuery query(m_local);
    query.prepare(QStringLiteral(
        "INSERT INTO sync_pull (server, subject, xid, seq) VALUES (?, ?, ?, ?)"
        " ON CONFLICT (server, subject) DO UPDATE SET xid = excluded.xid, seq = excluded.seq"));
    query.addBindValue(m_serverLabel);
    query.addBindValue(subject);
    query.addBindValue(xid);
    query.addBindValue(seq);
    if (!exec(query, false))
        return false;
    // The archive's own note of how far the pull has come, by change number.
    query.prepare(QStringLiteral("INSERT OR IGNORE INTO sync_state (server) VALUES (?)"));
    query.addBindValue(m_serverLabel);
    if (!exec(query, false))
        return false;
    query.prepare(QStringLiteral("UPDATE sync_state SET %1_seq = ? WHERE server = ?").arg(subject));
    query.addBindValue(seq);
    query.addBindValue(m_serverLabel);
    return exec(query, false);
}

bool Session::countWork() {
    QSqlQuery local(m_local);
    if (m_canWrite) {
        for (const QString& table : {QStringLiteral("records"), kAssets.name, kRules.name}) {
            if (!local.exec(QStringLiteral("SELECT count(*) FROM %1 WHERE pushed = 0").arg(table)) ||
                !local.next())
                return localFailed(local);
            m_total += local.value(0).toLongLong();
        }
    }
    for (const QString& table : {QStringLiteral("records"), kAssets.name, kRules.name}) {
        qint64 xid = 0;
        qint64 seq = 0;
        if (!readCursor(table, xid, seq))
            return false;
        QSqlQuery server(m_server);
        server.prepare(QStringLiteral("SELECT count(*) FROM ohmara.%1 WHERE (xid, seq) > (?, ?) AND xid < ?")
                           .arg(table));
        server.addBindValue(xid);
        server.addBindValue(seq);
        server.addBindValue(m_pullLimit);
        if (!exec(server, true) || !server.next())
            return serverFailed(server);
        m_total += server.value(0).toLongLong();
    }
    advance(0);
    return true;
}

bool Session::pushRecords() {
    const QString select = QStringLiteral("SELECT %1 FROM records WHERE pushed = 0 LIMIT %2")
                               .arg(kRecordColumns.join(QStringLiteral(", ")))
                               .arg(m_pageRows);
    QStringList columnTypes;
    QStringList selected;
    for (qsizetype i = 0; i < kRecordColumns.size(); ++i) {
        columnTypes << kRecordColumns[i] + QLatin1Char(' ') + kRecordTypes[i];
        selected << (i == kRawReplyColumn ? QStringLiteral("decode(r.raw_reply, 'hex')")
                                          : QStringLiteral("r.") + kRecordColumns[i]);
    }
    // A whole page is one parameter: a JSON array of records, read back into rows by the server.
    const QString insert =
        QStringLiteral("INSERT INTO ohmara.records (%1) SELECT %2"
                       " FROM jsonb_to_recordset(CAST(? AS jsonb)) AS r(%3)"
                       " ON CONFLICT (id) DO NOTHING")
            .arg(kRecordColumns.join(QStringLiteral(", ")), selected.join(QStringLiteral(", ")),
                 columnTypes.join(QStringLiteral(", ")));
    while (!cancelled()) {
        QSqlQuery local(m_local);
        local.setForwardOnly(true);
        if (!local.exec(select))
            return localFailed(local);
        QJsonArray page;
        QStringList ids;
        while (local.next()) {
            QJsonObject row;
            for (qsizetype i = 0; i < kRecordColumns.size(); ++i) {
                const QVariant value = local.value(int(i));
                if (value.isNull())
                    row.insert(kRecordColumns[i], QJsonValue::Null);
                else if (i == kRawReplyColumn)
                    row.insert(kRecordColumns[i], QString::fromLatin1(value.toByteArray().toHex()));
                else if (value.typeId() == QMetaType::QString)
                    row.insert(kRecordColumns[i], ServerText(value.toString()));
                else
                    row.insert(kRecordColumns[i], QJsonValue::fromVariant(value));
            }
            ids << local.value(0).toString();
            page.append(row);
        }
        local.finish();
        if (page.isEmpty())
            return true;

        if (!m_server.transaction())
            return fail(SyncStatus::Failed,
                        QStringLiteral("与服务器的连接中断：%1").arg(m_server.lastError().text().trimmed()));
        QSqlQuery server(m_server);
        server.prepare(insert);
        server.addBindValue(QString::fromUtf8(QJsonDocument(page).toJson(QJsonDocument::Compact)));
        if (!exec(server, true)) {
            m_server.rollback();
            return false;
        }
        const qint64 added = server.numRowsAffected();
        if (!m_server.commit())
            return fail(SyncStatus::Failed,
                        QStringLiteral("与服务器的连接中断：%1").arg(m_server.lastError().text().trimmed()));

        // The server holds the page now; a cut-off before this commit only means the page is sent
        // again next time, and the server takes nothing twice.
        if (!m_local.transaction())
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        local.prepare(QStringLiteral("UPDATE records SET pushed = 1 WHERE id = ?"));
        for (const QString& id : std::as_const(ids)) {
            local.addBindValue(id);
            if (!exec(local, false)) {
                m_local.rollback();
                return false;
            }
        }
        if (!m_local.commit())
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        m_counts.recordsUp += std::max<qint64>(added, 0);
        advance(ids.size());
    }
    return false;
}

bool Session::pushChanges(const ChangeTable& table, qint64& counter) {
    const QString columns = (QStringList{table.key} + table.values +
                             QStringList{QStringLiteral("changed_at"), QStringLiteral("changed_by")})
                                .join(QStringLiteral(", "));
    const QString select = QStringLiteral("SELECT %1 FROM %2 WHERE pushed = 0 LIMIT %3")
                               .arg(columns, table.name)
                               .arg(m_pageRows);
    QStringList placeholders(table.values.size() + 1, QStringLiteral("?"));
    placeholders << kServerTime << QStringLiteral("?");
    QStringList updates;
    for (const QString& column :
         table.values + QStringList{QStringLiteral("changed_at"), QStringLiteral("changed_by")})
        updates << QStringLiteral("%1 = excluded.%1").arg(column);
    const QString upsert =
        QStringLiteral("INSERT INTO ohmara.%1 (%2) VALUES (%3) ON CONFLICT (%4) DO UPDATE SET %5"
                       " WHERE (excluded.changed_at, excluded.changed_by)"
                       " > (ohmara.%1.changed_at, ohmara.%1.changed_by)")
            .arg(table.name, columns, placeholders.join(QStringLiteral(", ")), table.key,
                 updates.join(QStringLiteral(", ")));
    const QString serverRow = QStringLiteral("SELECT %1, %2, changed_by FROM ohmara.%3 WHERE %4 = ?")
                                  .arg(table.values.join(QStringLiteral(", ")),
                                       ServerMs(QStringLiteral("changed_at")), table.name, table.key);

    while (!cancelled()) {
        QSqlQuery local(m_local);
        local.setForwardOnly(true);
        if (!local.exec(select))
            return localFailed(local);
        std::vector<ChangeRow> page;
        std::vector<QString> changedAtTexts; // as the archive holds them, to match the rows again
        while (local.next()) {
            ChangeRow row;
            row.key = local.value(0).toString();
            for (qsizetype i = 0; i < table.values.size(); ++i)
                row.values << local.value(int(i) + 1);
            changedAtTexts.push_back(local.value(int(table.values.size()) + 1).toString());
            row.changedMs = ChangeMs(changedAtTexts.back());
            row.changedBy = local.value(int(table.values.size()) + 2).toString();
            page.push_back(std::move(row));
        }
        local.finish();
        if (page.empty())
            return true;

        // The server keeps the newer of its row and ours; where its row is newer, ours was
        // overwritten and the laptop takes the server's.
        std::vector<std::optional<ChangeRow>> newer(page.size());
        if (!m_server.transaction())
            return fail(SyncStatus::Failed,
                        QStringLiteral("与服务器的连接中断：%1").arg(m_server.lastError().text().trimmed()));
        QSqlQuery server(m_server);
        QSqlQuery current(m_server);
        server.prepare(upsert);
        current.prepare(serverRow);
        qint64 taken = 0;
        for (size_t i = 0; i < page.size(); ++i) {
            const ChangeRow& row = page[i];
            server.addBindValue(ServerText(row.key));
            for (const QVariant& value : row.values)
                server.addBindValue(ServerText(value.toString()));
            server.addBindValue(row.changedMs);
            server.addBindValue(row.changedBy);
            if (!exec(server, true)) {
                m_server.rollback();
                return false;
            }
            if (server.numRowsAffected() > 0) {
                ++taken;
                continue;
            }
            current.addBindValue(ServerText(row.key));
            if (!exec(current, true) || !current.next()) {
                m_server.rollback();
                return serverFailed(current);
            }
            ChangeRow theirs;
            theirs.key = row.key;
            for (qsizetype c = 0; c < table.values.size(); ++c)
                theirs.values << current.value(int(c));
            theirs.changedMs = current.value(int(table.values.size())).toLongLong();
            theirs.changedBy = current.value(int(table.values.size()) + 1).toString();
            if (theirs.newerThan(row))
                newer[i] = std::move(theirs);
        }
        if (!m_server.commit())
            return fail(SyncStatus::Failed,
                        QStringLiteral("与服务器的连接中断：%1").arg(m_server.lastError().text().trimmed()));

        if (!m_local.transaction())
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        QStringList sets;
        for (const QString& column : table.values)
            sets << column + QStringLiteral(" = ?");
        // Only the row as it was sent: an edit made while the sync ran stays to be pushed.
        const QString match =
            QStringLiteral(" WHERE %1 = ? AND changed_at = ? AND changed_by = ?").arg(table.key);
        for (size_t i = 0; i < page.size(); ++i) {
            const bool altered =
                ServerText(page[i].key) != page[i].key ||
                std::any_of(page[i].values.cbegin(), page[i].values.cend(),
                            [](const QVariant& value) { return value.toString().contains(QChar(0)); });
            if (newer[i]) {
                local.prepare(QStringLiteral("UPDATE %1 SET %2, changed_at = ?, changed_by = ?, pushed = 1")
                                  .arg(table.name, sets.join(QStringLiteral(", "))) +
                              match);
                for (const QVariant& value : newer[i]->values)
                    local.addBindValue(value.toString());
                local.addBindValue(ChangeText(newer[i]->changedMs));
                local.addBindValue(newer[i]->changedBy);
            } else if (altered) {
                // The row as the server took it, so that the pull finds it the same row.
                local.prepare(QStringLiteral("UPDATE %1 SET %2 = ?, %3, pushed = 1")
                                  .arg(table.name, table.key, sets.join(QStringLiteral(", "))) +
                              match);
                local.addBindValue(ServerText(page[i].key));
                for (const QVariant& value : page[i].values)
                    local.addBindValue(ServerText(value.toString()));
            } else {
                local.prepare(QStringLiteral("UPDATE %1 SET pushed = 1").arg(table.name) + match);
            }
            local.addBindValue(page[i].key);
            local.addBindValue(changedAtTexts[i]);
            local.addBindValue(page[i].changedBy);
            if (!exec(local, false)) {
                m_local.rollback();
                return false;
            }
            if (newer[i] && local.numRowsAffected() > 0)
                logOverwritten(table, page[i], *newer[i]);
        }
        if (!m_local.commit())
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        counter += taken;
        advance(qint64(page.size()));
    }
    return false;
}

bool Session::pullRecords() {
    qint64 xid = 0;
    qint64 seq = 0;
    if (!readCursor(QStringLiteral("records"), xid, seq))
        return false;
    const QString select = QStringLiteral("SELECT xid, seq, %1 FROM ohmara.records"
                                          " WHERE (xid, seq) > (?, ?) AND xid < ? ORDER BY xid, seq LIMIT %2")
                               .arg(kRecordColumns.join(QStringLiteral(", ")))
                               .arg(m_pageRows);
    const QString insert =
        QStringLiteral("INSERT INTO records (%1, pushed) VALUES (%2, 1)"
                       " ON CONFLICT (id) DO UPDATE SET pushed = 1 WHERE pushed = 0")
            .arg(kRecordColumns.join(QStringLiteral(", ")),
                 QStringList(kRecordColumns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    // Pages are fetched one at a time (memory stays bounded) and committed locally several at a
    // time: the archive's indexes are then written once for many pages.
    const qint64 rowsPerCommit = qint64(m_pageRows) * SyncEngine::kPagesPerCommit;
    QSqlQuery server(m_server);
    server.setForwardOnly(true);
    QSqlQuery local(m_local);
    bool open = false;
    qint64 uncommitted = 0;
    const auto abandon = [&] {
        if (open)
            m_local.rollback();
        open = false;
    };
    const auto commit = [&] {
        if (!open || uncommitted == 0) {
            abandon();
            return true;
        }
        open = false;
        if (!writeCursor(QStringLiteral("records"), xid, seq) || !m_local.commit()) {
            m_local.rollback();
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        }
        advance(uncommitted);
        uncommitted = 0;
        return true;
    };
    if (!server.prepare(select))
        return serverFailed(server);
    while (true) {
        if (cancelled()) {
            commit(); // what came so far is kept
            return false;
        }
        server.addBindValue(xid);
        server.addBindValue(seq);
        server.addBindValue(m_pullLimit);
        if (!exec(server, true)) {
            abandon();
            return false;
        }
        if (!open) {
            if (!m_local.transaction())
                return fail(SyncStatus::ArchiveError, m_local.lastError().text());
            open = true;
            if (!local.prepare(insert)) {
                abandon();
                return localFailed(local);
            }
        }
        qint64 rows = 0;
        while (server.next()) {
            xid = server.value(0).toLongLong();
            seq = server.value(1).toLongLong();
            for (qsizetype i = 0; i < kRecordColumns.size(); ++i)
                local.bindValue(int(i), server.value(int(i) + 2));
            if (!exec(local, false)) {
                abandon();
                return false;
            }
            if (local.numRowsAffected() > 0)
                ++m_counts.recordsDown;
            ++rows;
        }
        if (server.lastError().isValid()) {
            abandon();
            return serverFailed(server);
        }
        uncommitted += rows;
        if (rows < m_pageRows)
            return commit();
        if (uncommitted >= rowsPerCommit && !commit())
            return false;
    }
}

bool Session::pullChanges(const ChangeTable& table, qint64& counter) {
    qint64 xid = 0;
    qint64 seq = 0;
    if (!readCursor(table.name, xid, seq))
        return false;
    const QString select = QStringLiteral("SELECT xid, seq, %1, %2, %3, changed_by FROM ohmara.%4"
                                          " WHERE (xid, seq) > (?, ?) AND xid < ? ORDER BY xid, seq LIMIT %5")
                               .arg(table.key, table.values.join(QStringLiteral(", ")),
                                    ServerMs(QStringLiteral("changed_at")), table.name)
                               .arg(m_pageRows);
    const QString localRow = QStringLiteral("SELECT %1, changed_at, changed_by, pushed FROM %2 WHERE %3 = ?")
                                 .arg(table.values.join(QStringLiteral(", ")), table.name, table.key);
    QStringList sets;
    for (const QString& column : table.values)
        sets << column + QStringLiteral(" = excluded.") + column;
    const QString write =
        QStringLiteral("INSERT INTO %1 (%2, %3, changed_at, changed_by, pushed) VALUES (%4, 1)"
                       " ON CONFLICT (%2) DO UPDATE SET %5, changed_at = excluded.changed_at,"
                       " changed_by = excluded.changed_by, pushed = 1")
            .arg(table.name, table.key, table.values.join(QStringLiteral(", ")),
                 QStringList(table.values.size() + 3, QStringLiteral("?")).join(QStringLiteral(", ")),
                 sets.join(QStringLiteral(", ")));
    while (!cancelled()) {
        QSqlQuery server(m_server);
        server.setForwardOnly(true);
        server.prepare(select);
        server.addBindValue(xid);
        server.addBindValue(seq);
        server.addBindValue(m_pullLimit);
        if (!exec(server, true))
            return false;
        if (!m_local.transaction())
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        QSqlQuery local(m_local);
        qint64 rows = 0;
        const auto abandon = [&](bool onServer, const QSqlQuery& failed) {
            m_local.rollback();
            return onServer ? serverFailed(failed) : localFailed(failed);
        };
        while (server.next()) {
            xid = server.value(0).toLongLong();
            seq = server.value(1).toLongLong();
            ++rows;
            ChangeRow theirs;
            theirs.key = server.value(2).toString();
            for (qsizetype i = 0; i < table.values.size(); ++i)
                theirs.values << server.value(int(i) + 3).toString();
            theirs.changedMs = server.value(int(table.values.size()) + 3).toLongLong();
            theirs.changedBy = server.value(int(table.values.size()) + 4).toString();

            local.prepare(localRow);
            local.addBindValue(theirs.key);
            if (!local.exec())
                return abandon(false, local);
            std::optional<ChangeRow> mine;
            bool minePushed = true;
            if (local.next()) {
                mine.emplace();
                mine->key = theirs.key;
                for (qsizetype i = 0; i < table.values.size(); ++i)
                    mine->values << local.value(int(i)).toString();
                mine->changedMs = ChangeMs(local.value(int(table.values.size())).toString());
                mine->changedBy = local.value(int(table.values.size()) + 1).toString();
                minePushed = local.value(int(table.values.size()) + 2).toInt() != 0;
            }
            local.finish();
            if (mine && !theirs.newerThan(*mine)) {
                // The same change (now known to be on the server), or a newer one of ours still
                // to be pushed.
                if (mine->changedMs == theirs.changedMs && mine->changedBy == theirs.changedBy &&
                    !minePushed) {
                    local.prepare(
                        QStringLiteral("UPDATE %1 SET pushed = 1 WHERE %2 = ?").arg(table.name, table.key));
                    local.addBindValue(theirs.key);
                    if (!local.exec())
                        return abandon(false, local);
                }
                continue;
            }
            local.prepare(write);
            local.addBindValue(theirs.key);
            for (const QVariant& value : std::as_const(theirs.values))
                local.addBindValue(value);
            local.addBindValue(ChangeText(theirs.changedMs));
            local.addBindValue(theirs.changedBy);
            if (!local.exec())
                return abandon(false, local);
            ++counter;
            if (mine && mine->values != theirs.values && (!minePushed || mine->changedBy == m_laptopId))
                logOverwritten(table, *mine, theirs);
        }
        if (server.lastError().isValid())
            return abandon(true, server);
        if (rows == 0) {
            m_local.rollback();
            return true;
        }
        if (!writeCursor(table.name, xid, seq) || !m_local.commit()) {
            m_local.rollback();
            return fail(SyncStatus::ArchiveError, m_local.lastError().text());
        }
        advance(rows);
    }
    return false;
}

void Session::logOverwritten(const ChangeTable& table, const ChangeRow& mine, const ChangeRow& theirs) {
    ++m_counts.overwritten;
    QStringList before;
    for (qsizetype i = 0; i < table.values.size() && i < mine.values.size(); ++i) {
        if (mine.values[i] != theirs.values.value(i))
            before << QStringLiteral("%1=%2").arg(table.values[i], mine.values[i].toString());
    }
    writeLog(QStringLiteral("overwritten"), QStringLiteral("%1 %2").arg(table.subject, mine.key),
             QStringLiteral("%1 于 %2 的修改（%3）被 %4 于 %5 的修改覆盖")
                 .arg(mine.changedBy, ChangeText(mine.changedMs), before.join(QStringLiteral("，")),
                      theirs.changedBy, ChangeText(theirs.changedMs)));
}

void Session::writeLog(const QString& kind, const QString& subject, const QString& message) {
    QSqlQuery query(m_local);
    query.prepare(QStringLiteral("INSERT INTO sync_log (at, kind, subject, message) VALUES (?, ?, ?, ?)"));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    query.addBindValue(kind);
    query.addBindValue(subject);
    query.addBindValue(message);
    query.exec();
}

SyncOutcome Session::run() {
    const bool ok = prepareLocal() && readServer() && countWork() &&
                    (!m_canWrite || (pushRecords() && pushChanges(kAssets, m_counts.assetsUp) &&
                                     pushChanges(kRules, m_counts.rulesUp))) &&
                    readPullLimit() && pullRecords() && pullChanges(kAssets, m_counts.assetsDown) &&
                    pullChanges(kRules, m_counts.rulesDown);
    SyncOutcome outcome;
    outcome.counts = m_counts;
    outcome.readOnlyAccount = !m_canWrite;
    const SyncCounts& c = m_counts;
    const QString summary = QStringLiteral("上传记录 %1 条，取回记录 %2 条；台账上传 %3 行，取回 %4 行；"
                                           "判据上传 %5 行，取回 %6 行；被覆盖的修改 %7 处。")
                                .arg(c.recordsUp)
                                .arg(c.recordsDown)
                                .arg(c.assetsUp)
                                .arg(c.assetsDown)
                                .arg(c.rulesUp)
                                .arg(c.rulesDown)
                                .arg(c.overwritten);
    if (ok) {
        outcome.status = SyncStatus::Done;
        outcome.message = QStringLiteral("同步完成：") + summary;
        if (!m_canWrite)
            outcome.message += QStringLiteral("（只读账户，本机的记录和修改未上传）");
        const bool moved = c.recordsUp + c.recordsDown + c.assetsUp + c.assetsDown + c.rulesUp + c.rulesDown +
                               c.overwritten >
                           0;
        if (moved)
            writeLog(QStringLiteral("done"), m_serverLabel, outcome.message);
        return outcome;
    }
    outcome.status = m_failure->status;
    outcome.message = m_failure->message;
    if (outcome.status != SyncStatus::ArchiveError && m_local.isOpen() && !m_laptopId.isEmpty())
        writeLog(outcome.status == SyncStatus::Cancelled ? QStringLiteral("done") : QStringLiteral("error"),
                 m_serverLabel, outcome.message + QStringLiteral(" 此前已完成：") + summary);
    return outcome;
}

} // namespace

SyncEngine::SyncEngine(QString archivePath, ServerConfig server)
    : m_archivePath(std::move(archivePath)), m_server(std::move(server)) {}

SyncOutcome SyncEngine::run(const Progress& progress, const std::atomic_bool* cancel) {
    SyncOutcome outcome;
    if (!m_server.isSet()) {
        outcome.status = SyncStatus::ConnectFailed;
        outcome.message =
            QStringLiteral("没有设置同步服务器（设置文件的 [%1] 一节）。").arg(kTeamServerSection);
        return outcome;
    }
    if (!QFileInfo(m_archivePath).isFile()) {
        outcome.status = SyncStatus::ArchiveError;
        outcome.message = QStringLiteral("本机记录库 %1 不存在。").arg(m_archivePath);
        return outcome;
    }
    const QString tag = QUuid::createUuid().toString(QUuid::Id128);
    const QString localName = QStringLiteral("ohmara-sync-local-") + tag;
    const QString serverName = QStringLiteral("ohmara-sync-server-") + tag;
    {
        QSqlDatabase local = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), localName);
        local.setDatabaseName(m_archivePath);
        // The program's own connection may be writing: wait for it rather than fail.
        local.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!local.open()) {
            outcome.status = SyncStatus::ArchiveError;
            outcome.message =
                QStringLiteral("本机记录库无法打开：%1").arg(local.lastError().text().trimmed());
        } else {
            QString error;
            if (std::optional<QSqlDatabase> server = OpenServer(m_server, serverName, &error)) {
                Session session(local, *server, m_server.label(), m_pageRows, progress, cancel);
                outcome = session.run();
                server->close();
            } else {
                outcome.status = SyncStatus::ConnectFailed;
                outcome.message = error;
            }
        }
        local.close();
    }
    QSqlDatabase::removeDatabase(localName);
    QSqlDatabase::removeDatabase(serverName);
    return outcome;
}
