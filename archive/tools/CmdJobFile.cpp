#include "archive/JobExchange.h"
#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"
#include "report/JobReportContent.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

int RunExportJob(ToolContext& context, const QStringList& arguments) {
    if (arguments.size() != 2) {
        context.err << QCoreApplication::translate(
            "CmdJobFile", "export-job: 用法 / usage: export-job 任务编号/JOB 文件/FILE.json\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    const Result<QString> uuid = FindJob(archive, arguments.at(0));
    if (!uuid) {
        context.err << uuid.reason() << '\n';
        return kExitUsage;
    }
    const QString file = QFileInfo(arguments.at(1)).absoluteFilePath();
    if (const Outcome written = ExportJobFile(archive, *uuid, file); !written) {
        context.err << written.reason() << '\n';
        return ExitCodeFor(written, ExitSubject::OutputFile);
    }
    context.out << QDir::toNativeSeparators(file) << '\n';
    return kExitOk;
}

int RunImportJob(ToolContext& context, const QStringList& arguments) {
    if (arguments.size() != 1) {
        context.err << QCoreApplication::translate("CmdJobFile",
                                                   "import-job: 用法 / usage: import-job 文件/FILE.json\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, true); opened != kExitOk)
        return opened;
    const Result<JobImport> imported = ImportJobFile(archive, arguments.at(0));
    if (!imported) {
        context.err << imported.reason() << '\n';
        return ExitCodeFor(imported);
    }
    context.out << imported->text() << '\n';
    return kExitOk;
}

} // namespace

extern const ToolCommand kExportJobCommand{
    "export-job", "任务编号/JOB 文件/FILE.json",
    "把试验任务（设备台账、仪器、记录、判定依据、审批）导出为一个 JSON 文件",
    "export a job (assets, instrument, records, verdicts with their grounds, approval) as one JSON file",
    RunExportJob};
extern const ToolCommand kImportJobCommand{
    "import-job", "文件/FILE.json", "导入试验任务文件：按标识合并，不重复；已批准的版本不变",
    "import a job file: merged by identity, never doubled; an approved revision stays as it is",
    RunImportJob};
