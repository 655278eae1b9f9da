#pragma once
// One sync's session, shared by its steps: the local archive and the server connection, the
// tables that travel, and how a failed step is told. Records (SyncRecords.cpp) are only ever
// added (or removed by an owner on the server); register rows and rules (SyncChanges.cpp)
// change, the newest change winning.
//
// A row's pushed mark: 0 to send, 1 the server holds it, -1 the server refused it (set aside,
// in sync_log), 2 (register rows and rules) to send again to a server that lost it.
#include "archive/RecordArchive.h"
#include "archive/sync/ServerSql.h"
#include "archive/sync/SyncEngine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <chrono>
#include <functional>
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
    FailureKind kind;
    QString message;
    QString detail; // the server's or SQLite's own text
};

// The record columns that travel, as a pushed page (JSON) names them.
inline const QStringList kRecordColumns{
    QStringLiteral("id"),         QStringLiteral("test_time"),    QStringLiteral("device"),
    QStringLiteral("device_key"), QStringLiteral("tester"),       QStringLiteral("location"),
    QStringLiteral("step_code"),  QStringLiteral("step_amperes"), QStringLiteral("load_seconds"),
    QStringLiteral("r_mantissa"), QStringLiteral("r_exponent"),   QStringLiteral("micro_ohms"),
    QStringLiteral("texts"),      QStringLiteral("raw_reply"),    QStringLiteral("source"),
    QStringLiteral("added_at"),   QStringLiteral("added_by")};
inline const int kRawReplyColumn = 13;

// The statements of a table whose rows change. In the archive: its page to push, a pushed row
// marked as the server refused it, took the server's newer row, took it otherwise than sent (as
// the server holds it) or took it as sent; the row the pull meets, the server's row written,
// ours confirmed as the server's; the rows to push counted, and all marked to be sent again.
// On the server: the upsert (the newer change wins), its row, its page after a change number,
// whether the row a pull came to is still there, and the rows after a change number counted.
struct ChangeStatements {
    ArchiveSql toPush, markRefused, fromServer, asServerTookIt, markPushed, local, write, confirm,
        toPushCount, sendAgain;
    ServerSql upsert, serverRow, after, stillThere, countAfter;
};

// A table whose rows change: a key (of one or more columns), the values, and who changed them when.
// Its statements, the first server schema version that holds it, and a row's kind in the sync log.
struct ChangeTable {
    QString name;
    QStringList keys;
    QStringList values;
    const char* subject; // shown translated: subjectText()
    ChangeStatements statements;
    QString subjectText() const { return QCoreApplication::translate("SyncSession", subject); }
    int since = 1;
};

inline const ChangeTable kAssets{
    QStringLiteral("assets"),
    QStringList{QStringLiteral("device_key")},
    QStringList{QStringLiteral("device"), QStringLiteral("station"), QStringLiteral("bay"),
                QStringLiteral("phase"), QStringLiteral("kind"), QStringLiteral("maker"),
                QStringLiteral("model"), QStringLiteral("factory_uohm"), QStringLiteral("commissioning_uohm"),
                QStringLiteral("limit_uohm"), QStringLiteral("baseline_factor"),
                QStringLiteral("rise_factor"), QStringLiteral("phase_factor"), QStringLiteral("note")},
    QT_TRANSLATE_NOOP("SyncSession", "设备"),
    {ArchiveSql::AssetsToPush, ArchiveSql::MarkAssetRefused, ArchiveSql::AssetFromServer,
     ArchiveSql::AssetAsServerTookIt, ArchiveSql::MarkAssetPushed, ArchiveSql::LocalAsset,
     ArchiveSql::WriteAsset, ArchiveSql::ConfirmAsset, ArchiveSql::AssetsToPushCount,
     ArchiveSql::SendAssetsAgain, ServerSql::UpsertAsset, ServerSql::ServerAsset, ServerSql::AssetsAfter,
     ServerSql::AssetStillThere, ServerSql::CountAssetsAfter}};
inline const ChangeTable kRules{
    QStringLiteral("rules"),
    QStringList{QStringLiteral("scope")},
    QStringList{QStringLiteral("baseline_factor"), QStringLiteral("rise_factor"),
                QStringLiteral("phase_factor")},
    QT_TRANSLATE_NOOP("SyncSession", "判据"),
    {ArchiveSql::RulesToPush, ArchiveSql::MarkRuleRefused, ArchiveSql::RuleFromServer,
     ArchiveSql::RuleAsServerTookIt, ArchiveSql::MarkRulePushed, ArchiveSql::LocalRule, ArchiveSql::WriteRule,
     ArchiveSql::ConfirmRule, ArchiveSql::RulesToPushCount, ArchiveSql::SendRulesAgain, ServerSql::UpsertRule,
     ServerSql::ServerRule, ServerSql::RulesAfter, ServerSql::RuleStillThere, ServerSql::CountRulesAfter}};
inline const ChangeTable kInstruments{
    QStringLiteral("instruments"),
    QStringList{QStringLiteral("uuid")},
    QStringList{QStringLiteral("model"), QStringLiteral("serial"), QStringLiteral("certificate"),
                QStringLiteral("calibrated_on"), QStringLiteral("valid_until"), QStringLiteral("note")},
    QT_TRANSLATE_NOOP("SyncSession", "仪器"),
    {ArchiveSql::InstrumentsToPush, ArchiveSql::MarkInstrumentRefused, ArchiveSql::InstrumentFromServer,
     ArchiveSql::InstrumentAsServerTookIt, ArchiveSql::MarkInstrumentPushed, ArchiveSql::LocalInstrument,
     ArchiveSql::WriteInstrument, ArchiveSql::ConfirmInstrument, ArchiveSql::InstrumentsToPushCount,
     ArchiveSql::SendInstrumentsAgain, ServerSql::UpsertInstrument, ServerSql::ServerInstrument,
     ServerSql::InstrumentsAfter, ServerSql::InstrumentStillThere, ServerSql::CountInstrumentsAfter},
    3};
inline const ChangeTable kIntervals{
    QStringLiteral("test_intervals"),
    QStringList{QStringLiteral("scope"), QStringLiteral("key")},
    QStringList{QStringLiteral("months")},
    QT_TRANSLATE_NOOP("SyncSession", "试验周期"),
    {ArchiveSql::IntervalsToPush, ArchiveSql::MarkIntervalRefused, ArchiveSql::IntervalFromServer,
     ArchiveSql::IntervalAsServerTookIt, ArchiveSql::MarkIntervalPushed, ArchiveSql::LocalInterval,
     ArchiveSql::WriteInterval, ArchiveSql::ConfirmInterval, ArchiveSql::IntervalsToPushCount,
     ArchiveSql::SendIntervalsAgain, ServerSql::UpsertInterval, ServerSql::ServerInterval,
     ServerSql::IntervalsAfter, ServerSql::IntervalStillThere, ServerSql::CountIntervalsAfter},
    3};
inline const ChangeTable kJobs{
    QStringLiteral("jobs"),
    QStringList{QStringLiteral("uuid")},
    QStringList{
        QStringLiteral("family"),       QStringLiteral("revision"),      QStringLiteral("job_number"),
        QStringLiteral("station"),      QStringLiteral("customer"),      QStringLiteral("kind"),
        QStringLiteral("basis"),        QStringLiteral("first_day"),     QStringLiteral("last_day"),
        QStringLiteral("weather"),      QStringLiteral("temperature"),   QStringLiteral("humidity"),
        QStringLiteral("testers"),      QStringLiteral("instrument"),    QStringLiteral("conclusion"),
        QStringLiteral("notes"),        QStringLiteral("revision_note"), QStringLiteral("state"),
        QStringLiteral("recorded_by"),  QStringLiteral("recorded_at"),   QStringLiteral("checked_by"),
        QStringLiteral("checked_at"),   QStringLiteral("approved_by"),   QStringLiteral("approved_at"),
        QStringLiteral("returned_why"), QStringLiteral("expired_by"),    QStringLiteral("expired_at")},
    QT_TRANSLATE_NOOP("SyncSession", "任务"),
    {ArchiveSql::JobsToPush, ArchiveSql::MarkJobRefused, ArchiveSql::JobFromServer,
     ArchiveSql::JobAsServerTookIt, ArchiveSql::MarkJobPushed, ArchiveSql::LocalJob, ArchiveSql::WriteJob,
     ArchiveSql::ConfirmJob, ArchiveSql::JobsToPushCount, ArchiveSql::SendJobsAgain, ServerSql::UpsertJob,
     ServerSql::ServerJob, ServerSql::JobsAfter, ServerSql::JobStillThere, ServerSql::CountJobsAfter},
    3};

// The statements of a table whose rows are only added. In the archive: its page to push, a row
// marked pushed (1) or refused (-1), a server's row taken, the rows to push counted and all marked
// to be sent again. On the server: a page inserted (one JSON parameter), its page after a change
// number, whether the row a pull came to is still there, the rows after a change number counted.
struct UnionStatements {
    ArchiveSql toPush, markPushed, take, toPushCount, sendAgain;
    ServerSql insert, after, stillThere, countAfter;
};

// A table whose rows are only ever added, merged by union as records are: its key, every column,
// its statements, the first server schema version that holds it, and a row's kind in the sync log.
struct UnionTable {
    QString name;
    QStringList keys;
    QStringList columns; // as a pushed page (JSON) names them
    const char* subject; // shown translated: subjectText()
    UnionStatements statements;
    QString subjectText() const { return QCoreApplication::translate("SyncSession", subject); }
    int since = 3;
};

inline const UnionTable kJobAssets{
    QStringLiteral("job_assets"),
    QStringList{QStringLiteral("job"), QStringLiteral("device_key")},
    QStringList{QStringLiteral("job"), QStringLiteral("device_key"), QStringLiteral("device"),
                QStringLiteral("changed_at"), QStringLiteral("changed_by")},
    QT_TRANSLATE_NOOP("SyncSession", "任务设备"),
    {ArchiveSql::JobAssetsToPush, ArchiveSql::MarkJobAssetPushed, ArchiveSql::TakeJobAsset,
     ArchiveSql::JobAssetsToPushCount, ArchiveSql::SendJobAssetsAgain, ServerSql::InsertJobAssets,
     ServerSql::JobAssetsAfter, ServerSql::JobAssetStillThere, ServerSql::CountJobAssetsAfter}};
inline const UnionTable kJobRecords{
    QStringLiteral("job_records"),
    QStringList{QStringLiteral("job"), QStringLiteral("record")},
    QStringList{QStringLiteral("job"), QStringLiteral("record"), QStringLiteral("changed_at"),
                QStringLiteral("changed_by")},
    QT_TRANSLATE_NOOP("SyncSession", "任务记录"),
    {ArchiveSql::JobRecordsToPush, ArchiveSql::MarkJobRecordPushed, ArchiveSql::TakeJobRecord,
     ArchiveSql::JobRecordsToPushCount, ArchiveSql::SendJobRecordsAgain, ServerSql::InsertJobRecords,
     ServerSql::JobRecordsAfter, ServerSql::JobRecordStillThere, ServerSql::CountJobRecordsAfter}};
inline const UnionTable kJobVerdicts{
    QStringLiteral("job_verdicts"),
    QStringList{QStringLiteral("job"), QStringLiteral("record")},
    QStringList{QStringLiteral("job"), QStringLiteral("record"), QStringLiteral("verdict"),
                QStringLiteral("reasons"), QStringLiteral("changed_at"), QStringLiteral("changed_by")},
    QT_TRANSLATE_NOOP("SyncSession", "任务结论"),
    {ArchiveSql::JobVerdictsToPush, ArchiveSql::MarkJobVerdictPushed, ArchiveSql::TakeJobVerdict,
     ArchiveSql::JobVerdictsToPushCount, ArchiveSql::SendJobVerdictsAgain, ServerSql::InsertJobVerdicts,
     ServerSql::JobVerdictsAfter, ServerSql::JobVerdictStillThere, ServerSql::CountJobVerdictsAfter}};
inline const UnionTable kAudit{
    QStringLiteral("audit"),
    QStringList{QStringLiteral("uuid")},
    QStringList{QStringLiteral("uuid"), QStringLiteral("at"), QStringLiteral("who"),
                QStringLiteral("subject"), QStringLiteral("item"), QStringLiteral("field"),
                QStringLiteral("old"), QStringLiteral("new")},
    QT_TRANSLATE_NOOP("SyncSession", "审计记录"),
    {ArchiveSql::AuditToPush, ArchiveSql::MarkAuditPushed, ArchiveSql::TakeAudit,
     ArchiveSql::AuditToPushCount, ArchiveSql::SendAuditAgain, ServerSql::InsertAudit, ServerSql::AuditAfter,
     ServerSql::AuditStillThere, ServerSql::CountAuditAfter}};

// The server's refusal of a change to an approved job revision (its own SQLSTATE).
inline const QString kApprovedKept = QStringLiteral("OH001");

// A key of several columns as one text (a pull's anchor, a log's subject).
inline QString KeyText(const QStringList& parts) {
    const QString text = parts.join(QChar(0x1f));
    return text.isNull() ? QStringLiteral("") : text;
}
inline QString KeyShown(const QStringList& parts) {
    return parts.join(QStringLiteral(" / "));
}

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

// One change row as both sides hold it.
struct ChangeRow {
    QStringList key;
    QVariantList values;
    qint64 changedMs = 0;
    QString changedBy;
    bool newerThan(const ChangeRow& other) const {
        return std::pair(changedMs, changedBy) > std::pair(other.changedMs, other.changedBy);
    }
    // A row a program made by itself (a new archive's rules): the earliest time and no laptop.
    bool unchosen() const { return changedMs == 0 && changedBy.isEmpty(); }
};

// Whether the server refused one row for what it holds (a check, a length, a value), rather than
// the sync as a whole: such a row is set aside and the others go on.
inline bool RowRefused(const QSqlError& error) {
    const QString state = error.nativeErrorCode();
    return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23")) ||
           state.startsWith(QLatin1String("54")) || state == kApprovedKept;
}

// Whether the archive refused one row a sync wrote (a constraint, or a trigger that keeps an
// approved job): the row is set aside and the others go on.
inline bool LocalRowRefused(const QSqlError& error) {
    return error.nativeErrorCode().toInt() % 256 == 19; // SQLITE_CONSTRAINT and its kinds
}

struct PushMarks;
struct PushPage;
struct PullStatements;

class Session {
public:
    Session(RecordArchive& archive, QSqlDatabase server, const ServerConfig& config, int pageRows,
            const SyncEngine::Progress& progress, SyncCancel* cancel)
        : m_archive(archive), m_server(std::move(server)), m_serverLabel(config.label()),
          m_lockTimeout(config.lockTimeout), m_pageRows(pageRows), m_progress(progress), m_cancel(cancel) {}

    SyncOutcome run();

private:
    // Each returns false after setting m_failure.
    bool prepareLocal();
    bool readServer();
    bool checkPosition();
    bool recover();
    bool countWork();
    bool pushRecords();
    bool pushRecordPage(const QJsonArray& page, const QStringList& ids, std::vector<QString>* refused);
    // Sends a page of rows through insert (its one parameter: the rows as JSON) in one server
    // transaction. When the server refuses the page for what a row holds, the rows go one by one,
    // each behind a savepoint, and refusedRow hears of every row refused; the others are taken.
    // The rows the server added, or none (m_failure set, rolled back) when the page could not go.
    std::optional<qint64>
    insertPage(ServerSql insert, const QJsonArray& page,
               const std::function<void(qsizetype row, const QSqlError& error)>& refusedRow);
    bool pushChanges(const ChangeTable& table, qint64& counter);
    // A push's steps: a page of local changes read, sent in one server transaction (row by row,
    // each behind a savepoint), and marked as the server took it in one local transaction.
    bool readPushPage(const ChangeTable& table, PushPage& page);
    bool sendPushPage(const ChangeTable& table, PushPage& page);
    bool sendPushRow(const ChangeTable& table, QSqlQuery& server, QSqlQuery& current, QSqlQuery& savepoint,
                     PushPage& page, size_t i);
    bool markPushed(const ChangeTable& table, const PushPage& page);
    bool markPushedRow(const ChangeTable& table, PushMarks& marks, const PushPage& page, size_t i);
    bool pushUnion(const UnionTable& table, qint64& counter);
    bool pullRecords();
    bool pullRemoved();
    bool pullChanges(const ChangeTable& table, qint64& counter);
    // One server row taken into the open local transaction, or left where ours is as new.
    bool pullChangeRow(const ChangeTable& table, PullStatements& local, const ChangeRow& theirs,
                       qint64& counter);
    bool pullUnion(const UnionTable& table, qint64& counter);
    bool nameLaptop();
    bool pullLaptopNames();
    // Whether both sides hold a table (a server of an older schema, or an older archive, lacks it).
    bool travels(const QString& table, int since) const;
    // A local transaction of a sync's writes: the archive's triggers leave no audit trail of them
    // (the trail comes from where the change was made).
    bool beginLocal();
    bool commitLocal();
    // The end of a page pulled into the archive: a failed read of the server's rows undoes it, an
    // empty page ends the pull, any other is committed with the subject's cursor. Empty when the
    // pull goes on with the next page, else what the pull returns.
    std::optional<bool> endPulledPage(const QSqlQuery& server, const QString& subject, qint64 rows,
                                      qint64 seq, const QString& anchor);

    bool cancelled();
    bool fail(FailureKind kind, const QString& message, const QString& detail = {});
    // The server connection went (a transaction that could not begin or commit).
    bool lostServer();
    bool serverFailed(const QSqlQuery& query);
    bool serverFailed(const QSqlError& error);
    bool localFailed(const QSqlQuery& query);
    // A local transaction that could not begin or commit: the archive's own wording.
    bool localTransactionFailed();
    bool exec(QSqlQuery& query, bool onServer);
    void advance(qint64 rows);
    // Where the pull of a subject has come to on this server: the last change number taken and
    // the key of its row.
    bool readCursor(const QString& subject, qint64& seq, QString& anchor);
    bool writeCursor(const QString& subject, qint64 seq, const QString& anchor);
    void logOverwritten(const ChangeTable& table, const ChangeRow& mine, const ChangeRow& theirs);
    void logRefused(const QString& subject, const QString& why);
    void writeLog(const QString& kind, const QString& subject, const QString& message);

    RecordArchive& m_archive;
    QSqlDatabase m_server;
    QString m_serverLabel;
    std::chrono::seconds m_lockTimeout;
    int m_pageRows;
    const SyncEngine::Progress& m_progress;
    SyncCancel* m_cancel;
    QString m_laptopId;
    QString m_serverId; // the server's identity
    int m_serverVersion = 0;
    QStringList m_localTables;
    bool m_canWrite = false;
    qint64 m_done = 0;
    qint64 m_total = 0;
    SyncCounts m_counts;
    std::optional<StepFailure> m_failure;
};

} // namespace SyncDetail
