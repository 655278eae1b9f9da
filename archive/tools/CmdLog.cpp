#include "archive/RecordArchive.h"
#include "archive/SyncLog.h"
#include "archive/tools/ToolCommand.h"

#include <QCoreApplication>

namespace {

int RunLog(ToolContext& context, const QStringList& arguments) {
    int limit = 100;
    if (arguments.size() == 1) {
        bool ok = false;
        limit = arguments.first().toInt(&ok);
        if (!ok || limit <= 0) {
            context.err << QCoreApplication::translate("CmdLog",
                                                       "log: N 须为正整数 / N must be a positive number\n");
            return kExitUsage;
        }
    } else if (!arguments.isEmpty()) {
        context.err << QCoreApplication::translate("CmdLog",
                                                   "log: 最多一个参数 N / at most one argument N\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    context.out << QCoreApplication::translate("CmdLog", "本机 / this laptop: %1 (%2)\n")
                       .arg(LaptopName(), archive.laptopId());
    for (const SyncLogEntry& entry : ReadSyncLog(archive, limit))
        context.out << entry.at << '\t' << entry.kind << '\t' << entry.subject << '\t' << entry.message
                    << '\n';
    return kExitOk;
}

} // namespace

extern const ToolCommand kLogCommand{"log", "[N]",
                                     "显示同步记录（最新的 N 条，默认 100）：完成、出错和被覆盖的修改",
                                     "show the sync log (the newest N entries, 100 by default): syncs done, "
                                     "failed, and changes that were overwritten",
                                     RunLog};
