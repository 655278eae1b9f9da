#pragma once
// One command of ohmara-archive. A command is its own file defining k<Name>Command, and one line
// OHMARA_TOOL_COMMAND(<Name>) in ToolCommands.def.
#include "archive/sync/ToolExit.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

class RecordArchive;

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
