#include "archive/RecordArchive.h"

#include "core/UDataCenter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <atomic>

namespace {

constexpr int kBusyMilliseconds = 250; // storing must never hold up the instrument flows for long
const QByteArray kSqliteHeader("SQLite format 3\0", 16);

QString NextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("ohmara-archive-%1").arg(++counter);
}

QString ErrorText(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
}

bool Exec(QSqlDatabase db, const QString& sql, QString* reason = nullptr) {
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (reason)
        *reason = ErrorText(query.lastError());
    return false;
}

QVariant Optional(const auto& value) {
    return value ? QVariant(*value) : QVariant();
}

// A text column is '' for an empty text, never NULL.
QString NotNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QString TextsJson(const TestRecord::Texts& texts) {
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

bool Blank(const TestRecord& record) {
    for (int column = 1; column < TestRecord::ColumnCount; ++column)
        if (!TrimText(record.texts[size_t(column)]).isEmpty())
            return false;
    return true;
}

} // namespace

QString ArchiveProblemMessage(const QString& problem) {
    return QStringLiteral("记录库（%1）暂时不能使用：%2\n\n测试、上传、保存、打开和打印照常工作，"
                          "自动备份文件照常写入。")
        .arg(kArchiveFileName, problem);
}

RecordArchive::RecordArchive() : m_connection(NextConnectionName()) {}

RecordArchive::~RecordArchive() {
    close();
}

QSqlDatabase RecordArchive::database() const {
    return QSqlDatabase::database(m_connection, false);
}

void RecordArchive::close() {
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_state = ArchiveState::Closed;
}

ArchiveState RecordArchive::fail(const QString& problem) {
    close();
    m_problem = problem;
    m_state = ArchiveState::Unavailable;
    return m_state;
}

ArchiveState RecordArchive::open(const QString& fileName, bool readOnly) {
    close();
    m_fileName = fileName;
    m_problem.clear();
    m_schemaVersion = 0;
    m_laptopId.clear();
    const QFileInfo info(fileName);
    if (info.exists() || info.isSymLink()) {
        if (!info.isFile())
            return fail(QStringLiteral("“%1”不是普通文件。").arg(fileName));
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("文件无法读取（%1）。").arg(file.errorString()));
        const QByteArray head = file.read(kSqliteHeader.size());
        if (!head.isEmpty() && head != kSqliteHeader)
            return fail(QStringLiteral("文件已损坏或不是记录库，程序不会改动它。"));
        if (!readOnly && !info.isWritable()) {
            readOnly = true;
            m_problem = QStringLiteral("文件只读，新的记录不会存入。");
        }
    } else if (readOnly) {
        return fail(QStringLiteral("记录库尚未建立。"));
    }

    QString reason;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(fileName);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds);
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open())
            reason = ErrorText(db.lastError());
    }
    if (!reason.isEmpty())
        return fail(QStringLiteral("无法打开（%1）。").arg(reason));
    m_state = readOnly ? ArchiveState::ReadOnly : ArchiveState::Open;

    if (!readMeta())
        return m_state;
    if (m_schemaVersion > kArchiveSchemaVersion) {
        // Made by a newer program: read what it can, change nothing.
        const QString problem =
            QStringLiteral("记录库由较新版本的程序建立，本程序只读取其中的记录，不会改动它。");
        if (!readOnly) {
            open(fileName, true);
            if (m_state == ArchiveState::ReadOnly)
                m_problem = problem;
        }
        return m_state;
    }
    if (readOnly)
        return m_state;
    if (!Exec(database(), QStringLiteral("PRAGMA journal_mode=WAL"), &reason) ||
        !Exec(database(), QStringLiteral("PRAGMA synchronous=FULL"), &reason) ||
        !Exec(database(), QStringLiteral("PRAGMA cache_size=-65536"), &reason))
        return fail(QStringLiteral("无法打开（%1）。").arg(reason));
    if (m_schemaVersion < kArchiveSchemaVersion)
        createOrUpgrade();
    return m_state;
}

bool RecordArchive::readMeta() {
    QString problem;
    {
        QSqlQuery query(database());
        QStringList tables;
        if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
            problem = QStringLiteral("文件已损坏或不是记录库，程序不会改动它（%1）。")
                          .arg(ErrorText(query.lastError()));
        } else {
            while (query.next())
                tables << query.value(0).toString();
        }
        if (problem.isEmpty() && tables.isEmpty()) {
            if (m_state == ArchiveState::Open) {
                m_schemaVersion = 0; // a new file
                return true;
            }
            problem = QStringLiteral("记录库是空的。");
        }
        if (problem.isEmpty()) {
            if (tables.contains(QStringLiteral("meta")) &&
                query.exec(QStringLiteral(
                    "SELECT key, value FROM meta WHERE key IN ('schema_version','laptop_id')"))) {
                while (query.next()) {
                    if (query.value(0).toString() == QStringLiteral("schema_version"))
                        m_schemaVersion = query.value(1).toInt();
                    else
                        m_laptopId = query.value(1).toString();
                }
            }
            if (m_schemaVersion <= 0)
                problem = QStringLiteral("文件不是本程序的记录库，程序不会改动它。");
        }
    }
    if (problem.isEmpty())
        return true;
    fail(problem);
    return false;
}

bool RecordArchive::runScript(const QString& resource) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QRegularExpression separator(QStringLiteral("^\\s*;\\s*$"),
                                              QRegularExpression::MultilineOption);
    static const QRegularExpression comment(QStringLiteral("^\\s*--[^\\n]*$"),
                                            QRegularExpression::MultilineOption);
    const QString script = QString::fromUtf8(file.readAll());
    for (const QString& statement : script.split(separator)) {
        if (QString(statement).remove(comment).trimmed().isEmpty())
            continue;
        if (QString reason; !Exec(database(), statement, &reason)) {
            m_problem = reason;
            return false;
        }
    }
    return true;
}

bool RecordArchive::createOrUpgrade() {
    const int from = m_schemaVersion;
    const bool created = from == 0;
    if (created)
        m_laptopId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const bool done = inTransaction([&] {
        QSqlQuery query(database());
        if (created) {
            if (!runScript(QStringLiteral(":/archive/LocalSchema.sql")))
                return false;
            query.prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES ('schema_version', '1'), "
                                         "('laptop_id', ?)"));
            query.addBindValue(m_laptopId);
            if (!query.exec())
                return false;
            query.prepare(
                QStringLiteral("INSERT INTO rules (scope, baseline_factor, rise_factor, phase_factor, "
                               "changed_at, changed_by) VALUES ('', '1.2', '0.2', '0.5', ?, ?)"));
            query.addBindValue(NowText());
            query.addBindValue(m_laptopId);
            if (!query.exec())
                return false;
        }
        for (int version = std::max(from, 1) + 1; version <= kArchiveSchemaVersion; ++version)
            if (!runScript(QStringLiteral(":/archive/LocalSchema%1.sql").arg(version)))
                return false;
        query.prepare(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'schema_version'"));
        query.addBindValue(QString::number(kArchiveSchemaVersion));
        return query.exec();
    });
    if (!done) {
        const QString why = m_problem;
        fail(QStringLiteral("无法建立或升级记录库（%1）。").arg(why));
        return false;
    }
    m_schemaVersion = kArchiveSchemaVersion;
    return true;
}

bool RecordArchive::begin() {
    if (!writable()) {
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("记录库不能写入。");
        return false;
    }
    QString reason;
    if (!Exec(database(), QStringLiteral("BEGIN IMMEDIATE"), &reason)) {
        m_problem = QStringLiteral("记录库正被其他程序占用或不能写入（%1）。").arg(reason);
        return false;
    }
    return true;
}

bool RecordArchive::commit() {
    QString reason;
    if (Exec(database(), QStringLiteral("COMMIT"), &reason))
        return true;
    m_problem = QStringLiteral("记录库不能写入（%1）。").arg(reason);
    rollback();
    return false;
}

void RecordArchive::rollback() {
    Exec(database(), QStringLiteral("ROLLBACK"));
}

int RecordArchive::store(const std::vector<TestRecord>& records, const QString& source) {
    int added = -1;
    const bool done = inTransaction([&] {
        added = storeInOpenTransaction(records, source);
        return added >= 0;
    });
    return done ? added : -1;
}

int RecordArchive::storeInOpenTransaction(const std::vector<TestRecord>& records, const QString& source) {
    QSqlQuery insert(database());
    insert.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO records (id, test_time, device, device_key, tester, location, step_code, "
        "step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, source, added_at, "
        "added_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"));
    const QString now = NowText();
    int added = 0;
    for (const TestRecord& record : records) {
        if (Blank(record))
            continue;
        insert.addBindValue(QString::fromLatin1(record.identity()));
        insert.addBindValue(record.testTime
                                ? QVariant(record.testTime->toString(QStringLiteral("yyyy-MM-ddThh:mm")))
                                : QVariant());
        insert.addBindValue(NotNull(record.device));
        insert.addBindValue(NotNull(record.device.toUpper()));
        insert.addBindValue(NotNull(record.tester));
        insert.addBindValue(NotNull(record.location));
        insert.addBindValue(Optional(record.stepCode));
        insert.addBindValue(Optional(record.stepAmperes));
        insert.addBindValue(Optional(record.loadSeconds));
        insert.addBindValue(record.resistance ? QVariant(qlonglong(record.resistance->mantissa))
                                              : QVariant());
        insert.addBindValue(record.resistance ? QVariant(record.resistance->exponent) : QVariant());
        insert.addBindValue(Optional(record.microOhms));
        insert.addBindValue(TextsJson(record.texts));
        insert.addBindValue(record.rawReply.isEmpty() ? QVariant() : QVariant(record.rawReply));
        insert.addBindValue(source);
        insert.addBindValue(now);
        insert.addBindValue(m_laptopId);
        if (!insert.exec()) {
            m_problem = QStringLiteral("记录库不能写入（%1）。").arg(ErrorText(insert.lastError()));
            return -1;
        }
        added += insert.numRowsAffected() > 0 ? 1 : 0;
    }
    return added;
}

QString RecordArchive::NowText() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

qint64 RecordArchive::recordCount() const {
    QSqlQuery query(database());
    if (!readable() || !query.exec(QStringLiteral("SELECT count(*) FROM records")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

QString RecordArchive::check(bool thorough) const {
    QSqlQuery query(database());
    if (!readable())
        return m_problem;
    if (!query.exec(thorough ? QStringLiteral("PRAGMA integrity_check")
                             : QStringLiteral("PRAGMA quick_check")))
        return ErrorText(query.lastError());
    QStringList findings;
    while (query.next())
        findings << query.value(0).toString();
    return findings.join(QLatin1Char('\n'));
}
