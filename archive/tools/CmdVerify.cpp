#include "archive/ArchiveQueries.h"
#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"
#include "core/TestRecord.h"

#include <QCoreApplication>

namespace {

int RunVerify(ToolContext& context, const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        context.err << QCoreApplication::translate("CmdVerify", "verify: 不需要参数 / takes no arguments\n");
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    int problems = 0;
    const QString integrity = archive.check(true);
    if (integrity != QStringLiteral("ok")) {
        context.out << "integrity_check: " << integrity << '\n';
        ++problems;
    }
    // Each record's identity must still follow from its texts.
    RecordCursor records(archive);
    qint64 checked = 0;
    QString id;
    TestRecord::Texts texts;
    while (records.next(&id, &texts)) {
        ++checked;
        if (TestRecord::FromTexts(texts).identity() != id.toLatin1() && ++problems <= 20)
            context.out << QCoreApplication::translate(
                               "CmdVerify",
                               "记录 %1 的内容与其标识不符 / record %1 does not match its identity\n")
                               .arg(id);
    }
    if (!records.ok())
        ++problems;
    context.out << QCoreApplication::translate(
                       "CmdVerify", "检查了 %1 条记录，发现 %2 个问题 / checked %1 records, %2 problems\n")
                       .arg(checked)
                       .arg(problems);
    return problems == 0 ? kExitOk : kExitPartial;
}

} // namespace

extern const ToolCommand kVerifyCommand{"verify", "", "检查记录库文件是否完好、每条记录是否与其标识相符",
                                        "check the archive file and that every record matches its identity",
                                        RunVerify};
