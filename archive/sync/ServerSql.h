#pragma once
// Every statement the sync and the tool run on the team server, by name, written out in
// ServerSql.cpp with the schema's tables and columns (never put together from variables).
#include <QSqlQuery>
#include <QString>

class QSqlDatabase;

enum class ServerSql {
    // The session: its position, rights, counts and laptop names; records and added-only tables.
    Rights, // may add records, may change the register, may read; the server's identity

    // The tables whose rows change (register, rules, instruments, intervals, jobs).

    // The schema and the tool's commands.
};

QString ServerSqlText(ServerSql statement);
// The statement prepared on a server connection, forward only. One that does not prepare fails
// its exec() with the server's reason.
QSqlQuery ServerStatement(const QSqlDatabase& server, ServerSql statement);
