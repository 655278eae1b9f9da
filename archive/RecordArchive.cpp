#include "archive/RecordArchive.h"

#include "archive/ArchiveMessages.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QUuid>
#include <QVariant>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr int kBusyMilliseconds = 250; // storing must never hold up the instrument flows for long
// Below this much free space an I/O error of SQLite is a full disk.
constexpr qint64 kFullDiskBytes = 1024 * 1024;

// SQLite's primary result codes that decide what a failure is.
enum SqliteCode {
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoError = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADatabase = 26,
};

// Files checked whole once in this run; the archive's connections share what they found.
QSet<QString>& CheckedFiles() {
    static QSet<QString> files;
    return files;
}
QMutex& CheckedFilesMutex() {
    static QMutex mutex;
    return mutex;
}

QString NextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("ohmara-archive-%1").arg(++counter);
}

QString ErrorText(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
}

bool DiskNearlyFull(const QString& fileName) {
    const QStorageInfo storage(QFileInfo(fileName).absolutePath());
    return storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < kFullDiskBytes;
}

// The archive's files that exist and may not be written, by their names.
QStringList UnwritableFiles(const QString& fileName) {
    QStringList names;
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QFileInfo info(fileName + suffix);
        if (info.exists() && !info.isWritable())
            names << info.fileName();
    }
    const QFileInfo folder(QFileInfo(fileName).absolutePath());
    if (names.isEmpty() && !folder.isWritable())
        names << QDir::toNativeSeparators(folder.absoluteFilePath());
    return names;
}

struct Failure {
    ArchiveFault fault;
    QString problem;
    QString detail;
};

// The fault behind SQLite's error and the user's words for it, the library's own text as a detail.
Failure Classify(const QSqlError& error, const QString& fileName) {
    const QString detail = ErrorText(error);
    const int code = error.nativeErrorCode().toInt() & 0xff;
    switch (code) {
    case kBusy:
    case kLocked:
        return {ArchiveFault::Busy, ArchiveMessages::ArchiveBusy(detail), detail};
    case kPerm:
    case kReadOnly: {
        const QStringList files = UnwritableFiles(fileName);
        return {ArchiveFault::NoPermission,
                files.isEmpty() ? ArchiveMessages::ArchiveFilesNotWritable(detail)
                                : ArchiveMessages::ArchiveNoWriteRight(files, detail),
                detail};
    }
    case kFull:
        return {ArchiveFault::DiskFull, ArchiveMessages::ArchiveDiskFull(detail), detail};
    case kIoError:
    case kCantOpen:
        if (DiskNearlyFull(fileName))
            return {ArchiveFault::DiskFull, ArchiveMessages::ArchiveDiskFull(detail), detail};
        if (code == kCantOpen && !UnwritableFiles(fileName).isEmpty())
            return Classify(
                QSqlError(error.driverText(), error.databaseText(), error.type(), QString::number(kReadOnly)),
                fileName);
        return {ArchiveFault::Io, ArchiveMessages::ArchiveIoError(detail), detail};
    case kCorrupt:
        return {ArchiveFault::Damaged, ArchiveMessages::ArchiveDamaged(detail), detail};
    case kNotADatabase:
        return {ArchiveFault::Foreign, ArchiveMessages::ArchiveForeignOrDamaged(detail), detail};
    default:
        return {ArchiveFault::Io, ArchiveMessages::ArchiveNotWritable(detail), detail};
    }
}

// Runs a statement fresh from RecordArchive::statement(): its error, or an invalid one on success.
// A statement that did not prepare gives the prepare's error (exec() alone would only tell that
// there is no statement, and the fault would be lost).
QSqlError Exec(QSqlQuery& query) {
    if (query.lastError().isValid())
        return query.lastError();
    return query.exec() ? QSqlError() : query.lastError();
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

bool ArchiveFaultPasses(ArchiveFault fault) {
    return fault == ArchiveFault::Busy || fault == ArchiveFault::NoPermission ||
           fault == ArchiveFault::DiskFull || fault == ArchiveFault::Io;
}

bool ArchiveFaultIsFileDamage(ArchiveFault fault) {
    return fault == ArchiveFault::Damaged || fault == ArchiveFault::Foreign;
}

QString ArchiveProblemMessage(const QString& problem, ArchiveFault fault) {
    return ArchiveMessages::ArchiveUnusable(problem, ArchiveFaultPasses(fault));
}

Outcome RecordArchive::failure() const {
    if (m_problem.isEmpty() && m_fault == ArchiveFault::None)
        return {};
    return Outcome::Failure(m_fault, m_problem, m_detail);
}

Outcome RecordArchive::writeFailure() const {
    if (Outcome failed = failure(); !failed.ok())
        return failed;
    return Outcome::Failure(FailureKind::Io, ArchiveMessages::ArchiveNotWritable());
}

RecordArchive::RecordArchive() : m_connection(NextConnectionName()) {}

RecordArchive::~RecordArchive() {
    close();
}

QSqlDatabase RecordArchive::connection() const {
    return QSqlDatabase::database(m_connection, false);
}

QSqlError RecordArchive::run(ArchiveSql id) const {
    QSqlQuery query = statement(id);
    return Exec(query);
}

QSqlQuery RecordArchive::statement(ArchiveSql id) const {
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    query.prepare(ArchiveSqlText(id));
    return query;
}

void RecordArchive::close() {
    m_insert.reset();
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_state = ArchiveState::Closed;
}

ArchiveState RecordArchive::fail(const QString& problem, ArchiveFault fault, const QString& detail) {
    close();
    m_problem = problem;
    m_fault = fault;
    m_detail = detail;
    m_state = ArchiveState::Unavailable;
    return m_state;
}

void RecordArchive::noteFailure(const QSqlError& error) {
    const Failure failure = Classify(error, m_fileName);
    m_problem = failure.problem;
    m_fault = failure.fault;
    m_detail = failure.detail;
    if (ArchiveFaultIsFileDamage(failure.fault)) {
        // Never written again in this run: the next opening checks the file whole.
        rollback();
        const QMutexLocker lock(&CheckedFilesMutex());
        CheckedFiles().remove(QFileInfo(m_fileName).absoluteFilePath());
        fail(failure.problem, failure.fault, failure.detail);
    }
}

// A -wal or -shm left without write permission (by a connection that opened a read-only archive:
// SQLite gives them the file's own mode) keeps every later write out although the archive itself
// may be written again: the owner gives them the archive's permissions back. chmod works on names,
// never on descriptors, so the process's locks on the archive stay as they are.
bool RecordArchive::repairSideFiles() {
    const QFileInfo archive(m_fileName);
    if (!archive.isWritable())
        return true;
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QFileInfo side(m_fileName + suffix);
        if (!side.exists() || side.isWritable())
            continue;
        if (side.ownerId() == archive.ownerId() &&
            QFile::setPermissions(side.absoluteFilePath(), archive.permissions()) &&
            QFileInfo(side.absoluteFilePath()).isWritable())
            continue;
        fail(ArchiveMessages::SideFileNoWriteRight(QDir::toNativeSeparators(side.absoluteFilePath())),
             ArchiveFault::NoPermission);
        return false;
    }
    return true;
}

// The whole file is read once per run before the first write (a quick check: every page and
// every row, without comparing indexes to their tables).
bool RecordArchive::checkIntegrity() {
    const QString key = QFileInfo(m_fileName).absoluteFilePath();
    {
        const QMutexLocker lock(&CheckedFilesMutex());
        if (CheckedFiles().contains(key))
            return true;
    }
    QSqlError error;
    QStringList findings;
    {
        QSqlQuery query = statement(ArchiveSql::QuickCheckFirstFindings);
        error = Exec(query);
        while (query.next())
            findings << query.value(0).toString();
    }
    if (error.isValid()) {
        const Failure failure = Classify(error, m_fileName);
        fail(failure.problem, failure.fault, failure.detail);
        return false;
    }
    if (findings != QStringList{QStringLiteral("ok")}) {
        fail(ArchiveMessages::ArchiveDamaged(findings.join(QStringLiteral("; "))), ArchiveFault::Damaged);
        return false;
    }
    const QMutexLocker lock(&CheckedFilesMutex());
    CheckedFiles().insert(key);
    return true;
}

Result<QString> RecordArchive::SetAside(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    QString aside;
    for (int n = 1;; ++n) {
        aside = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                QCoreApplication::translate("RecordArchive", " 损坏 ") + stamp +
                (n > 1 ? QStringLiteral(" (%1)").arg(n) : QString()) + QLatin1Char('.') + info.suffix();
        if (!QFileInfo::exists(aside) && !QFileInfo(aside).isSymLink())
            break;
    }
    // The log first: a file left without its log is an older, intact state; a log beside a file it
    // does not belong to would be read into it.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QString()}) {
        if (!QFileInfo::exists(fileName + suffix))
            continue;
        if (::rename(QFile::encodeName(fileName + suffix).constData(),
                     QFile::encodeName(aside + suffix).constData()) != 0)
            return Outcome::Failure(ArchiveMessages::CannotRename(
                fileName + suffix, aside + suffix, QString::fromLocal8Bit(std::strerror(errno))));
    }
    return aside;
}

ArchiveState RecordArchive::open(const QString& fileName, ArchiveOpening how) {
    bool readOnly = how == ArchiveOpening::ReadOnly;
    close();
    m_fileName = fileName;
    m_problem.clear();
    m_fault = ArchiveFault::None;
    m_detail.clear();
    m_schemaVersion = 0;
    m_laptopId.clear();
    // The file is only ever opened through SQLite: closing any other descriptor of it would drop
    // the locks of every connection this process holds on it, and another program would then take
    // the log away from under them.
    const QFileInfo info(fileName);
    if (info.exists() || info.isSymLink()) {
        if (!info.isFile())
            return fail(ArchiveMessages::NotARegularFile(fileName), ArchiveFault::Foreign);
        if (!info.isReadable())
            return fail(ArchiveMessages::NoReadRight(QDir::toNativeSeparators(fileName)),
                        ArchiveFault::NoPermission);
        if (!readOnly && !info.isWritable()) {
            readOnly = true;
            m_problem = ArchiveMessages::ReadOnlyFile(QDir::toNativeSeparators(fileName));
            m_fault = ArchiveFault::NoPermission;
        }
    } else if (how != ArchiveOpening::Write) {
        return fail(ArchiveMessages::ArchiveNotCreated(), ArchiveFault::Missing);
    }
    if (!readOnly && !repairSideFiles())
        return m_state;

    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(fileName);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds);
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open())
            error = db.lastError();
    }
    if (error.isValid()) {
        const Failure failure = Classify(error, fileName);
        return fail(failure.problem, failure.fault, failure.detail);
    }
    m_state = readOnly ? ArchiveState::ReadOnly : ArchiveState::Open;

    if (!readMeta())
        return m_state;
    if (m_schemaVersion > kArchiveSchemaVersion) {
        // Made by a newer program: read what it can, change nothing.
        const QString problem = ArchiveMessages::ArchiveNewer();
        if (!readOnly) {
            open(fileName, ArchiveOpening::ReadOnly);
            if (m_state == ArchiveState::ReadOnly) {
                m_problem = problem;
                m_fault = ArchiveFault::Newer;
            }
        }
        return m_state;
    }
    if (readOnly)
        return m_state;
    for (const ArchiveSql pragma :
         {ArchiveSql::WriteAheadLog, ArchiveSql::SynchronousFull, ArchiveSql::CacheSize}) {
        if (const QSqlError error = run(pragma); error.isValid()) {
            const Failure failure = Classify(error, fileName);
            return fail(failure.problem, failure.fault, failure.detail);
        }
    }
    if (m_schemaVersion > 0 && !checkIntegrity())
        return m_state;
    if (m_schemaVersion < kArchiveSchemaVersion && how != ArchiveOpening::AsItIs)
        createOrUpgrade();
    return m_state;
}

bool RecordArchive::readMeta() {
    QString problem;
    std::optional<Failure> failed;
    {
        QStringList tables;
        QSqlQuery names = statement(ArchiveSql::TableNames);
        if (const QSqlError error = Exec(names); error.isValid()) {
            failed = Classify(error, m_fileName);
        } else {
            while (names.next())
                tables << names.value(0).toString();
        }
        if (!failed && problem.isEmpty() && tables.isEmpty()) {
            if (m_state == ArchiveState::Open) {
                m_schemaVersion = 0; // a new file
                return true;
            }
            problem = ArchiveMessages::ArchiveEmpty();
        }
        if (!failed && problem.isEmpty()) {
            if (tables.contains(QStringLiteral("meta"))) {
                QSqlQuery query = statement(ArchiveSql::SchemaVersionAndLaptop);
                if (query.exec()) {
                    while (query.next()) {
                        if (query.value(0).toString() == QStringLiteral("schema_version"))
                            m_schemaVersion = query.value(1).toInt();
                        else
                            m_laptopId = query.value(1).toString();
                    }
                }
            }
            if (m_schemaVersion <= 0)
                problem = ArchiveMessages::ArchiveNotOurs();
        }
    }
    if (failed) {
        fail(failed->problem, failed->fault);
        return false;
    }
    if (problem.isEmpty())
        return true;
    fail(problem, ArchiveFault::Foreign);
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
        QSqlQuery query(connection());
        if (!query.exec(statement)) {
            m_problem = ErrorText(query.lastError());
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
        if (created) {
            if (!runScript(QStringLiteral(":/archive/LocalSchema.sql")))
                return false;
            QSqlQuery meta = statement(ArchiveSql::NewArchiveMeta);
            meta.addBindValue(m_laptopId);
            if (!meta.exec())
                return false;
            QSqlQuery rules = statement(ArchiveSql::DefaultRules);
            rules.addBindValue(NowText());
            rules.addBindValue(m_laptopId);
            if (!rules.exec())
                return false;
        }
        for (int version = std::max(from, 1) + 1; version <= kArchiveSchemaVersion; ++version)
            if (!runScript(QStringLiteral(":/archive/LocalSchema%1.sql").arg(version)))
                return false;
        QSqlQuery version = statement(ArchiveSql::SetSchemaVersion);
        version.addBindValue(QString::number(kArchiveSchemaVersion));
        return version.exec();
    });
    if (!done) {
        const QString why = m_problem;
        fail(ArchiveMessages::CannotCreateOrUpgrade(why), ArchiveFault::Io);
        return false;
    }
    m_schemaVersion = kArchiveSchemaVersion;
    return true;
}

bool RecordArchive::begin() {
    if (!writable()) {
        if (m_problem.isEmpty())
            m_problem = ArchiveMessages::ArchiveNotWritable();
        return false;
    }
    if (const QSqlError error = run(ArchiveSql::BeginWrite); error.isValid()) {
        noteFailure(error);
        return false;
    }
    return true;
}

bool RecordArchive::commit() {
    const QSqlError error = run(ArchiveSql::Commit);
    if (!error.isValid())
        return true;
    rollback();
    noteFailure(error);
    return false;
}

void RecordArchive::rollback() {
    if (readable())
        run(ArchiveSql::Rollback);
}

Result<int> RecordArchive::store(const std::vector<TestRecord>& records, const QString& source) {
    int added = -1;
    const bool done = inTransaction([&] {
        added = storeInOpenTransaction(records, source);
        return added >= 0;
    });
    if (done)
        return added;
    return writeFailure();
}

std::vector<ArchiveRow> RecordArchive::Rows(const std::vector<TestRecord>& records) {
    std::vector<ArchiveRow> rows;
    rows.reserve(records.size());
    for (const TestRecord& record : records) {
        if (Blank(record))
            continue;
        rows.push_back(
            {{QString::fromLatin1(record.identity()),
              record.testTime ? QVariant(record.timeKey()) : QVariant(), NotNull(record.device),
              NotNull(record.device.toUpper()), NotNull(record.tester), NotNull(record.location),
              Optional(record.stepCode), Optional(record.stepAmperes), Optional(record.loadSeconds),
              record.resistance ? QVariant(qlonglong(record.resistance->mantissa)) : QVariant(),
              record.resistance ? QVariant(record.resistance->exponent) : QVariant(),
              Optional(record.microOhms), TextsJson(record.texts),
              record.rawReply.isEmpty() ? QVariant() : QVariant(record.rawReply)}});
    }
    return rows;
}

int RecordArchive::storeInOpenTransaction(const std::vector<TestRecord>& records, const QString& source) {
    return storeInOpenTransaction(Rows(records), source);
}

int RecordArchive::storeInOpenTransaction(const std::vector<ArchiveRow>& rows, const QString& source) {
    if (!m_insert) {
        m_insert = std::make_unique<QSqlQuery>(statement(ArchiveSql::InsertRecord));
        if (m_insert->lastError().isValid()) {
            const QSqlError error = m_insert->lastError();
            m_insert.reset();
            noteFailure(error);
            return -1;
        }
    }
    QSqlQuery& insert = *m_insert;
    const QString now = NowText();
    int added = 0;
    for (const ArchiveRow& row : rows) {
        int column = 0;
        for (const QVariant& value : row.values)
            insert.bindValue(column++, value);
        insert.bindValue(column++, source);
        insert.bindValue(column++, now);
        insert.bindValue(column++, m_laptopId);
        if (!insert.exec()) {
            const QSqlError error = insert.lastError();
            insert.finish();
            noteFailure(error);
            return -1;
        }
        added += insert.numRowsAffected() > 0 ? 1 : 0;
    }
    return added;
}

QString RecordArchive::NowText() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

std::optional<bool> RecordArchive::stepDone(const QString& key) const {
    QSqlQuery query = statement(ArchiveSql::StepDone);
    query.addBindValue(key);
    if (!query.exec())
        return std::nullopt;
    return query.next();
}

bool RecordArchive::markStepDone(const QString& key) {
    return inTransaction([&] {
        QSqlQuery note = statement(ArchiveSql::MarkStepDone);
        note.addBindValue(key);
        return note.exec();
    });
}

qint64 RecordArchive::recordCount() const {
    if (!readable())
        return -1;
    QSqlQuery query = statement(ArchiveSql::RecordCount);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

QString RecordArchive::check(bool thorough) const {
    if (!readable())
        return m_problem;
    QSqlQuery query = statement(thorough ? ArchiveSql::IntegrityCheck : ArchiveSql::QuickCheck);
    if (const QSqlError error = Exec(query); error.isValid())
        return ErrorText(error);
    QStringList findings;
    while (query.next())
        findings << query.value(0).toString();
    return findings.join(QLatin1Char('\n'));
}
