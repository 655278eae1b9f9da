#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"
#include "report/JobReport.h"
#include "report/JobReportContent.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

int RunReport(ToolContext& context, const QStringList& arguments) {
    QString job, pdf;
    bool charts = false;
    bool wrong = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--pdf") && i + 1 < arguments.size())
            pdf = arguments.at(++i);
        else if (argument == QLatin1String("--charts"))
            charts = true;
        else if (job.isEmpty() && !argument.startsWith(QLatin1String("--")))
            job = argument;
        else
            wrong = true;
    }
    if (wrong || job.isEmpty() || pdf.isEmpty()) {
        context.err << QCoreApplication::translate(
            "CmdReport", "report: 用法 / usage: report 任务编号/JOB --pdf 文件/FILE [--charts]\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    const Result<QString> uuid = FindJob(archive, job);
    if (!uuid) {
        context.err << uuid.reason() << '\n';
        return kExitUsage;
    }
    const Result<JobReportContent> content = LoadJobReportContent(archive, *uuid, context.dataFolder, charts);
    if (!content) {
        context.err << content.reason() << '\n';
        return kExitArchive;
    }
    const ReportTemplate form = LoadReportTemplate(context.dataFolder);
    if (!form.problem.isEmpty())
        context.err << form.problem << '\n';
    const QString file = QFileInfo(pdf).absoluteFilePath();
    if (const Outcome written = WriteJobReportPdf(*content, form, file); !written) {
        context.err << written.reason() << '\n';
        return kExitFile;
    }
    context.out << QDir::toNativeSeparators(file) << '\n';
    return form.problem.isEmpty() ? kExitOk : kExitPartial;
}

} // namespace

extern const ToolCommand kReportCommand{
    "report", "任务编号/JOB --pdf 文件/FILE [--charts]",
    "把试验任务的报告写成 PDF（--charts 附趋势图；数据文件夹中的“报告模板.html”优先于内置模板）",
    "write a job's test report as a PDF (--charts adds the trend charts; the data folder's "
    "\"报告模板.html\" takes the place of the built-in template, in English \"report-template-en.html\")",
    RunReport};
