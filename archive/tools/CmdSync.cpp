#include "archive/sync/SyncCommands.h"
#include "archive/tools/ToolCommand.h"
#include "core/UDataCenter.h"

namespace {

int RunSync(ToolContext& context, const QStringList& arguments) {
    return RunSyncCommand(context.archivePath, SettingsFilePath(), arguments, context.out, context.err);
}

} // namespace

extern const ToolCommand kSyncCommand{
    "sync", "[--server CONNECTION]", "与团队服务器交换双方缺少的记录、设备台账和判据",
    "exchange with the team server the records, register rows and rules either "
    "side lacks",
    RunSync};
