#pragma once
// One sync's session, shared by its steps: the local archive and the server connection, the
// tables that travel, and how a failed step is told. Records (SyncRecords.cpp) are only ever
// added; register rows and rules (SyncChanges.cpp) change, the newest change winning.
#include "archive/sync/SyncEngine.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <optional>
#include <utility>

namespace SyncDetail {

// The server's texts cannot hold U+0000 (a stray byte of an imported file): it goes as U+FFFD
// rather than stop every later sync.
inline QString ServerText(QString text) {
    return text.replace(QChar(0), QChar(0xFFFD));
}

// A failed step: the message for the user; the step's transactions are rolled back.
struct StepFailure {
    SyncStatus status;
    QString message;
    QString sqlState;
};

// The record columns that travel, each with its type on the server (for reading a pushed page,
// JSON, back into rows).
inline const QStringList kRecordColumnTypes{QStringLiteral("id text"),
                                            QStringLiteral("test_time text"),
                                            QStringLiteral("device text"),
                                            QStringLiteral("device_key text"),
                                            QStringLiteral("tester text"),
                                            QStringLiteral("location text"),
                                            QStringLiteral("step_code integer"),
                                            QStringLiteral("step_amperes integer"),
                                            QStringLiteral("load_seconds integer"),
                                            QStringLiteral("r_mantissa bigint"),
                                            QStringLiteral("r_exponent integer"),
                                            QStringLiteral("micro_ohms double precision"),
                                            QStringLiteral("texts text"),
                                            QStringLiteral("raw_reply text"),
                                            QStringLiteral("source text"),
                                            QStringLiteral("added_at text"),
                                            QStringLiteral("added_by text")};
inline const QStringList kRecordColumns = [] {
    QStringList names;
    for (const QString& column : kRecordColumnTypes)
        names << column.section(QLatin1Char(' '), 0, 0);
    return names;
}();
inline const int kRawReplyColumn = 13;

// A table whose rows change: a key, the values, and who changed them when.
struct ChangeTable {
    QString name;
    QString key;
    QStringList values;
    QString subject; // the name of a row's kind in the sync log
};

inline const ChangeTable kAssets{
    QStringLiteral("assets"), QStringLiteral("device_key"),
    QStringList{QStringLiteral("device"), QStringLiteral("station"), QStringLiteral("bay"),
                QStringLiteral("phase"), QStringLiteral("kind"), QStringLiteral("maker"),
                QStringLiteral("model"), QStringLiteral("factory_uohm"), QStringLiteral("commissioning_uohm"),
                QStringLiteral("limit_uohm"), QStringLiteral("baseline_factor"),
                QStringLiteral("rise_factor"), QStringLiteral("phase_factor"), QStringLiteral("note")},
    QStringLiteral("设备")};
inline const ChangeTable kRules{QStringLiteral("rules"), QStringLiteral("scope"),
                                QStringList{QStringLiteral("baseline_factor"), QStringLiteral("rise_factor"),
                                            QStringLiteral("phase_factor")},
                                QStringLiteral("判据")};

// A change time as milliseconds since 1970 (UTC): the local archive keeps ISO 8601 text, the
// server a timestamptz; both are compared and carried as this number.
inline qint64 ChangeMs(const QString& text) {
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        return 0;
    if (when.timeSpec() == Qt::LocalTime)
        when.setTimeSpec(Qt::UTC);
    return when.toMSecsSinceEpoch();
}

inline QString ChangeText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

inline const QString kServerTime =
    QStringLiteral("(TIMESTAMPTZ 'epoch' + CAST(? AS bigint) * INTERVAL '1 millisecond')");
inline QString ServerMs(const QString& column) {
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

} // namespace SyncDetail
