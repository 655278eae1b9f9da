#pragma once
// The team-server commands of ohmara-archive: sync, init-server, upgrade-server. Each writes what
// it did to out, a failure to err, and returns an exit code a script can rely on.
#include "archive/sync/ServerConfig.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

class ProfileFile;

namespace SyncExit {
inline constexpr int kOk = 0;
inline constexpr int kPartial = 1;      // done, but the account could only read: nothing was sent
inline constexpr int kUsage = 2;        // bad arguments, or no server named anywhere
inline constexpr int kArchive = 3;      // the local archive cannot be opened or written
inline constexpr int kNetwork = 5;      // the server cannot be reached or went away: try again later
inline constexpr int kServerSchema = 6; // no such database, not set up, or set up by a newer program
inline constexpr int kRefused = 7; // the login was refused, or a right is missing: trying again will not help
} // namespace SyncExit

// What a command may ask of the one who runs it.
struct ServerCommandIo {
    QTextStream& out;
    QTextStream& err;
    // Asks for the password of the server's user when none was found (the prompt says for whom);
    // empty when nobody can answer (no terminal) or nothing was typed.
    std::function<QString(const QString& prompt)> askPassword;
    // Makes the local archive when there is none yet, as the program's window does; false with
    // the reason written to err.
    std::function<bool()> makeArchive;
};

// The exit code for a connection that could not be made, and the failure told in the user's
// words after the driver's message.
int ConnectExit(ConnectFailure failure);
QString ConnectFailureText(ConnectFailure failure);

// sync [--server CONNECTION]: the server from CONNECTION ("host=… port=… dbname=… user=…
// sslmode=…" or a postgresql:// URI), else from the settings' [TeamServer] section.
int RunSyncCommand(const QString& archivePath, const ProfileFile& settings, const QStringList& arguments,
                   ServerCommandIo& io);
// init-server CONNECTION: creates the database when it is missing, the schema and the two roles;
// upgrade-server CONNECTION: brings an existing schema up to this program's version. Both run
// as the database's owner (an administrator), and a second run finds the work done.
int RunServerSchemaCommand(bool init, const QStringList& arguments, ServerCommandIo& io);
