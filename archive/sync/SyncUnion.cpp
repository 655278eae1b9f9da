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
    if (!m_archive.begin())
        return localTransactionFailed();
    QSqlQuery query = m_archive.statement(ArchiveSql::SyncWritingOn);
    if (!query.exec()) {
        m_archive.rollback();
        return localFailed(query);
    }
    return true;
}

bool Session::commitLocal() {
    QSqlQuery query = m_archive.statement(ArchiveSql::SyncWritingOff);
    if (!query.exec()) {
        m_archive.rollback();
        return localFailed(query);
    }
    if (!m_archive.commit())
        return localTransactionFailed();
    return true;
}

std::optional<bool> Session::endPulledPage(const QSqlQuery& server, const QString& subject, qint64 rows,
                                           qint64 seq, const QString& anchor) {
    if (server.lastError().isValid()) {
        m_archive.rollback();
        return serverFailed(server);
    }
    if (rows == 0) {
        m_archive.rollback();
        return true;
    }
    if (!writeCursor(subject, seq, anchor) || !commitLocal()) {
        m_archive.rollback();
        return false;
    }
    advance(rows);
    return std::nullopt;
}

bool Session::pushUnion(const UnionTable& table, qint64& counter) {
    if (!travels(table.name, table.since))
        return true;
    const QStringList& columns = table.columns;
    while (!cancelled()) {
        QSqlQuery local = m_archive.statement(table.statements.toPush);
        local.addBindValue(m_pageRows);
        if (!local.exec())
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
            insertPage(table.statements.insert, page, [&](qsizetype i, const QSqlError& error) {
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

        if (!m_archive.begin())
            return localTransactionFailed();
        QSqlQuery mark = m_archive.statement(table.statements.markPushed);
        for (size_t i = 0; i < keys.size(); ++i) {
            mark.addBindValue(refused[i] ? -1 : 1);
            for (const QString& part : keys[i])
                mark.addBindValue(part);
            if (!exec(mark, false)) {
                m_archive.rollback();
                return false;
            }
        }
        if (!m_archive.commit())
            return localTransactionFailed();
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
    const QStringList& columns = table.columns;
    while (!cancelled()) {
        QSqlQuery server = ServerStatement(m_server, table.statements.after);
        server.addBindValue(seq);
        server.addBindValue(m_pageRows);
        if (!exec(server, true))
            return false;
        if (!beginLocal())
            return false;
        QSqlQuery local = m_archive.statement(table.statements.take);
        if (local.lastError().isValid()) {
            m_archive.rollback();
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
                m_archive.rollback();
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
    QSqlQuery query = ServerStatement(m_server, ServerSql::NameLaptop);
    query.addBindValue(ServerText(m_laptopId));
    query.addBindValue(ServerText(QSysInfo::machineHostName()));
    query.addBindValue(
        ServerText(user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER")));
    return exec(query, true);
}

bool Session::pullLaptopNames() {
    if (!travels(QStringLiteral("laptops"), 3))
        return true;
    QSqlQuery server = ServerStatement(m_server, ServerSql::LaptopNames);
    if (!exec(server, true))
        return false;
    if (!m_archive.begin())
        return localTransactionFailed();
    QSqlQuery local = m_archive.statement(ArchiveSql::TakeLaptopName);
    while (server.next()) {
        for (int i = 0; i < 3; ++i)
            local.addBindValue(server.value(i).toString());
        if (!local.exec()) {
            m_archive.rollback();
            return localFailed(local);
        }
    }
    if (server.lastError().isValid()) {
        m_archive.rollback();
        return serverFailed(server);
    }
    if (!m_archive.commit())
        return localTransactionFailed();
    return true;
}

} // namespace SyncDetail
