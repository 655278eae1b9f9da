#pragma once
// The sync library's words for what went wrong, in one place: Chinese (English through the
// translation), with the text of the server, libpq or SQLite only as a detail after them.
#include "archive/sync/ServerConfig.h"

#include <QString>

namespace SyncMessages {

QString NoServerNamed(const QString& section);
QString LocalArchiveMissing(const QString& path);
QString LocalArchiveUnopened(const QString& detail);
QString LocalArchiveUnwritable(const QString& detail);

QString DriverMissing();
QString CannotConnect(const QString& server, const QString& detail);
QString ConnectionLost(const QString& detail);
QString ServerLocked(qint64 seconds, const QString& detail);
QString StatementTimedOut(const QString& detail);
QString ServerRefused(const QString& detail);
QString NoReadRight(const QString& user);
QString Cancelled();

QString SchemaUnreadable(const QString& detail);
QString SchemaNotSetUp();
QString SchemaOlder(int version);
QString SchemaNewer(int version);
QString SchemaNewerLeftAlone(int version);

} // namespace SyncMessages
