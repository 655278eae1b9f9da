#include "archive/RecordArchive.h"
#include "archive/sync/SyncCommands.h"
#include "archive/tools/ToolCommand.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"

namespace {

int RunSync(ToolContext& context, const QStringList& arguments) {
    // The program's own settings (an administrator's beside the program until the user has some).
    const ProfileFile settings = ReadSettingsFile();
    ServerCommandIo io{context.out, context.err, AskOnTerminal, [&context] {
                           // A new laptop starts with an empty archive, filled from the server.
                           RecordArchive archive;
                           return OpenToolArchive(context, archive, true) == kExitOk;
                       }};
    return RunSyncCommand(context.archivePath, settings, arguments, io);
}

} // namespace

extern const ToolCommand kSyncCommand{
    "sync", "[--server CONNECTION]",
    "与团队服务器交换双方缺少的记录、设备台账和判据；本机还没有记录库时先建立一个",
    "exchange with the team server the records, register rows and rules either side lacks; an archive "
    "is made first when there is none",
    RunSync};
