#include "archive/sync/ServerSchema.h"

#include "archive/sync/ServerSql.h"

#include "archive/sync/SyncMessages.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

struct SchemaStep {
    int version;
    int oldestProgram; // the step's own version when older programs cannot use what it makes
    const char* script;
};

constexpr SchemaStep kSteps[] = {
    {1, 1, ":/archive/sync/ServerSchema1.sql"},
    {2, 1, ":/archive/sync/ServerSchema2.sql"},
    {3, 1, ":/archive/sync/ServerSchema3.sql"},
};
static_assert(std::size(kSteps) == kServerSchemaVersion);

QStringList ScriptStatements(const QString& resource) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList statements;
    QString current;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed() == QLatin1String(";")) {
            statements << current;
            current.clear();
        } else {
            current += line + QLatin1Char('\n');
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current;
    return statements;
}

} // namespace

ServerSchemaState ReadServerSchema(QSqlDatabase& db) {
    ServerSchemaState state;
    QSqlQuery exists = ServerStatement(db, ServerSql::SchemaExists);
    if (!ServerExec(exists) || !exists.next()) {
        state.error = exists.lastError().text();
        return state;
    }
    if (!exists.value(0).toBool())
        return state;
    QSqlQuery query = ServerStatement(db, ServerSql::SchemaVersion);
    if (!ServerExec(query)) {
        state.error = query.lastError().text();
        return state;
    }
    if (query.next()) {
        state.version = query.value(0).toInt();
        state.oldestProgram = query.value(1).toInt();
    }
    return state;
}

QString ServerCompatibility(const ServerSchemaState& state) {
    if (!state.error.isEmpty())
        return SyncMessages::SchemaUnreadable(state.error);
    if (state.version == 0)
        return SyncMessages::SchemaNotSetUp();
    if (state.oldestProgram > kServerSchemaVersion)
        return SyncMessages::SchemaNewer(state.version);
    return {};
}

Result<int> UpgradeServerSchema(QSqlDatabase& db) {
    if (!db.transaction())
        return Outcome::Failure(db.isOpen() ? FailureKind::Refused : FailureKind::Unreachable,
                                db.lastError().text(), db.lastError().text());
    const auto fail = [&](const QString& why, FailureKind kind = FailureKind::Refused) {
        db.rollback();
        if (!db.isOpen())
            kind = FailureKind::Unreachable;
        return Outcome::Failure(kind, why, kind == FailureKind::Incompatible ? QString() : why);
    };
    // Index builds on a large server take their time; the database's own limits are for the
    // program's sessions.
    QSqlQuery noTimeout = ServerStatement(db, ServerSql::NoStatementTimeout);
    if (!ServerExec(noTimeout))
        return fail(noTimeout.lastError().text());
    // One upgrade at a time: a second tool waits here, then finds the work done.
    QSqlQuery lock = ServerStatement(db, ServerSql::LockSchema);
    if (!ServerExec(lock))
        return fail(lock.lastError().text());
    QSqlQuery query(db);
    const ServerSchemaState before = ReadServerSchema(db);
    if (!before.error.isEmpty())
        return fail(before.error);
    if (before.version > kServerSchemaVersion)
        return fail(SyncMessages::SchemaNewerLeftAlone(before.version), FailureKind::Incompatible);
    for (const SchemaStep& step : kSteps) {
        if (step.version <= before.version)
            continue;
        const QStringList statements = ScriptStatements(QString::fromLatin1(step.script));
        if (statements.isEmpty())
            return fail(QStringLiteral("missing schema script %1").arg(QString::fromLatin1(step.script)));
        for (const QString& statement : statements) {
            if (!query.exec(statement))
                return fail(query.lastError().text());
        }
        QSqlQuery version = ServerStatement(db, ServerSql::AddSchemaVersion);
        version.addBindValue(step.version);
        version.addBindValue(step.oldestProgram);
        if (!ServerExec(version))
            return fail(version.lastError().text());
    }
    if (!db.commit())
        return fail(db.lastError().text());
    return before.version;
}
