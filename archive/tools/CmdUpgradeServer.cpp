#include "archive/sync/SyncCommands.h"
#include "archive/tools/ToolCommand.h"

namespace {

int RunUpgradeServer(ToolContext& context, const QStringList& arguments) {
    ServerCommandIo io{context.out, context.err, AskOnTerminal, {}};
    return RunServerSchemaCommand(false, arguments, io);
}

} // namespace

extern const ToolCommand kUpgradeServerCommand{
    "upgrade-server", "CONNECTION", "把服务器的记录库升级到本程序的版本",
    "bring the team server's schema up to this program's version", RunUpgradeServer};
