#include "archive/sync/ServerSql.h"

#include <QSqlDatabase>

QString ServerSqlText(ServerSql statement) {
    switch (statement) {
    // The session, records and added-only tables.
    case ServerSql::Rights:
        return QStringLiteral("SELECT has_any_column_privilege('ohmara.records', 'INSERT'),"
                              " has_any_column_privilege('ohmara.assets', 'UPDATE'),"
                              " has_table_privilege('ohmara.records', 'SELECT'),"
                              " (SELECT CAST(id AS text) FROM ohmara.server_identity LIMIT 1)");

        // The tables whose rows change.

        // The schema and the tool's commands.
    }
    return {};
}

QSqlQuery ServerStatement(const QSqlDatabase& server, ServerSql statement) {
    QSqlQuery query(server);
    query.setForwardOnly(true);
    query.prepare(ServerSqlText(statement));
    return query;
}
