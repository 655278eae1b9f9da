// Register rows and rules: the newer change wins on both sides; a local change overwritten is logged.
#include "archive/sync/SyncSession.h"

#include "archive/sync/ServerSchema.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>
#include <vector>

namespace SyncDetail {

// A pushed row marked in the archive as the server made of it (refused, kept its newer row, took
// it otherwise than sent, took it as sent), each matching the row only as it was sent: an edit
// made while the sync ran stays to be pushed.
struct PushMarks {
    QSqlQuery refused;
    QSqlQuery fromServer;
    QSqlQuery asServerTookIt;
    QSqlQuery pushed;
};

// A page of local changes on its way, and what the server made of each row.
struct PushPage {
    std::vector<ChangeRow> rows;
    std::vector<QString> changedAtTexts; // as the archive holds them, to match the rows again
    std::vector<bool> sentBefore;        // to a server that lost it: no one's change was lost
    std::vector<std::optional<ChangeRow>> newer;
    std::vector<bool> kept;
    std::vector<qint64> storedMs; // the time the server kept (its clock caps it)
    std::vector<bool> refused;
    qint64 taken = 0;
};

namespace {

// Whether the server holds the row otherwise than it was sent: a U+0000 it could not hold, or
// its clock capped the change time.
bool Altered(const PushPage& page, size_t i) {
    return std::any_of(page.rows[i].key.cbegin(), page.rows[i].key.cend(),
                       [](const QString& part) { return part.contains(QChar(0)); }) ||
           std::any_of(page.rows[i].values.cbegin(), page.rows[i].values.cend(),
                       [](const QVariant& value) { return value.toString().contains(QChar(0)); }) ||
           (page.storedMs[i] != 0 && page.storedMs[i] != page.rows[i].changedMs);
}

} // namespace

bool Session::pushChanges(const ChangeTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    while (!cancelled()) {
        PushPage page;
        if (!readPushPage(table, page))
            return false;
        if (page.rows.empty())
            return true;
        if (!sendPushPage(table, page) || !markPushed(table, page))
            return false;
        counter += page.taken;
        advance(qint64(page.rows.size()));
    }
    return false;
}

bool Session::readPushPage(const ChangeTable& table, PushPage& page) {
    const qsizetype keys = table.keys.size();
    QSqlQuery local = m_archive.statement(table.statements.toPush);
    local.addBindValue(m_pageRows);
    if (!local.exec())
        return localFailed(local);
    const int after = int(keys + table.values.size());
    while (local.next()) {
        ChangeRow row;
        for (qsizetype i = 0; i < keys; ++i)
            row.key << local.value(int(i)).toString();
        for (qsizetype i = 0; i < table.values.size(); ++i)
            row.values << local.value(int(keys + i));
        page.changedAtTexts.push_back(local.value(after).toString());
        row.changedMs = ChangeMs(page.changedAtTexts.back());
        row.changedBy = local.value(after + 1).toString();
        page.sentBefore.push_back(local.value(after + 2).toInt() == 2);
        page.rows.push_back(std::move(row));
    }
    local.finish();
    return true;
}

// The server keeps the newer of its row and ours; where its row is newer, ours was overwritten
// and the laptop takes the server's. A row the server refuses is set aside (behind its savepoint)
// and the others go on; a change to a revision the server holds approved loses to it, whatever
// its time.
bool Session::sendPushPage(const ChangeTable& table, PushPage& page) {
    page.newer.resize(page.rows.size());
    page.kept.assign(page.rows.size(), false);
    page.storedMs.assign(page.rows.size(), 0);
    page.refused.assign(page.rows.size(), false);
    if (!m_server.transaction())
        return lostServer();
    QSqlQuery server = ServerStatement(m_server, table.statements.upsert);
    if (server.lastError().isValid()) {
        const QSqlError error = server.lastError();
        m_server.rollback();
        return serverFailed(error);
    }
    QSqlQuery current = ServerStatement(m_server, table.statements.serverRow);
    if (current.lastError().isValid()) {
        const QSqlError error = current.lastError();
        m_server.rollback();
        return serverFailed(error);
    }
    QSqlQuery savepoint(m_server);
    for (size_t i = 0; i < page.rows.size(); ++i)
        if (!sendPushRow(table, server, current, savepoint, page, i))
            return false;
    if (!m_server.commit())
        return lostServer();
    return true;
}

bool Session::sendPushRow(const ChangeTable& table, QSqlQuery& server, QSqlQuery& current,
                          QSqlQuery& savepoint, PushPage& page, size_t i) {
    const ChangeRow& row = page.rows[i];
    if (!savepoint.exec(ServerSqlText(ServerSql::SavepointRow))) {
        m_server.rollback();
        return serverFailed(savepoint);
    }
    for (const QString& part : row.key)
        server.addBindValue(ServerText(part));
    for (const QVariant& value : row.values)
        server.addBindValue(ServerText(value.toString()));
    server.addBindValue(row.changedMs);
    server.addBindValue(row.changedBy);
    bool stored = false;
    if (!server.exec()) {
        const QSqlError error = server.lastError();
        if (!RowRefused(error) || !savepoint.exec(ServerSqlText(ServerSql::RollbackToRow))) {
            m_server.rollback();
            return serverFailed(error);
        }
        if (error.nativeErrorCode() != kApprovedKept) {
            page.refused[i] = true;
            logRefused(QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(row.key).left(40)),
                       QCoreApplication::translate("SyncChanges", "%1 个字符：%2")
                           .arg(KeyShown(row.key).size())
                           .arg(error.databaseText()));
            return true;
        }
        page.kept[i] = true;
        logRefused(QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(row.key).left(40)),
                   QCoreApplication::translate("SyncChanges",
                                               "已批准的版本不能修改，本机的修改作废，以服务器上的为准（%1）")
                       .arg(error.databaseText()));
    } else {
        stored = server.next();
    }
    if (stored)
        page.storedMs[i] = server.value(0).toLongLong();
    // Released at once: a transaction with many open savepoints slows every session.
    if (!savepoint.exec(ServerSqlText(ServerSql::ReleaseRow))) {
        m_server.rollback();
        return serverFailed(savepoint);
    }
    if (stored) {
        ++page.taken;
        return true;
    }
    for (const QString& part : row.key)
        current.addBindValue(ServerText(part));
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
    if (page.kept[i] || theirs.newerThan(row))
        page.newer[i] = std::move(theirs);
    return true;
}

bool Session::markPushed(const ChangeTable& table, const PushPage& page) {
    if (!beginLocal())
        return false;
    PushMarks marks{m_archive.statement(table.statements.markRefused),
                    m_archive.statement(table.statements.fromServer),
                    m_archive.statement(table.statements.asServerTookIt),
                    m_archive.statement(table.statements.markPushed)};
    for (size_t i = 0; i < page.rows.size(); ++i)
        if (!markPushedRow(table, marks, page, i))
            return false;
    return commitLocal();
}

bool Session::markPushedRow(const ChangeTable& table, PushMarks& marks, const PushPage& page, size_t i) {
    const std::optional<ChangeRow>& newer = page.newer[i];
    const auto bindMatch = [&](QSqlQuery& query) {
        for (const QString& part : page.rows[i].key)
            query.addBindValue(part);
        query.addBindValue(page.changedAtTexts[i]);
        query.addBindValue(page.rows[i].changedBy);
    };
    QSqlQuery* local = &marks.pushed;
    if (page.refused[i]) {
        local = &marks.refused;
    } else if (newer) {
        local = &marks.fromServer;
        for (const QVariant& value : newer->values)
            local->addBindValue(value.toString());
        local->addBindValue(ChangeText(newer->changedMs));
        local->addBindValue(newer->changedBy);
    } else if (Altered(page, i)) {
        // The row as the server took it, so that the pull finds it the same row.
        local = &marks.asServerTookIt;
        for (const QString& part : page.rows[i].key)
            local->addBindValue(ServerText(part));
        for (const QVariant& value : page.rows[i].values)
            local->addBindValue(ServerText(value.toString()));
        local->addBindValue(page.storedMs[i] != 0 ? ChangeText(page.storedMs[i]) : page.changedAtTexts[i]);
    }
    bindMatch(*local);
    if (!local->exec() && page.kept[i] && LocalRowRefused(local->lastError())) {
        // This archive keeps its own approved copy: it is set aside, not sent again.
        bindMatch(marks.refused);
        if (!exec(marks.refused, false)) {
            m_archive.rollback();
            return false;
        }
        return true;
    }
    if (local->lastError().isValid()) {
        m_archive.rollback();
        return localFailed(*local);
    }
    if (newer && local->numRowsAffected() > 0 && !page.sentBefore[i])
        logOverwritten(table, page.rows[i], *newer);
    return true;
}

// A table's pull in the archive: our row, our row written as the server's, and our row marked
// as the server holds it.
struct PullStatements {
    QSqlQuery row;
    QSqlQuery write;
    QSqlQuery confirm;
};

namespace {

// The server's row of a pull's page (after its change number).
ChangeRow ServerChangeRow(const QSqlQuery& server, const ChangeTable& table) {
    const qsizetype keys = table.keys.size();
    ChangeRow theirs;
    for (qsizetype i = 0; i < keys; ++i)
        theirs.key << server.value(int(i) + 1).toString();
    const int after = int(keys + table.values.size()) + 1;
    for (qsizetype i = 0; i < table.values.size(); ++i)
        theirs.values << server.value(int(keys + i) + 1).toString();
    theirs.changedMs = server.value(after).toLongLong();
    theirs.changedBy = server.value(after + 1).toString();
    return theirs;
}

} // namespace

bool Session::pullChanges(const ChangeTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    qint64 seq = 0;
    QString anchor;
    if (!readCursor(table.name, seq, anchor))
        return false;
    while (!cancelled()) {
        QSqlQuery server = ServerStatement(m_server, table.statements.after);
        server.addBindValue(seq);
        server.addBindValue(m_pageRows);
        if (!exec(server, true))
            return false;
        if (!beginLocal())
            return false;
        PullStatements local{m_archive.statement(table.statements.local),
                             m_archive.statement(table.statements.write),
                             m_archive.statement(table.statements.confirm)};
        qint64 rows = 0;
        while (server.next()) {
            seq = server.value(0).toLongLong();
            ++rows;
            const ChangeRow theirs = ServerChangeRow(server, table);
            anchor = KeyText(theirs.key);
            if (!pullChangeRow(table, local, theirs, counter))
                return false;
        }
        if (const std::optional<bool> ended = endPulledPage(server, table.name, rows, seq, anchor))
            return *ended;
    }
    return false;
}

bool Session::pullChangeRow(const ChangeTable& table, PullStatements& local, const ChangeRow& theirs,
                            qint64& counter) {
    QSqlQuery& row = local.row;
    for (const QString& part : std::as_const(theirs.key))
        row.addBindValue(part);
    if (!row.exec()) {
        m_archive.rollback();
        return localFailed(row);
    }
    std::optional<ChangeRow> mine;
    bool minePushed = true;
    if (row.next()) {
        mine.emplace();
        mine->key = theirs.key;
        for (qsizetype i = 0; i < table.values.size(); ++i)
            mine->values << row.value(int(i)).toString();
        mine->changedMs = ChangeMs(row.value(int(table.values.size())).toString());
        mine->changedBy = row.value(int(table.values.size()) + 1).toString();
        minePushed = row.value(int(table.values.size()) + 2).toInt() == 1;
    }
    row.finish();
    if (mine && !theirs.newerThan(*mine)) {
        // The same change (now known to be on the server), or a newer one of ours still to be pushed.
        if (mine->changedMs == theirs.changedMs && mine->changedBy == theirs.changedBy && !minePushed) {
            QSqlQuery& confirm = local.confirm;
            for (const QString& part : std::as_const(theirs.key))
                confirm.addBindValue(part);
            if (!confirm.exec()) {
                m_archive.rollback();
                return localFailed(confirm);
            }
        }
        return true;
    }
    QSqlQuery& write = local.write;
    for (const QString& part : std::as_const(theirs.key))
        write.addBindValue(part);
    for (const QVariant& value : std::as_const(theirs.values))
        write.addBindValue(value);
    write.addBindValue(ChangeText(theirs.changedMs));
    write.addBindValue(theirs.changedBy);
    if (!write.exec()) {
        if (!LocalRowRefused(write.lastError())) {
            m_archive.rollback();
            return localFailed(write);
        }
        // The archive keeps its row (an approved job of its own, an instrument's serial number
        // that another one holds here): told, and the others go on.
        writeLog(QStringLiteral("refused"),
                 QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(theirs.key)),
                 QCoreApplication::translate("SyncChanges", "本机记录库未收下服务器上的这一行：%1")
                     .arg(write.lastError().databaseText().trimmed()));
        ++m_counts.refused;
        return true;
    }
    ++counter;
    if (mine && mine->values != theirs.values && (!minePushed || mine->changedBy == m_laptopId))
        logOverwritten(table, *mine, theirs);
    return true;
}

} // namespace SyncDetail
