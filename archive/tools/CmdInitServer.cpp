#include "archive/sync/SyncCommands.h"
#include "archive/tools/ToolCommand.h"

namespace {

int RunInitServer(ToolContext& context, const QStringList& arguments) {
    ServerCommandIo io{context.out, context.err, AskOnTerminal, {}};
    return RunServerSchemaCommand(true, arguments, io);
}

} // namespace

extern const ToolCommand kInitServerCommand{
    "init-server", "CONNECTION", "在 PostgreSQL 服务器上建立记录库（数据库、表和两个角色）",
    "set up the team server's database, tables and roles", RunInitServer};
