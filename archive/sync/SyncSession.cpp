#include "archive/sync/SyncSession.h"

#include "archive/sync/ServerSchema.h"
#include "archive/sync/ServerSql.h"
#include "archive/sync/SyncMessages.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlRecord>
#include <QUuid>
#include <algorithm>
#include <tuple>
#include <vector>

namespace SyncDetail {

namespace {

// The subjects every server version knows, each with the count of its rows after a change number.
const std::pair<QString, ServerSql> kSubjects[] = {{QStringLiteral("records"), ServerSql::CountRecordsAfter},
                                                   {QStringLiteral("removed"), ServerSql::CountRemovedAfter},
                                                   {kAssets.name, kAssets.statements.countAfter},
                                                   {kRules.name, kRules.statements.countAfter}};
// The tables of test jobs, after those every version knows, in the order they are sent: a
// revision's parts before the revision (the server takes no part of an approved one).
const ChangeTable* const kJobChanges[] = {&kInstruments, &kIntervals, &kJobs};
const UnionTable* const kJobParts[] = {&kJobAssets, &kJobRecords, &kJobVerdicts, &kAudit};

} // namespace

bool Session::fail(FailureKind kind, const QString& message, const QString& detail) {
    if (!m_failure)
        m_failure = StepFailure{kind, message, detail};
    return false;
}

bool Session::serverFailed(const QSqlQuery& query) {
    return serverFailed(query.lastError());
}

bool Session::serverFailed(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    const QString state = error.nativeErrorCode();
    // A statement the cancel request stopped at the server (or a connection it ended).
    if (m_cancel && m_cancel->requested() &&
        (state == QLatin1String("57014") || error.type() == QSqlError::ConnectionError))
        return !cancelled();
    if (state == QLatin1String("55P03"))
        return fail(FailureKind::Interrupted, SyncMessages::ServerLocked(m_lockTimeout.count(), text), text);
    if (state == QLatin1String("57014"))
        return fail(FailureKind::Interrupted, SyncMessages::StatementTimedOut(text), text);
    if (!m_server.isOpen() || error.type() == QSqlError::ConnectionError ||
        text.contains(QLatin1String("connection")))
        return fail(FailureKind::Interrupted, SyncMessages::ConnectionLost(text), text);
    // A refusal for the server's load or a passing state is worth another try later.
    return fail(TransientServerState(state) ? FailureKind::Interrupted : FailureKind::Refused,
                SyncMessages::ServerRefused(text), text);
}

bool Session::lostServer() {
    const QString text = m_server.lastError().text().trimmed();
    return fail(FailureKind::Interrupted, SyncMessages::ConnectionLost(text), text);
}

bool Session::localFailed(const QSqlQuery& query) {
    const QString text = query.lastError().text().trimmed();
    return fail(FailureKind::Io, SyncMessages::LocalArchiveUnwritable(text), text);
}

bool Session::localTransactionFailed() {
    const Outcome failed = m_archive.writeFailure();
    return fail(FailureKind::Io, failed.reason(), failed.detail());
}

bool Session::exec(QSqlQuery& query, bool onServer) {
    if (onServer ? ServerExec(query) : query.exec())
        return true;
    return onServer ? serverFailed(query) : localFailed(query);
}

bool Session::cancelled() {
    if (m_cancel && m_cancel->requested())
        return !fail(FailureKind::Cancelled, SyncMessages::Cancelled());
    return false;
}

void Session::advance(qint64 rows) {
    m_done += rows;
    if (m_progress)
        m_progress(m_done, std::max(m_done, m_total));
}

bool Session::prepareLocal() {
    // For this connection only: the program's own connection may be writing (waited for rather
    // than failed), a cache that holds the indexes a large pull walks, and commits that wait for
    // the disk only at checkpoints (with write-ahead logging, a power cut may lose the last steps,
    // never consistency: the pull position is in the same transactions).
    for (const ArchiveSql pragma :
         {ArchiveSql::SyncBusyWait, ArchiveSql::SyncCacheSize, ArchiveSql::SyncSynchronousNormal}) {
        QSqlQuery query = m_archive.statement(pragma);
        if (!query.exec())
            return localFailed(query);
    }
    m_laptopId = m_archive.laptopId();
    if (m_laptopId.isEmpty()) {
        m_laptopId = QUuid::createUuid().toString(QUuid::WithoutBraces);
        QSqlQuery query = m_archive.statement(ArchiveSql::InsertLaptopId);
        query.addBindValue(m_laptopId);
        if (!exec(query, false))
            return false;
    }
    // Where each pull has come to, per server identity: the last change number taken and the
    // key of its row (to find the server still holding it there).
    QSqlQuery position = m_archive.statement(ArchiveSql::CreateSyncPosition);
    if (!position.exec())
        return localFailed(position);
    // The tables this archive has (an archive of an older program lacks the jobs).
    QSqlQuery tables = m_archive.statement(ArchiveSql::ArchiveTableNames);
    if (!tables.exec())
        return localFailed(tables);
    while (tables.next())
        m_localTables << tables.value(0).toString();
    return true;
}

bool Session::readServer() {
    const ServerSchemaState schema = ReadServerSchema(m_server);
    if (const QString why = ServerCompatibility(schema); !why.isEmpty())
        return fail(FailureKind::Incompatible, why);
    if (schema.version < 2)
        return fail(FailureKind::Incompatible, SyncMessages::SchemaOlder(schema.version));
    // A lock held elsewhere (an administrator, a writer gone quiet) is waited for this long.
    QSqlQuery timeout = ServerStatement(m_server, ServerSql::SetLockTimeout);
    timeout.addBindValue(QStringLiteral("%1s").arg(m_lockTimeout.count()));
    if (!exec(timeout, true))
        return false;
    QSqlQuery rights = ServerStatement(m_server, ServerSql::Rights);
    if (!ServerExec(rights) || !rights.next())
        return serverFailed(rights);
    if (!rights.value(2).toBool())
        return fail(FailureKind::Refused, SyncMessages::NoReadRight(m_server.userName()));
    m_canWrite = rights.value(0).toBool() && rights.value(1).toBool();
    m_serverId = rights.value(3).toString();
    m_serverVersion = schema.version;
    return nameLaptop() && checkPosition();
}

bool Session::checkPosition() {
    QSqlQuery local = m_archive.statement(ArchiveSql::LastSyncServer);
    if (!local.exec())
        return localFailed(local);
    const QString last = local.next() ? local.value(0).toString() : QString();
    local.finish();
    if (last.isEmpty()) {
        // The first sync since positions were kept by identity: what was sent went to this server.
        QSqlQuery first = m_archive.statement(ArchiveSql::SetSyncServer);
        first.addBindValue(m_serverId);
        return exec(first, false);
    }
    if (last != m_serverId)
        return recover();
    // Each row the pulls came to is still where they left it (records never move, nor do rows only
    // added; a changing row only moves on), unless the server went back to an earlier state. The
    // anchor is the key, its parts apart where the key has several columns.
    const auto stillThere = [&](const QString& subject, qsizetype keys, ServerSql check) {
        qint64 seq = 0;
        QString anchor;
        if (!readCursor(subject, seq, anchor))
            return std::optional<bool>();
        if (seq == 0)
            return std::optional<bool>(true);
        QSqlQuery server = ServerStatement(m_server, check);
        if (keys == 1) {
            server.addBindValue(anchor);
        } else {
            const QStringList parts = anchor.split(QChar(0x1f));
            for (qsizetype i = 0; i < keys; ++i)
                server.addBindValue(parts.value(i));
        }
        server.addBindValue(seq);
        if (check == ServerSql::RecordStillThere)
            server.addBindValue(anchor); // or removed by an owner since
        if (!exec(server, true) || !server.next())
            return serverFailed(server), std::optional<bool>();
        return std::optional<bool>(server.value(0).toBool());
    };
    std::vector<std::tuple<QString, qsizetype, ServerSql>> checks{
        {QStringLiteral("records"), 1, ServerSql::RecordStillThere},
        {QStringLiteral("removed"), 1, ServerSql::RemovedStillThere},
        {kAssets.name, 1, kAssets.statements.stillThere},
        {kRules.name, 1, kRules.statements.stillThere}};
    for (const ChangeTable* table : kJobChanges)
        if (travels(table->name, 3))
            checks.emplace_back(table->name, table->keys.size(), table->statements.stillThere);
    for (const UnionTable* table : kJobParts)
        if (travels(table->name, 3))
            checks.emplace_back(table->name, table->keys.size(), table->statements.stillThere);
    for (const auto& [subject, keys, check] : checks) {
        const std::optional<bool> there = stillThere(subject, keys, check);
        if (!there)
            return false;
        if (!*there)
            return recover();
    }
    return true;
}

bool Session::recover() {
    // Another server, or this one gone back to an earlier state: everything is sent again (the
    // server takes nothing twice) and taken again from the start (nor does the laptop).
    m_counts.recovered = true;
    if (!m_archive.begin())
        return localTransactionFailed();
    std::vector<ArchiveSql> statements{ArchiveSql::SendRecordsAgain, kAssets.statements.sendAgain,
                                       kRules.statements.sendAgain};
    for (const ChangeTable* table : kJobChanges)
        if (m_localTables.contains(table->name))
            statements.push_back(table->statements.sendAgain);
    for (const UnionTable* table : kJobParts)
        if (m_localTables.contains(table->name))
            statements.push_back(table->statements.sendAgain);
    statements.push_back(ArchiveSql::ForgetSyncPositions);
    statements.push_back(ArchiveSql::SetSyncServer);
    for (const ArchiveSql statement : statements) {
        QSqlQuery query = m_archive.statement(statement);
        if (statement == ArchiveSql::ForgetSyncPositions || statement == ArchiveSql::SetSyncServer)
            query.addBindValue(m_serverId);
        if (!query.exec()) {
            m_archive.rollback();
            return localFailed(query);
        }
    }
    writeLog(QStringLiteral("recovered"), m_serverLabel,
             QCoreApplication::translate(
                 "SyncSession",
                 "服务器不是上次同步的那一台，或已恢复到较早的状态：本机的记录和修改全部重新上传"
                 "（服务器缺少的才会收下），服务器的内容从头取回。"));
    if (!m_archive.commit())
        return localTransactionFailed();
    return true;
}

bool Session::readCursor(const QString& subject, qint64& seq, QString& anchor) {
    QSqlQuery query = m_archive.statement(ArchiveSql::SyncPosition);
    query.addBindValue(m_serverId);
    query.addBindValue(subject);
    if (!exec(query, false))
        return false;
    const bool found = query.next();
    seq = found ? query.value(0).toLongLong() : 0;
    anchor = found ? query.value(1).toString() : QString();
    return true;
}

bool Session::writeCursor(const QString& subject, qint64 seq, const QString& anchor) {
    QSqlQuery query = m_archive.statement(ArchiveSql::WriteSyncPosition);
    query.addBindValue(m_serverId);
    query.addBindValue(subject);
    query.addBindValue(seq);
    query.addBindValue(anchor);
    if (!exec(query, false))
        return false;
    // The archive's own note of how far the pull has come, by change number.
    ArchiveSql note;
    if (subject == QLatin1String("records"))
        note = ArchiveSql::SetSyncStateRecordsSeq;
    else if (subject == kAssets.name)
        note = ArchiveSql::SetSyncStateAssetsSeq;
    else if (subject == kRules.name)
        note = ArchiveSql::SetSyncStateRulesSeq;
    else
        return true;
    QSqlQuery add = m_archive.statement(ArchiveSql::AddSyncState);
    add.addBindValue(m_serverLabel);
    if (!exec(add, false))
        return false;
    QSqlQuery update = m_archive.statement(note);
    update.addBindValue(seq);
    update.addBindValue(m_serverLabel);
    return exec(update, false);
}

bool Session::countWork() {
    if (m_canWrite) {
        std::vector<ArchiveSql> counts{ArchiveSql::RecordsToPushCount, kAssets.statements.toPushCount,
                                       kRules.statements.toPushCount};
        for (const ChangeTable* table : kJobChanges)
            if (travels(table->name, table->since))
                counts.push_back(table->statements.toPushCount);
        for (const UnionTable* table : kJobParts)
            if (travels(table->name, table->since))
                counts.push_back(table->statements.toPushCount);
        for (const ArchiveSql count : counts) {
            QSqlQuery local = m_archive.statement(count);
            if (!local.exec() || !local.next())
                return localFailed(local);
            m_total += local.value(0).toLongLong();
        }
    }
    std::vector<std::pair<QString, ServerSql>> subjects(std::cbegin(kSubjects), std::cend(kSubjects));
    for (const ChangeTable* table : kJobChanges)
        if (travels(table->name, table->since))
            subjects.emplace_back(table->name, table->statements.countAfter);
    for (const UnionTable* table : kJobParts)
        if (travels(table->name, table->since))
            subjects.emplace_back(table->name, table->statements.countAfter);
    for (const auto& [subject, count] : subjects) {
        qint64 seq = 0;
        QString anchor;
        if (!readCursor(subject, seq, anchor))
            return false;
        QSqlQuery server = ServerStatement(m_server, count);
        server.addBindValue(seq);
        if (!exec(server, true) || !server.next())
            return serverFailed(server);
        m_total += server.value(0).toLongLong();
    }
    advance(0);
    return true;
}

void Session::logOverwritten(const ChangeTable& table, const ChangeRow& mine, const ChangeRow& theirs) {
    // What nobody chose is no one's loss.
    if (mine.unchosen())
        return;
    ++m_counts.overwritten;
    QStringList before;
    for (qsizetype i = 0; i < table.values.size() && i < mine.values.size(); ++i) {
        if (mine.values[i] != theirs.values.value(i))
            before << QStringLiteral("%1=%2").arg(table.values[i], mine.values[i].toString());
    }
    writeLog(QStringLiteral("overwritten"),
             QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(mine.key)),
             QCoreApplication::translate("SyncSession", "%1 于 %2 的修改（%3）被 %4 于 %5 的修改覆盖")
                 .arg(mine.changedBy, ChangeText(mine.changedMs),
                      before.join(QCoreApplication::translate("SyncSession", "，")), theirs.changedBy,
                      ChangeText(theirs.changedMs)));
}

void Session::logRefused(const QString& subject, const QString& why) {
    ++m_counts.refused;
    writeLog(QStringLiteral("refused"), subject,
             QCoreApplication::translate("SyncSession", "服务器拒收，已搁置（其余照常上传）：%1")
                 .arg(why.trimmed()));
}

void Session::writeLog(const QString& kind, const QString& subject, const QString& message) {
    QSqlQuery query = m_archive.statement(ArchiveSql::AddSyncLog);
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    query.addBindValue(kind);
    query.addBindValue(subject);
    query.addBindValue(message);
    query.exec();
}

SyncOutcome Session::run() {
    const auto pushJobs = [this] {
        for (const ChangeTable* table : {&kInstruments, &kIntervals})
            if (!pushChanges(*table, m_counts.jobsUp))
                return false;
        for (const UnionTable* table : {&kJobAssets, &kJobRecords, &kJobVerdicts})
            if (!pushUnion(*table, m_counts.jobsUp))
                return false;
        return pushChanges(kJobs, m_counts.jobsUp) && pushUnion(kAudit, m_counts.jobsUp);
    };
    const auto pullJobs = [this] {
        for (const ChangeTable* table : kJobChanges)
            if (!pullChanges(*table, m_counts.jobsDown))
                return false;
        for (const UnionTable* table : kJobParts)
            if (!pullUnion(*table, m_counts.jobsDown))
                return false;
        return pullLaptopNames();
    };
    const bool ok = prepareLocal() && readServer() && countWork() &&
                    (!m_canWrite || (pushRecords() && pushChanges(kAssets, m_counts.assetsUp) &&
                                     pushChanges(kRules, m_counts.rulesUp) && pushJobs())) &&
                    pullRecords() && pullRemoved() && pullChanges(kAssets, m_counts.assetsDown) &&
                    pullChanges(kRules, m_counts.rulesDown) && pullJobs();
    SyncReport outcome;
    outcome.counts = m_counts;
    outcome.readOnlyAccount = !m_canWrite;
    const SyncCounts& c = m_counts;
    QString summary = QCoreApplication::translate(
                          "SyncSession", "上传记录 %1 条，取回记录 %2 条；台账上传 %3 行，取回 %4 行；"
                                         "判据上传 %5 行，取回 %6 行；被覆盖的修改 %7 处。")
                          .arg(c.recordsUp)
                          .arg(c.recordsDown)
                          .arg(c.assetsUp)
                          .arg(c.assetsDown)
                          .arg(c.rulesUp)
                          .arg(c.rulesDown)
                          .arg(c.overwritten);
    if (c.jobsUp + c.jobsDown > 0)
        summary += QCoreApplication::translate("SyncSession",
                                               "试验任务、仪器、试验周期和审计记录上传 %1 行，取回 %2 行。")
                       .arg(c.jobsUp)
                       .arg(c.jobsDown);
    if (c.removed > 0)
        summary += QCoreApplication::translate("SyncSession", "按服务器删除记录 %1 条。").arg(c.removed);
    if (c.refused > 0)
        summary += QCoreApplication::translate("SyncSession",
                                               "服务器拒收 %1 行，已搁置，其余照常上传（详见同步记录）。")
                       .arg(c.refused);
    if (c.recovered)
        summary += QCoreApplication::translate("SyncSession",
                                               "服务器已更换或恢复到较早的状态，本机已重新上传并从头取回。");
    if (ok) {
        outcome.message = QCoreApplication::translate("SyncSession", "同步完成：") + summary;
        if (!m_canWrite)
            outcome.message +=
                QCoreApplication::translate("SyncSession", "（只读账户，本机的记录和修改未上传）");
        const bool moved = c.recordsUp + c.recordsDown + c.assetsUp + c.assetsDown + c.rulesUp + c.rulesDown +
                               c.jobsUp + c.jobsDown + c.overwritten + c.refused + c.removed >
                           0;
        if (moved)
            writeLog(QStringLiteral("done"), m_serverLabel, outcome.message);
        return outcome;
    }
    const FailureKind kind = m_failure->kind;
    if (kind != FailureKind::Io && m_archive.writable() && !m_laptopId.isEmpty())
        writeLog(kind == FailureKind::Cancelled ? QStringLiteral("done") : QStringLiteral("error"),
                 m_serverLabel,
                 m_failure->message + QCoreApplication::translate("SyncSession", " 此前已完成：") + summary);
    return Outcome::Failure(kind, m_failure->message, m_failure->detail);
}

} // namespace SyncDetail
