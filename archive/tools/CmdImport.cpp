#include "archive/ArchiveImport.h"
#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

int RunImport(ToolContext& context, const QStringList& arguments) {
    if (arguments.isEmpty()) {
        context.err << QCoreApplication::translate("CmdImport", "import: 缺少文件或文件夹 / missing PATH\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, true); opened != kExitOk)
        return opened;
    ImportSummary total;
    for (const QString& path : arguments) {
        const QFileInfo info(path);
        ImportOptions options;
        options.root = info.isDir() && !info.isSymLink() ? info.absoluteFilePath() : info.absolutePath();
        options.onlyChanged = false;
        options.settleMilliseconds = 0;
        const ImportSummary summary = ImportFiles(archive, {info.absoluteFilePath()}, options);
        total.filesRead += summary.filesRead;
        total.recordsRead += summary.recordsRead;
        total.recordsAdded += summary.recordsAdded;
        total.skipped.insert(total.skipped.end(), summary.skipped.begin(), summary.skipped.end());
        if (!summary.failure.ok()) {
            context.err << summary.failure.reason() << '\n';
            return ExitCodeFor(summary.failure);
        }
    }
    context.out << QCoreApplication::translate(
                       "CmdImport",
                       "读取 %1 个文件、%2 条记录，新增 %3 条 / read %1 files, %2 records, %3 new\n")
                       .arg(total.filesRead)
                       .arg(total.recordsRead)
                       .arg(total.recordsAdded);
    if (total.skipped.empty())
        return kExitOk;
    context.err
        << QCoreApplication::translate("CmdImport", "跳过 %1 个 / skipped %1:\n").arg(total.skipped.size())
        << SkippedText(total.skipped, 1000) << '\n';
    return kExitPartial;
}

} // namespace

extern const ToolCommand kImportCommand{
    "import", "PATH...", "把数据文件、工作簿或文件夹中的记录导入记录库；不能读取的文件列出原因并跳过",
    "bring the records of data files, workbooks or folders into the archive; unreadable files are listed "
    "with the reason and skipped",
    RunImport};
