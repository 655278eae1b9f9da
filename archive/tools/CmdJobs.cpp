#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"
#include "archive/tools/ToolCommand.h"

#include <QCoreApplication>

namespace {

// A field of a tab-separated line: tabs and line breaks of free text become spaces.
QString Field(QString text) {
    return text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

int RunJobs(ToolContext& context, const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        context.err << QCoreApplication::translate("CmdJobs", "jobs: 不需要参数 / takes no arguments\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    TestJobs jobs(archive);
    const Result<std::vector<TestJob>> all = jobs.jobs();
    if (!all) {
        context.err << all.reason() << '\n';
        return ExitCodeFor(all);
    }
    QTextStream& out = context.out;
    out << "job_number\trevision\tstation\tkind\tstate\tfirst_day\tlast_day\tworst\trecords\tuntested\t"
           "recorded_by\tchecked_by\tapproved_by\n";
    int partial = kExitOk;
    for (const TestJob& job : *all) {
        const Result<std::vector<JobRow>> rows = jobs.rows(job.uuid);
        if (!rows) {
            context.err << job.title() << ": " << rows.reason() << '\n';
            partial = kExitPartial;
            continue;
        }
        const JobSummary summary = Summarize(*rows);
        int records = 0;
        for (int count : summary.counts)
            records += count;
        const QStringList fields{job.number,
                                 QString::number(job.revision),
                                 job.station,
                                 job.kind,
                                 JobStateText(job.state),
                                 job.firstDay.toString(Qt::ISODate),
                                 job.lastDay.toString(Qt::ISODate),
                                 summary.worst ? VerdictText(*summary.worst) : UntestedText(),
                                 QString::number(records),
                                 QString::number(summary.untested),
                                 job.recordedBy,
                                 job.checkedBy,
                                 job.approvedBy};
        QStringList cleaned;
        for (const QString& field : fields)
            cleaned << Field(field);
        out << cleaned.join(QLatin1Char('\t')) << '\n';
    }
    return partial;
}

} // namespace

extern const ToolCommand kJobsCommand{"jobs", "", "列出试验任务（制表符分隔，首行为列名）",
                                      "list the test jobs (tab-separated, a header line first)", RunJobs};
