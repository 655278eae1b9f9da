// Records: pushed in pages and merged by identity, pulled by server transaction and sequence.
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

bool Session::pushRecords() {
    const QString select = QStringLiteral("SELECT %1 FROM records WHERE pushed = 0 LIMIT %2")
                               .arg(kRecordColumns.join(QStringLiteral(", ")))
                               .arg(m_pageRows);
    QStringList selected;
    for (qsizetype i = 0; i < kRecordColumns.size(); ++i) {
        selected << (i == kRawReplyColumn ? QStringLiteral("decode(r.raw_reply, 'hex')")
                                          : QStringLiteral("r.") + kRecordColumns[i]);
    }
    // A whole page is one parameter: a JSON array of records, read back into rows by the server.
    const QString insert =
        QStringLiteral("INSERT INTO ohmara.records (%1) SELECT %2"
                       " FROM jsonb_to_recordset(CAST(? AS jsonb)) AS r(%3)"
                       " ON CONFLICT (id) DO NOTHING")
            .arg(kRecordColumns.join(QStringLiteral(", ")), selected.join(QStringLiteral(", ")),
                 kRecordColumnTypes.join(QStringLiteral(", ")));
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

} // namespace SyncDetail
