#pragma once
// One command of ohmara-archive. A command is its own file defining k<Name>Command, and one line
// OHMARA_TOOL_COMMAND(<Name>) in ToolCommands.def.
#include <QString>
#include <QStringList>
#include <QTextStream>

class RecordArchive;

// Exit codes a script can rely on.
enum ToolExit {
    kExitOk = 0,      // done
    kExitPartial = 1, // done, but something was skipped or found wrong (the output says what)
    kExitUsage = 2,   // unknown command or bad arguments
    kExitArchive = 3, // the archive cannot be opened, or cannot be written by a command that writes
    kExitFile = 4,    // a file named on the command line cannot be written
    kExitNetwork = 5, // a team server cannot be reached or went away: try again later
    kExitServer = 6,  // the server has no such database, is not set up, or needs a newer program
    kExitRefused = 7, // the server refused the login, or a right is missing: trying again will not help
};

struct ToolContext {
    QString archivePath; // --archive, or the data folder's archive
    QString dataFolder;
    QString settingsFile; // the program's own settings file
    QTextStream& out;
    QTextStream& err;
};

struct ToolCommand {
    const char* name;
    const char* usage; // arguments after the name
    const char* helpZh;
    const char* helpEn;
    int (*run)(ToolContext& context, const QStringList& arguments);
};

// Opens the archive for the command; kExitOk or kExitArchive (with the reason written to err).
int OpenToolArchive(ToolContext& context, RecordArchive& archive, bool write);
// Asks on the controlling terminal without echo; empty when there is none.
QString AskOnTerminal(const QString& prompt);
