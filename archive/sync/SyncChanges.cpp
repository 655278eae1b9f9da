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

bool Session::pushChanges(const ChangeTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    const qsizetype keys = table.keys.size();
    QStringList keyMatch;
    for (const QString& key : table.keys)
        keyMatch << key + QStringLiteral(" = ?");
    const QString columns =
        (table.keys + table.values + QStringList{QStringLiteral("changed_at"), QStringLiteral("changed_by")})
            .join(QStringLiteral(", "));
    const QString select = QStringLiteral("SELECT %1, pushed FROM %2 WHERE pushed IN (0, 2) LIMIT %3")
                               .arg(columns, table.name)
                               .arg(m_pageRows);
    QStringList placeholders(table.values.size() + keys, QStringLiteral("?"));
    placeholders << kServerTime << QStringLiteral("?");
    QStringList updates;
    for (const QString& column :
         table.values + QStringList{QStringLiteral("changed_at"), QStringLiteral("changed_by")})
        updates << QStringLiteral("%1 = excluded.%1").arg(column);
    const QString upsert =
        QStringLiteral("INSERT INTO ohmara.%1 (%2) VALUES (%3) ON CONFLICT (%4) DO UPDATE SET %5"
                       " WHERE (excluded.changed_at, excluded.changed_by)"
                       " > (ohmara.%1.changed_at, ohmara.%1.changed_by) RETURNING %6")
            .arg(table.name, columns, placeholders.join(QStringLiteral(", ")),
                 table.keys.join(QStringLiteral(", ")), updates.join(QStringLiteral(", ")),
                 ServerMs(QStringLiteral("changed_at")));
    const QString serverRow =
        QStringLiteral("SELECT %1, %2, changed_by FROM ohmara.%3 WHERE %4")
            .arg(table.values.join(QStringLiteral(", ")), ServerMs(QStringLiteral("changed_at")), table.name,
                 keyMatch.join(QStringLiteral(" AND ")));

    while (!cancelled()) {
        QSqlQuery local(m_local);
        local.setForwardOnly(true);
        if (!local.exec(select))
            return localFailed(local);
        std::vector<ChangeRow> page;
        std::vector<QString> changedAtTexts; // as the archive holds them, to match the rows again
        std::vector<bool> sentBefore;        // to a server that lost it: no one's change was lost
        const int after = int(keys + table.values.size());
        while (local.next()) {
            ChangeRow row;
            for (qsizetype i = 0; i < keys; ++i)
                row.key << local.value(int(i)).toString();
            for (qsizetype i = 0; i < table.values.size(); ++i)
                row.values << local.value(int(keys + i));
            changedAtTexts.push_back(local.value(after).toString());
            row.changedMs = ChangeMs(changedAtTexts.back());
            row.changedBy = local.value(after + 1).toString();
            sentBefore.push_back(local.value(after + 2).toInt() == 2);
            page.push_back(std::move(row));
        }
        local.finish();
        if (page.empty())
            return true;

        // The server keeps the newer of its row and ours; where its row is newer, ours was
        // overwritten and the laptop takes the server's. A row the server refuses is set aside
        // (behind its savepoint) and the others go on; a change to a revision the server holds
        // approved loses to it, whatever its time.
        std::vector<std::optional<ChangeRow>> newer(page.size());
        std::vector<bool> kept(page.size(), false);
        std::vector<qint64> storedMs(page.size(), 0); // the time the server kept (its clock caps it)
        std::vector<bool> refused(page.size(), false);
        if (!m_server.transaction())
            return lostServer();
        QSqlQuery server(m_server);
        QSqlQuery current(m_server);
        QSqlQuery savepoint(m_server);
        if (!server.prepare(upsert) || !current.prepare(serverRow)) {
            const QSqlError error = server.lastError().isValid() ? server.lastError() : current.lastError();
            m_server.rollback();
            return serverFailed(error);
        }
        qint64 taken = 0;
        for (size_t i = 0; i < page.size(); ++i) {
            const ChangeRow& row = page[i];
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
                    refused[i] = true;
                    logRefused(QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(row.key).left(40)),
                               QCoreApplication::translate("SyncChanges", "%1 个字符：%2")
                                   .arg(KeyShown(row.key).size())
                                   .arg(error.databaseText()));
                    continue;
                }
                kept[i] = true;
                logRefused(QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(row.key).left(40)),
                           QCoreApplication::translate(
                               "SyncChanges", "已批准的版本不能修改，本机的修改作废，以服务器上的为准（%1）")
                               .arg(error.databaseText()));
            } else {
                stored = server.next();
            }
            if (stored)
                storedMs[i] = server.value(0).toLongLong();
            // Released at once: a transaction with many open savepoints slows every session.
            if (!savepoint.exec(QStringLiteral("RELEASE SAVEPOINT row"))) {
                m_server.rollback();
                return serverFailed(savepoint);
            }
            if (stored) {
                ++taken;
                continue;
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
            if (kept[i] || theirs.newerThan(row))
                newer[i] = std::move(theirs);
        }
        if (!m_server.commit())
            return lostServer();

        if (!beginLocal())
            return false;
        QStringList sets;
        for (const QString& column : table.values)
            sets << column + QStringLiteral(" = ?");
        QStringList keySets;
        for (const QString& key : table.keys)
            keySets << key + QStringLiteral(" = ?");
        // Only the row as it was sent: an edit made while the sync ran stays to be pushed.
        const QString match = QStringLiteral(" WHERE %1 AND changed_at = ? AND changed_by = ?")
                                  .arg(keyMatch.join(QStringLiteral(" AND ")));
        for (size_t i = 0; i < page.size(); ++i) {
            const bool altered =
                std::any_of(page[i].key.cbegin(), page[i].key.cend(),
                            [](const QString& part) { return part.contains(QChar(0)); }) ||
                std::any_of(page[i].values.cbegin(), page[i].values.cend(),
                            [](const QVariant& value) { return value.toString().contains(QChar(0)); }) ||
                (storedMs[i] != 0 && storedMs[i] != page[i].changedMs);
            if (refused[i]) {
                local.prepare(QStringLiteral("UPDATE %1 SET pushed = -1").arg(table.name) + match);
            } else if (newer[i]) {
                local.prepare(QStringLiteral("UPDATE %1 SET %2, changed_at = ?, changed_by = ?, pushed = 1")
                                  .arg(table.name, sets.join(QStringLiteral(", "))) +
                              match);
                for (const QVariant& value : newer[i]->values)
                    local.addBindValue(value.toString());
                local.addBindValue(ChangeText(newer[i]->changedMs));
                local.addBindValue(newer[i]->changedBy);
            } else if (altered) {
                // The row as the server took it, so that the pull finds it the same row.
                local.prepare(QStringLiteral("UPDATE %1 SET %2, %3, changed_at = ?, pushed = 1")
                                  .arg(table.name, keySets.join(QStringLiteral(", ")),
                                       sets.join(QStringLiteral(", "))) +
                              match);
                for (const QString& part : page[i].key)
                    local.addBindValue(ServerText(part));
                for (const QVariant& value : page[i].values)
                    local.addBindValue(ServerText(value.toString()));
                local.addBindValue(storedMs[i] != 0 ? ChangeText(storedMs[i]) : changedAtTexts[i]);
            } else {
                local.prepare(QStringLiteral("UPDATE %1 SET pushed = 1").arg(table.name) + match);
            }
            for (const QString& part : page[i].key)
                local.addBindValue(part);
            local.addBindValue(changedAtTexts[i]);
            local.addBindValue(page[i].changedBy);
            if (!local.exec() && kept[i] && LocalRowRefused(local.lastError())) {
                // This archive keeps its own approved copy: it is set aside, not sent again.
                local.prepare(QStringLiteral("UPDATE %1 SET pushed = -1").arg(table.name) + match);
                for (const QString& part : page[i].key)
                    local.addBindValue(part);
                local.addBindValue(changedAtTexts[i]);
                local.addBindValue(page[i].changedBy);
                if (!exec(local, false)) {
                    m_local.rollback();
                    return false;
                }
                continue;
            }
            if (local.lastError().isValid()) {
                m_local.rollback();
                return localFailed(local);
            }
            if (newer[i] && local.numRowsAffected() > 0 && !sentBefore[i])
                logOverwritten(table, page[i], *newer[i]);
        }
        if (!commitLocal())
            return false;
        counter += taken;
        advance(qint64(page.size()));
    }
    return false;
}

bool Session::pullChanges(const ChangeTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    qint64 seq = 0;
    QString anchor;
    if (!readCursor(table.name, seq, anchor))
        return false;
    const qsizetype keys = table.keys.size();
    QStringList keyMatch;
    for (const QString& key : table.keys)
        keyMatch << key + QStringLiteral(" = ?");
    const QString select =
        QStringLiteral("SELECT seq, %1, %2, %3, changed_by FROM ohmara.%4"
                       " WHERE seq > ? ORDER BY seq LIMIT %5")
            .arg(table.keys.join(QStringLiteral(", ")), table.values.join(QStringLiteral(", ")),
                 ServerMs(QStringLiteral("changed_at")), table.name)
            .arg(m_pageRows);
    const QString localRow =
        QStringLiteral("SELECT %1, changed_at, changed_by, pushed FROM %2 WHERE %3")
            .arg(table.values.join(QStringLiteral(", ")), table.name, keyMatch.join(QStringLiteral(" AND ")));
    QStringList sets;
    for (const QString& column : table.values)
        sets << column + QStringLiteral(" = excluded.") + column;
    const QString write =
        QStringLiteral("INSERT INTO %1 (%2, %3, changed_at, changed_by, pushed) VALUES (%4, 1)"
                       " ON CONFLICT (%2) DO UPDATE SET %5, changed_at = excluded.changed_at,"
                       " changed_by = excluded.changed_by, pushed = 1")
            .arg(table.name, table.keys.join(QStringLiteral(", ")), table.values.join(QStringLiteral(", ")),
                 QStringList(table.values.size() + keys + 2, QStringLiteral("?")).join(QStringLiteral(", ")),
                 sets.join(QStringLiteral(", ")));
    while (!cancelled()) {
        QSqlQuery server(m_server);
        server.setForwardOnly(true);
        if (!server.prepare(select))
            return serverFailed(server);
        server.addBindValue(seq);
        if (!exec(server, true))
            return false;
        if (!beginLocal())
            return false;
        QSqlQuery local(m_local);
        qint64 rows = 0;
        const auto abandon = [&](bool onServer, const QSqlQuery& failed) {
            m_local.rollback();
            return onServer ? serverFailed(failed) : localFailed(failed);
        };
        while (server.next()) {
            seq = server.value(0).toLongLong();
            ++rows;
            ChangeRow theirs;
            for (qsizetype i = 0; i < keys; ++i)
                theirs.key << server.value(int(i) + 1).toString();
            anchor = KeyText(theirs.key);
            const int after = int(keys + table.values.size()) + 1;
            for (qsizetype i = 0; i < table.values.size(); ++i)
                theirs.values << server.value(int(keys + i) + 1).toString();
            theirs.changedMs = server.value(after).toLongLong();
            theirs.changedBy = server.value(after + 1).toString();

            local.prepare(localRow);
            for (const QString& part : std::as_const(theirs.key))
                local.addBindValue(part);
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
                minePushed = local.value(int(table.values.size()) + 2).toInt() == 1;
            }
            local.finish();
            if (mine && !theirs.newerThan(*mine)) {
                // The same change (now known to be on the server), or a newer one of ours still
                // to be pushed.
                if (mine->changedMs == theirs.changedMs && mine->changedBy == theirs.changedBy &&
                    !minePushed) {
                    local.prepare(QStringLiteral("UPDATE %1 SET pushed = 1 WHERE %2")
                                      .arg(table.name, keyMatch.join(QStringLiteral(" AND "))));
                    for (const QString& part : std::as_const(theirs.key))
                        local.addBindValue(part);
                    if (!local.exec())
                        return abandon(false, local);
                }
                continue;
            }
            local.prepare(write);
            for (const QString& part : std::as_const(theirs.key))
                local.addBindValue(part);
            for (const QVariant& value : std::as_const(theirs.values))
                local.addBindValue(value);
            local.addBindValue(ChangeText(theirs.changedMs));
            local.addBindValue(theirs.changedBy);
            if (!local.exec()) {
                if (!LocalRowRefused(local.lastError()))
                    return abandon(false, local);
                // The archive keeps its row (an approved job of its own, an instrument's serial
                // number that another one holds here): told, and the others go on.
                writeLog(QStringLiteral("refused"),
                         QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(theirs.key)),
                         QCoreApplication::translate("SyncChanges", "本机记录库未收下服务器上的这一行：%1")
                             .arg(local.lastError().databaseText().trimmed()));
                ++m_counts.refused;
                continue;
            }
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
        if (!writeCursor(table.name, seq, anchor) || !commitLocal()) {
            m_local.rollback();
            return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
        }
        advance(rows);
    }
    return false;
}

} // namespace SyncDetail
