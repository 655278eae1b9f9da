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

// The statements of a table's push: the local page, the server's upsert and its row, and the
// local row as it was sent.
struct PushStatements {
    QString select;
    QString upsert;
    QString serverRow;
    QString sets;    // "value = ?, ..."
    QString keySets; // "key = ?, ..."
    QString match;
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

PushStatements PushTexts(const ChangeTable& table, int pageRows) {
    const qsizetype keys = table.keys.size();
    QStringList keyMatch;
    for (const QString& key : table.keys)
        keyMatch << key + QStringLiteral(" = ?");
    const QString columns =
        (table.keys + table.values + QStringList{QStringLiteral("changed_at"), QStringLiteral("changed_by")})
            .join(QStringLiteral(", "));
    PushStatements texts;
    texts.select = QStringLiteral("SELECT %1, pushed FROM %2 WHERE pushed IN (0, 2) LIMIT %3")
                       .arg(columns, table.name)
                       .arg(pageRows);
    QStringList placeholders(table.values.size() + keys, QStringLiteral("?"));
    placeholders << kServerTime << QStringLiteral("?");
    QStringList updates;
    for (const QString& column :
         table.values + QStringList{QStringLiteral("changed_at"), QStringLiteral("changed_by")})
        updates << QStringLiteral("%1 = excluded.%1").arg(column);
    texts.upsert = QStringLiteral("INSERT INTO ohmara.%1 (%2) VALUES (%3) ON CONFLICT (%4) DO UPDATE SET %5"
                                  " WHERE (excluded.changed_at, excluded.changed_by)"
                                  " > (ohmara.%1.changed_at, ohmara.%1.changed_by) RETURNING %6")
                       .arg(table.name, columns, placeholders.join(QStringLiteral(", ")),
                            table.keys.join(QStringLiteral(", ")), updates.join(QStringLiteral(", ")),
                            ServerMs(QStringLiteral("changed_at")));
    texts.serverRow =
        QStringLiteral("SELECT %1, %2, changed_by FROM ohmara.%3 WHERE %4")
            .arg(table.values.join(QStringLiteral(", ")), ServerMs(QStringLiteral("changed_at")), table.name,
                 keyMatch.join(QStringLiteral(" AND ")));
    QStringList sets;
    for (const QString& column : table.values)
        sets << column + QStringLiteral(" = ?");
    texts.sets = sets.join(QStringLiteral(", "));
    QStringList keySets;
    for (const QString& key : table.keys)
        keySets << key + QStringLiteral(" = ?");
    texts.keySets = keySets.join(QStringLiteral(", "));
    // Only the row as it was sent: an edit made while the sync ran stays to be pushed.
    texts.match = QStringLiteral(" WHERE %1 AND changed_at = ? AND changed_by = ?")
                      .arg(keyMatch.join(QStringLiteral(" AND ")));
    return texts;
}

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
    const PushStatements texts = PushTexts(table, m_pageRows);
    while (!cancelled()) {
        PushPage page;
        if (!readPushPage(table, texts.select, page))
            return false;
        if (page.rows.empty())
            return true;
        if (!sendPushPage(table, texts, page) || !markPushed(table, texts, page))
            return false;
        counter += page.taken;
        advance(qint64(page.rows.size()));
    }
    return false;
}

bool Session::readPushPage(const ChangeTable& table, const QString& select, PushPage& page) {
    const qsizetype keys = table.keys.size();
    QSqlQuery local(m_local);
    local.setForwardOnly(true);
    if (!local.exec(select))
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
bool Session::sendPushPage(const ChangeTable& table, const PushStatements& texts, PushPage& page) {
    page.newer.resize(page.rows.size());
    page.kept.assign(page.rows.size(), false);
    page.storedMs.assign(page.rows.size(), 0);
    page.refused.assign(page.rows.size(), false);
    if (!m_server.transaction())
        return lostServer();
    QSqlQuery server(m_server);
    QSqlQuery current(m_server);
    QSqlQuery savepoint(m_server);
    if (!server.prepare(texts.upsert) || !current.prepare(texts.serverRow)) {
        const QSqlError error = server.lastError().isValid() ? server.lastError() : current.lastError();
        m_server.rollback();
        return serverFailed(error);
    }
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
    if (!savepoint.exec(QStringLiteral("SAVEPOINT row"))) {
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
        if (!RowRefused(error) || !savepoint.exec(QStringLiteral("ROLLBACK TO SAVEPOINT row"))) {
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
    if (!savepoint.exec(QStringLiteral("RELEASE SAVEPOINT row"))) {
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

bool Session::markPushed(const ChangeTable& table, const PushStatements& texts, const PushPage& page) {
    if (!beginLocal())
        return false;
    QSqlQuery local(m_local);
    local.setForwardOnly(true);
    for (size_t i = 0; i < page.rows.size(); ++i)
        if (!markPushedRow(table, texts, page, i, local))
            return false;
    return commitLocal();
}

bool Session::markPushedRow(const ChangeTable& table, const PushStatements& texts, const PushPage& page,
                            size_t i, QSqlQuery& local) {
    const QString& match = texts.match;
    const std::optional<ChangeRow>& newer = page.newer[i];
    if (page.refused[i]) {
        local.prepare(QStringLiteral("UPDATE %1 SET pushed = -1").arg(table.name) + match);
    } else if (newer) {
        local.prepare(QStringLiteral("UPDATE %1 SET %2, changed_at = ?, changed_by = ?, pushed = 1")
                          .arg(table.name, texts.sets) +
                      match);
        for (const QVariant& value : newer->values)
            local.addBindValue(value.toString());
        local.addBindValue(ChangeText(newer->changedMs));
        local.addBindValue(newer->changedBy);
    } else if (Altered(page, i)) {
        // The row as the server took it, so that the pull finds it the same row.
        local.prepare(QStringLiteral("UPDATE %1 SET %2, %3, changed_at = ?, pushed = 1")
                          .arg(table.name, texts.keySets, texts.sets) +
                      match);
        for (const QString& part : page.rows[i].key)
            local.addBindValue(ServerText(part));
        for (const QVariant& value : page.rows[i].values)
            local.addBindValue(ServerText(value.toString()));
        local.addBindValue(page.storedMs[i] != 0 ? ChangeText(page.storedMs[i]) : page.changedAtTexts[i]);
    } else {
        local.prepare(QStringLiteral("UPDATE %1 SET pushed = 1").arg(table.name) + match);
    }
    for (const QString& part : page.rows[i].key)
        local.addBindValue(part);
    local.addBindValue(page.changedAtTexts[i]);
    local.addBindValue(page.rows[i].changedBy);
    if (!local.exec() && page.kept[i] && LocalRowRefused(local.lastError())) {
        // This archive keeps its own approved copy: it is set aside, not sent again.
        local.prepare(QStringLiteral("UPDATE %1 SET pushed = -1").arg(table.name) + match);
        for (const QString& part : page.rows[i].key)
            local.addBindValue(part);
        local.addBindValue(page.changedAtTexts[i]);
        local.addBindValue(page.rows[i].changedBy);
        if (!exec(local, false)) {
            m_local.rollback();
            return false;
        }
        return true;
    }
    if (local.lastError().isValid()) {
        m_local.rollback();
        return localFailed(local);
    }
    if (newer && local.numRowsAffected() > 0 && !page.sentBefore[i])
        logOverwritten(table, page.rows[i], *newer);
    return true;
}

// The statements of a table's pull: the server's page after a change number, our row, our
// row written as the server's, and our row marked as the server holds it.
struct PullStatements {
    QString select;
    QString localRow;
    QString write;
    QString confirm;
};

namespace {

PullStatements PullTexts(const ChangeTable& table, int pageRows) {
    const qsizetype keys = table.keys.size();
    QStringList keyMatch;
    for (const QString& key : table.keys)
        keyMatch << key + QStringLiteral(" = ?");
    PullStatements texts;
    texts.select = QStringLiteral("SELECT seq, %1, %2, %3, changed_by FROM ohmara.%4"
                                  " WHERE seq > ? ORDER BY seq LIMIT %5")
                       .arg(table.keys.join(QStringLiteral(", ")), table.values.join(QStringLiteral(", ")),
                            ServerMs(QStringLiteral("changed_at")), table.name)
                       .arg(pageRows);
    texts.localRow =
        QStringLiteral("SELECT %1, changed_at, changed_by, pushed FROM %2 WHERE %3")
            .arg(table.values.join(QStringLiteral(", ")), table.name, keyMatch.join(QStringLiteral(" AND ")));
    QStringList sets;
    for (const QString& column : table.values)
        sets << column + QStringLiteral(" = excluded.") + column;
    texts.write =
        QStringLiteral("INSERT INTO %1 (%2, %3, changed_at, changed_by, pushed) VALUES (%4, 1)"
                       " ON CONFLICT (%2) DO UPDATE SET %5, changed_at = excluded.changed_at,"
                       " changed_by = excluded.changed_by, pushed = 1")
            .arg(table.name, table.keys.join(QStringLiteral(", ")), table.values.join(QStringLiteral(", ")),
                 QStringList(table.values.size() + keys + 2, QStringLiteral("?")).join(QStringLiteral(", ")),
                 sets.join(QStringLiteral(", ")));
    texts.confirm = QStringLiteral("UPDATE %1 SET pushed = 1 WHERE %2")
                        .arg(table.name, keyMatch.join(QStringLiteral(" AND ")));
    return texts;
}

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
    const PullStatements texts = PullTexts(table, m_pageRows);
    while (!cancelled()) {
        QSqlQuery server(m_server);
        server.setForwardOnly(true);
        if (!server.prepare(texts.select))
            return serverFailed(server);
        server.addBindValue(seq);
        if (!exec(server, true))
            return false;
        if (!beginLocal())
            return false;
        QSqlQuery local(m_local);
        qint64 rows = 0;
        while (server.next()) {
            seq = server.value(0).toLongLong();
            ++rows;
            const ChangeRow theirs = ServerChangeRow(server, table);
            anchor = KeyText(theirs.key);
            if (!pullChangeRow(table, texts, theirs, local, counter))
                return false;
        }
        if (const std::optional<bool> ended = endPulledPage(server, table.name, rows, seq, anchor))
            return *ended;
    }
    return false;
}

bool Session::pullChangeRow(const ChangeTable& table, const PullStatements& texts, const ChangeRow& theirs,
                            QSqlQuery& local, qint64& counter) {
    local.prepare(texts.localRow);
    for (const QString& part : std::as_const(theirs.key))
        local.addBindValue(part);
    if (!local.exec()) {
        m_local.rollback();
        return localFailed(local);
    }
    std::optional<ChangeRow> mine;
    bool minePushed = true;
    if (local.next()) {
        mine.emplace();
        mine->key = theirs.key;
        for (qsizetype i = 0; i < table.values.size(); ++i)
            mine->values << local.value(int(i)).toString();
        mine->changedMs = ChangeMs(local.value(int(table.values.size())).toString());
        mine->changedBy = local.value(int(table.values.size()) + 1).toString();
        minePushed = local.value(int(table.values.size()) + 2).toInt() == 1;
    }
    local.finish();
    if (mine && !theirs.newerThan(*mine)) {
        // The same change (now known to be on the server), or a newer one of ours still to be pushed.
        if (mine->changedMs == theirs.changedMs && mine->changedBy == theirs.changedBy && !minePushed) {
            local.prepare(texts.confirm);
            for (const QString& part : std::as_const(theirs.key))
                local.addBindValue(part);
            if (!local.exec()) {
                m_local.rollback();
                return localFailed(local);
            }
        }
        return true;
    }
    local.prepare(texts.write);
    for (const QString& part : std::as_const(theirs.key))
        local.addBindValue(part);
    for (const QVariant& value : std::as_const(theirs.values))
        local.addBindValue(value);
    local.addBindValue(ChangeText(theirs.changedMs));
    local.addBindValue(theirs.changedBy);
    if (!local.exec()) {
        if (!LocalRowRefused(local.lastError())) {
            m_local.rollback();
            return localFailed(local);
        }
        // The archive keeps its row (an approved job of its own, an instrument's serial number
        // that another one holds here): told, and the others go on.
        writeLog(QStringLiteral("refused"),
                 QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(theirs.key)),
                 QCoreApplication::translate("SyncChanges", "本机记录库未收下服务器上的这一行：%1")
                     .arg(local.lastError().databaseText().trimmed()));
        ++m_counts.refused;
        return true;
    }
    ++counter;
    if (mine && mine->values != theirs.values && (!minePushed || mine->changedBy == m_laptopId))
        logOverwritten(table, *mine, theirs);
    return true;
}

} // namespace SyncDetail
