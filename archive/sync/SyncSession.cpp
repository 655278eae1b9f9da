#include "archive/sync/SyncSession.h"

#include "archive/sync/ServerSchema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>
#include <vector>

namespace SyncDetail {

bool Session::fail(SyncStatus status, const QString& message) {
    if (!m_failure)
        m_failure = StepFailure{status, message, {}};
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
    fail(SyncStatus::Failed, QStringLiteral("服务器拒绝了同步：%1").arg(text));
    if (m_failure->sqlState.isEmpty())
        m_failure->sqlState = error.nativeErrorCode();
    return false;
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
    outcome.sqlState = m_failure->sqlState;
    if (outcome.status != SyncStatus::ArchiveError && m_local.isOpen() && !m_laptopId.isEmpty())
        writeLog(outcome.status == SyncStatus::Cancelled ? QStringLiteral("done") : QStringLiteral("error"),
                 m_serverLabel, outcome.message + QStringLiteral(" 此前已完成：") + summary);
    return outcome;
}

} // namespace SyncDetail
