// Rows only ever added (the parts of job revisions, the audit trail): pushed in pages and merged
// by key, pulled in the order of their change numbers. And the laptops' names.
#include "archive/sync/SyncSession.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QSqlError>
#include <QSysInfo>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace SyncDetail {

bool Session::travels(const QString& table, int since) const {
    return m_serverVersion >= since && m_localTables.contains(table);
}

bool Session::beginLocal() {
    if (!m_local.transaction())
        return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
    QSqlQuery query(m_local);
    if (!query.exec(
            QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('sync_writing', '1')"))) {
        m_local.rollback();
        return localFailed(query);
    }
    return true;
}

bool Session::commitLocal() {
    QSqlQuery query(m_local);
    if (!query.exec(QStringLiteral("DELETE FROM meta WHERE key = 'sync_writing'"))) {
        m_local.rollback();
        return localFailed(query);
    }
    if (!m_local.commit())
        return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
    return true;
}

std::optional<bool> Session::endPulledPage(const QSqlQuery& server, const QString& subject, qint64 rows,
                                           qint64 seq, const QString& anchor) {
    if (server.lastError().isValid()) {
        m_local.rollback();
        return serverFailed(server);
    }
    if (rows == 0) {
        m_local.rollback();
        return true;
    }
    if (!writeCursor(subject, seq, anchor) || !commitLocal()) {
        m_local.rollback();
        return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
    }
    advance(rows);
    return std::nullopt;
}

bool Session::pushUnion(const UnionTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    const QStringList columns = table.columns();
    const QString select = QStringLiteral("SELECT %1 FROM %2 WHERE pushed = 0 LIMIT %3")
                               .arg(columns.join(QStringLiteral(", ")), table.name)
                               .arg(m_pageRows);
    // A whole page is one parameter: a JSON array of rows, read back into rows by the server.
    const QString insert =
        QStringLiteral("INSERT INTO ohmara.%1 (%2) SELECT %2"
                       " FROM jsonb_to_recordset(CAST(? AS jsonb)) AS r(%3)"
                       " ON CONFLICT (%4) DO NOTHING")
            .arg(table.name, columns.join(QStringLiteral(", ")), table.columnTypes.join(QStringLiteral(", ")),
                 table.keys.join(QStringLiteral(", ")));
    QStringList keyMatch;
    for (const QString& key : table.keys)
        keyMatch << key + QStringLiteral(" = ?");
    const QString mark = QStringLiteral("UPDATE %1 SET pushed = ? WHERE %2")
                             .arg(table.name, keyMatch.join(QStringLiteral(" AND ")));
    while (!cancelled()) {
        QSqlQuery local(m_local);
        local.setForwardOnly(true);
        if (!local.exec(select))
            return localFailed(local);
        QJsonArray page;
        std::vector<QStringList> keys;
        while (local.next()) {
            QJsonObject row;
            QStringList key;
            for (qsizetype i = 0; i < columns.size(); ++i) {
                const QVariant value = local.value(int(i));
                row.insert(columns[i], value.typeId() == QMetaType::QString
                                           ? QJsonValue(ServerText(value.toString()))
                                           : QJsonValue::fromVariant(value));
                if (table.keys.contains(columns[i]))
                    key << value.toString();
            }
            keys.push_back(key);
            page.append(row);
        }
        local.finish();
        if (page.isEmpty())
            return true;

        // The page in one server transaction; a row the server refuses for what it holds (a part of a
        // revision it holds approved) is set aside, and the others go.
        std::vector<bool> refused(keys.size(), false);
        const std::optional<qint64> added =
            insertPage(insert, page, [&](qsizetype i, const QSqlError& error) {
                refused[size_t(i)] = true;
                logRefused(
                    QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(keys[size_t(i)]).left(80)),
                    error.nativeErrorCode() == kApprovedKept
                        ? QCoreApplication::translate("SyncUnion", "已批准的版本不能修改（%1）")
                              .arg(error.databaseText())
                        : error.databaseText());
            });
        if (!added)
            return false;

        if (!m_local.transaction())
            return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
        local.prepare(mark);
        for (size_t i = 0; i < keys.size(); ++i) {
            local.addBindValue(refused[i] ? -1 : 1);
            for (const QString& part : keys[i])
                local.addBindValue(part);
            if (!exec(local, false)) {
                m_local.rollback();
                return false;
            }
        }
        if (!m_local.commit())
            return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
        counter += *added;
        advance(qint64(keys.size()));
    }
    return false;
}

bool Session::pullUnion(const UnionTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    qint64 seq = 0;
    QString anchor;
    if (!readCursor(table.name, seq, anchor))
        return false;
    const QStringList columns = table.columns();
    const QString select = QStringLiteral("SELECT seq, %1 FROM ohmara.%2 WHERE seq > ? ORDER BY seq LIMIT %3")
                               .arg(columns.join(QStringLiteral(", ")), table.name)
                               .arg(m_pageRows);
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2, pushed) VALUES (%3, 1)"
                       " ON CONFLICT (%4) DO UPDATE SET pushed = 1 WHERE pushed <> 1")
            .arg(table.name, columns.join(QStringLiteral(", ")),
                 QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")),
                 table.keys.join(QStringLiteral(", ")));
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
        if (!local.prepare(insert)) {
            m_local.rollback();
            return localFailed(local);
        }
        qint64 rows = 0;
        while (server.next()) {
            seq = server.value(0).toLongLong();
            ++rows;
            QStringList key;
            for (qsizetype i = 0; i < columns.size(); ++i) {
                local.bindValue(int(i), server.value(int(i) + 1));
                if (table.keys.contains(columns[i]))
                    key << server.value(int(i) + 1).toString();
            }
            anchor = KeyText(key);
            if (local.exec()) {
                counter += local.numRowsAffected() > 0 ? 1 : 0;
                continue;
            }
            if (!LocalRowRefused(local.lastError())) {
                m_local.rollback();
                return localFailed(local);
            }
            writeLog(QStringLiteral("refused"),
                     QStringLiteral("%1 %2").arg(table.subjectText(), KeyShown(key)),
                     QCoreApplication::translate("SyncUnion", "本机记录库未收下服务器上的这一行：%1")
                         .arg(local.lastError().databaseText().trimmed()));
            ++m_counts.refused;
        }
        if (const std::optional<bool> ended = endPulledPage(server, table.name, rows, seq, anchor))
            return *ended;
    }
    return false;
}

bool Session::nameLaptop() {
    if (m_serverVersion < 3)
        return true;
    const passwd* user = ::getpwuid(::geteuid());
    QSqlQuery query(m_server);
    query.prepare(QStringLiteral("SELECT ohmara.name_laptop(?, ?, ?)"));
    query.addBindValue(ServerText(m_laptopId));
    query.addBindValue(ServerText(QSysInfo::machineHostName()));
    query.addBindValue(
        ServerText(user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER")));
    return exec(query, true);
}

bool Session::pullLaptopNames() {
    if (!travels(QStringLiteral("laptops"), 3))
        return true;
    QSqlQuery server(m_server);
    server.setForwardOnly(true);
    if (!server.exec(QStringLiteral("SELECT laptop_id, host, os_user FROM ohmara.laptops")))
        return serverFailed(server);
    if (!m_local.transaction())
        return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
    QSqlQuery local(m_local);
    local.prepare(QStringLiteral("INSERT INTO laptops (laptop_id, host, os_user) VALUES (?, ?, ?)"
                                 " ON CONFLICT (laptop_id) DO UPDATE SET host = excluded.host,"
                                 " os_user = excluded.os_user"
                                 " WHERE host <> excluded.host OR os_user <> excluded.os_user"));
    while (server.next()) {
        for (int i = 0; i < 3; ++i)
            local.addBindValue(server.value(i).toString());
        if (!local.exec()) {
            m_local.rollback();
            return localFailed(local);
        }
    }
    if (server.lastError().isValid()) {
        m_local.rollback();
        return serverFailed(server);
    }
    if (!m_local.commit())
        return fail(FailureKind::Io, m_local.lastError().text(), m_local.lastError().text());
    return true;
}

} // namespace SyncDetail
