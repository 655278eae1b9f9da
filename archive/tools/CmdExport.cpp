#include "archive/ArchiveQueries.h"
#include "archive/RecordArchive.h"
#include "archive/TableFile.h"
#include "archive/tools/ToolCommand.h"
#include "core/RecordGrid.h"

#include <QCoreApplication>

namespace {

int RunExport(ToolContext& context, const QStringList& arguments) {
    if (arguments.size() != 1 || !(arguments.first().endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ||
                                   IsCsvName(arguments.first()))) {
        context.err << QCoreApplication::translate(
            "CmdExport", "export: 需要一个 .xlsx 或 .csv 文件名 / expects one FILE.xlsx or FILE.csv\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    if (!IsCsvName(arguments.first())) {
        // A sheet holds a header and kXlsxMaxRows records: said before anything is written.
        const qint64 count = archive.recordCount();
        if (count < 0) {
            context.err << archive.failure().reason() << '\n';
            return kExitArchive;
        }
        if (count > kXlsxMaxRows) {
            context.err << QCoreApplication::translate(
                               "CmdExport",
                               "记录库有 %1 条记录，超过一个工作表能容纳的 %2 行；请导出为 .csv / "
                               "%1 records do not fit a worksheet of %2 rows: export FILE.csv\n")
                               .arg(count)
                               .arg(kXlsxMaxRows);
            return kExitFile;
        }
    }
    RecordCursor records(archive);
    if (!records.ok()) {
        context.err << archive.failure().reason() << '\n';
        return kExitArchive;
    }
    // The record table of the workbooks: it reads back into the grid and into an archive.
    qint64 written = 0;
    const Outcome done =
        WriteTableFile(arguments.first(), RecordGrid::Headers(), [&](qint64, QStringList* cells) {
            QString id;
            TestRecord::Texts texts;
            if (!records.next(&id, &texts))
                return false;
            for (const QString& text : texts)
                *cells << text.trimmed();
            ++written;
            return true;
        });
    if (!done) {
        context.err << QCoreApplication::translate("CmdExport", "无法写入 / cannot write %1: %2\n")
                           .arg(arguments.first(), done.reason());
        return ExitCodeFor(done, ExitSubject::OutputFile);
    }
    context.out
        << QCoreApplication::translate("CmdExport", "写出 %1 条记录 / wrote %1 records\n").arg(written);
    return kExitOk;
}

} // namespace

extern const ToolCommand kExportCommand{
    "export", "FILE.xlsx|FILE.csv", "把记录库中的全部记录写成工作簿（.xlsx）或逗号分隔文件（.csv）",
    "write every record of the archive as an .xlsx workbook or a .csv file", RunExport};
