// Records: pushed in pages and merged by identity, pulled in the order of their change numbers;
// records an owner removed on the server are removed here too.
#include "archive/sync/SyncSession.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>
#include <vector>

namespace SyncDetail {

namespace {

QString PageText(const QJsonArray& page) {
    return QString::fromUtf8(QJsonDocument(page).toJson(QJsonDocument::Compact));
}

} // namespace

std::optional<qint64>
Session::insertPage(ServerSql insert, const QJsonArray& page,
                    const std::function<void(qsizetype row, const QSqlError& error)>& refusedRow) {
    if (!m_server.transaction()) {
        lostServer();
        return std::nullopt;
    }
    QSqlQuery savepoint(m_server);
    const auto abandon = [&](const QSqlError& error) -> std::optional<qint64> {
        m_server.rollback();
        serverFailed(error);
        return std::nullopt;
    };
    if (!savepoint.exec(ServerSqlText(ServerSql::SavepointPage)))
        return abandon(savepoint.lastError());
    QSqlQuery server = ServerStatement(m_server, insert);
    if (server.lastError().isValid())
        return abandon(server.lastError());
    server.addBindValue(PageText(page));
    qint64 added = 0;
    if (server.exec()) {
        added = std::max(server.numRowsAffected(), 0);
    } else {
        if (!RowRefused(server.lastError()))
            return abandon(server.lastError());
        if (!savepoint.exec(ServerSqlText(ServerSql::RollbackToPage)))
            return abandon(savepoint.lastError());
        for (qsizetype i = 0; i < page.size(); ++i) {
            if (!savepoint.exec(ServerSqlText(ServerSql::SavepointRow)))
                return abandon(savepoint.lastError());
            server.addBindValue(PageText(QJsonArray{page[i]}));
            if (server.exec()) {
                added += std::max(server.numRowsAffected(), 0);
                // Released at once: a transaction with many open savepoints slows every session.
                if (!savepoint.exec(ServerSqlText(ServerSql::ReleaseRow)))
                    return abandon(savepoint.lastError());
                continue;
            }
            const QSqlError error = server.lastError();
            if (!RowRefused(error))
                return abandon(error);
            if (!savepoint.exec(ServerSqlText(ServerSql::RollbackToRow)))
                return abandon(savepoint.lastError());
            refusedRow(i, error);
        }
    }
    if (!m_server.commit()) {
        lostServer();
        return std::nullopt;
    }
    return added;
}

// One page of records: the refused ones are logged and named in refused, the others are taken.
// Returns false (m_failure set, the transaction rolled back) when the page could not go.
bool Session::pushRecordPage(const QJsonArray& page, const QStringList& ids, std::vector<QString>* refused) {
    const std::optional<qint64> added =
        insertPage(ServerSql::InsertRecords, page, [&](qsizetype i, const QSqlError& error) {
            const QJsonObject row = page[i].toObject();
            logRefused(QCoreApplication::translate("SyncRecords", "记录 %1").arg(ids[i]),
                       QCoreApplication::translate("SyncRecords", "设备 %1（%2 个字符），%3：%4")
                           .arg(row.value(QStringLiteral("device")).toString().left(40))
                           .arg(row.value(QStringLiteral("device")).toString().size())
                           .arg(row.value(QStringLiteral("test_time")).toString(), error.databaseText()));
            refused->push_back(ids[i]);
        });
    if (!added)
        return false;
    m_counts.recordsUp += *added;
    return true;
}

bool Session::pushRecords() {
    while (!cancelled()) {
        QSqlQuery local = m_archive.statement(ArchiveSql::RecordsToPush);
        local.addBindValue(m_pageRows);
        if (!local.exec())
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

        std::vector<QString> refused;
        if (!pushRecordPage(page, ids, &refused))
            return false;

        // The server holds the page now; a cut-off before this commit only means the page is sent
        // again next time, and the server takes nothing twice.
        if (!m_archive.begin())
            return localTransactionFailed();
        QSqlQuery mark = m_archive.statement(ArchiveSql::MarkRecordPushed);
        for (const QString& id : std::as_const(ids)) {
            mark.addBindValue(std::find(refused.cbegin(), refused.cend(), id) == refused.cend() ? 1 : -1);
            mark.addBindValue(id);
            if (!exec(mark, false)) {
                m_archive.rollback();
                return false;
            }
        }
        if (!m_archive.commit())
            return localTransactionFailed();
        advance(ids.size());
    }
    return false;
}

bool Session::pullRecords() {
    qint64 seq = 0;
    QString anchor;
    if (!readCursor(QStringLiteral("records"), seq, anchor))
        return false;
    // Pages are fetched one at a time (memory stays bounded) and committed locally several at a
    // time: the archive's indexes are then written once for many pages.
    const qint64 rowsPerCommit = qint64(m_pageRows) * SyncEngine::kPagesPerCommit;
    QSqlQuery server = ServerStatement(m_server, ServerSql::RecordsAfter);
    QSqlQuery local = m_archive.statement(ArchiveSql::TakeRecord);
    bool open = false;
    qint64 uncommitted = 0;
    const auto abandon = [&] {
        if (open)
            m_archive.rollback();
        open = false;
    };
    const auto commit = [&] {
        if (!open || uncommitted == 0) {
            abandon();
            return true;
        }
        open = false;
        if (!writeCursor(QStringLiteral("records"), seq, anchor)) {
            m_archive.rollback();
            return false;
        }
        if (!m_archive.commit())
            return localTransactionFailed();
        advance(uncommitted);
        uncommitted = 0;
        return true;
    };
    if (server.lastError().isValid())
        return serverFailed(server);
    if (local.lastError().isValid())
        return localFailed(local);
    while (true) {
        if (cancelled()) {
            commit(); // what came so far is kept
            return false;
        }
        server.addBindValue(seq);
        server.addBindValue(m_pageRows);
        if (!exec(server, true)) {
            abandon();
            return false;
        }
        if (!open) {
            if (!m_archive.begin())
                return localTransactionFailed();
            open = true;
        }
        qint64 rows = 0;
        while (server.next()) {
            seq = server.value(0).toLongLong();
            anchor = server.value(1).toString();
            for (qsizetype i = 0; i < kRecordColumns.size(); ++i)
                local.bindValue(int(i), server.value(int(i) + 1));
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

bool Session::pullRemoved() {
    qint64 seq = 0;
    QString anchor;
    if (!readCursor(QStringLiteral("removed"), seq, anchor))
        return false;
    QSqlQuery server = ServerStatement(m_server, ServerSql::RemovedAfter);
    if (server.lastError().isValid())
        return serverFailed(server);
    while (!cancelled()) {
        server.addBindValue(seq);
        server.addBindValue(m_pageRows);
        if (!exec(server, true))
            return false;
        if (!m_archive.begin())
            return localTransactionFailed();
        QSqlQuery local = m_archive.statement(ArchiveSql::RemoveRecord);
        qint64 rows = 0;
        while (server.next()) {
            seq = server.value(0).toLongLong();
            anchor = server.value(1).toString();
            ++rows;
            local.addBindValue(anchor);
            if (!local.exec()) {
                m_archive.rollback();
                return localFailed(local);
            }
            if (local.numRowsAffected() <= 0)
                continue;
            ++m_counts.removed;
            writeLog(QStringLiteral("removed"),
                     QCoreApplication::translate("SyncRecords", "记录 %1").arg(anchor),
                     QCoreApplication::translate("SyncRecords",
                                                 "%1 于 %2 从服务器删除了这条记录，本机随之删除：%3")
                         .arg(server.value(3).toString(), ChangeText(server.value(4).toLongLong()),
                              server.value(2).toString()));
        }
        if (server.lastError().isValid()) {
            m_archive.rollback();
            return serverFailed(server);
        }
        if (rows == 0) {
            m_archive.rollback();
            return true;
        }
        if (!writeCursor(QStringLiteral("removed"), seq, anchor)) {
            m_archive.rollback();
            return false;
        }
        if (!m_archive.commit())
            return localTransactionFailed();
        advance(rows);
    }
    return false;
}

} // namespace SyncDetail
