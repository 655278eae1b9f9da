#pragma once
// The team-server commands of ohmara-archive: sync, init-server, upgrade-server. Each writes what
// it did to out, a failure to err, and returns an exit code a script can rely on (ToolExit.h).
#include "archive/sync/ServerConfig.h"
#include "archive/sync/ToolExit.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

class ProfileFile;

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

// sync [--server CONNECTION]: the server from CONNECTION ("host=… port=… dbname=… user=…
// sslmode=…" or a postgresql:// URI), else from the settings' [TeamServer] section.
int RunSyncCommand(const QString& archivePath, const ProfileFile& settings, const QStringList& arguments,
                   ServerCommandIo& io);
// init-server CONNECTION: creates the database when it is missing, the schema and the two roles;
// upgrade-server CONNECTION: brings an existing schema up to this program's version. Both run
// as the database's owner (an administrator), and a second run finds the work done.
int RunServerSchemaCommand(bool init, const QStringList& arguments, ServerCommandIo& io);
