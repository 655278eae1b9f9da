#pragma once
// The team-server commands of ohmara-archive: sync, init-server, upgrade-server. Each writes what
// it did to out, a failure to err, and returns an exit code a script can rely on.
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace SyncExit {
inline constexpr int kOk = 0;
inline constexpr int kPartial = 1; // done, but the account could only read: nothing was sent
inline constexpr int kUsage = 2;
inline constexpr int kArchive = 3;      // the local archive cannot be opened or written
inline constexpr int kNetwork = 5;      // the server cannot be reached, refused the login, or went away
inline constexpr int kServerSchema = 6; // the server is not set up, or set up by a newer program
} // namespace SyncExit

// sync [--server CONNECTION]: the server from CONNECTION ("host=… port=… dbname=… user=…
// sslmode=…" or a postgresql:// URI), else from the settings file's [TeamServer] section.
int RunSyncCommand(const QString& archivePath, const QString& settingsPath, const QStringList& arguments,
                   QTextStream& out, QTextStream& err);
// init-server CONNECTION: creates the database when it is missing, the schema and the two roles;
// upgrade-server CONNECTION: brings an existing schema up to this program's version. Both run
// as the database's owner (an administrator), and a second run finds the work done.
int RunServerSchemaCommand(bool init, const QStringList& arguments, QTextStream& out, QTextStream& err);
