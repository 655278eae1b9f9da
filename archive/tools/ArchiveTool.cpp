// ohmara-archive: the record archive from the command line, for scripts and service work.
#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"
#include "core/Platform.h"
#include "report/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#define OHMARA_TOOL_COMMAND(Name) extern const ToolCommand k##Name##Command;
#include "archive/tools/ToolCommands.def"
#undef OHMARA_TOOL_COMMAND

namespace {

const ToolCommand* const kCommands[] = {
#define OHMARA_TOOL_COMMAND(Name) &k##Name##Command,
#include "archive/tools/ToolCommands.def"
#undef OHMARA_TOOL_COMMAND
};

void PrintHelp(QTextStream& out) {
    out << "用法 / Usage: ohmara-archive [--archive 文件/FILE] 命令/COMMAND [参数/ARGS]\n\n"
           "命令 / Commands:\n";
    for (const ToolCommand* command : kCommands) {
        out << "  " << command->name << ' ' << command->usage << '\n';
        out << "      " << QString::fromUtf8(command->helpZh) << '\n';
        out << "      " << command->helpEn << '\n';
    }
    out << "\n选项 / Options:\n"
           "  --archive FILE  使用指定的记录库文件，而不是数据文件夹中的“记录库.sqlite”\n"
           "                  use this archive file instead of the data folder's\n"
           "  --help          显示本说明 / show this help\n\n"
           "退出码 / Exit codes:\n"
           "  0  完成 / done\n"
           "  1  完成，但有文件被跳过或检查发现问题 / done, but files were skipped or problems found\n"
           "  2  命令或参数有误 / unknown command or bad arguments\n"
           "  3  记录库无法打开或写入 / the archive cannot be opened or written\n"
           "  4  输出文件无法写入 / an output file cannot be written\n"
           "  5  无法连接服务器 / a server cannot be reached\n"
           "  6  服务器尚未建立记录库或版本较新 / the server is not set up, or needs a newer program\n";
}

} // namespace

int OpenToolArchive(ToolContext& context, RecordArchive& archive, bool write) {
    archive.open(context.archivePath, !write);
    if (write ? archive.writable() : archive.readable()) {
        if (!archive.problem().isEmpty())
            context.err << archive.problem() << '\n';
        return kExitOk;
    }
    context.err << QStringLiteral("记录库“%1”%2：%3\n")
                       .arg(QDir::toNativeSeparators(context.archivePath),
                            write ? QStringLiteral("不能写入") : QStringLiteral("不能读取"),
                            archive.problem().isEmpty() ? QStringLiteral("只读") : archive.problem());
    return kExitArchive;
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = app.arguments().mid(1);
    QString archivePath;
    if (arguments.isEmpty() || arguments.contains(QStringLiteral("--help")) ||
        arguments.contains(QStringLiteral("-h"))) {
        PrintHelp(arguments.isEmpty() ? err : out);
        return arguments.isEmpty() ? kExitUsage : kExitOk;
    }
    if (arguments.first() == QStringLiteral("--archive")) {
        if (arguments.size() < 2) {
            err << "--archive: 缺少文件名 / missing file name\n";
            return kExitUsage;
        }
        archivePath = QFileInfo(arguments.at(1)).absoluteFilePath();
        arguments = arguments.mid(2);
    }
    if (arguments.isEmpty()) {
        PrintHelp(err);
        return kExitUsage;
    }
    const QString name = arguments.takeFirst();
    for (const ToolCommand* command : kCommands) {
        if (name != QLatin1String(command->name))
            continue;
        const QString dataFolder =
            archivePath.isEmpty() ? EnsureDataFolder() : QFileInfo(archivePath).absolutePath();
        if (archivePath.isEmpty())
            archivePath = dataFolder + QLatin1Char('/') + kArchiveFileName;
        ToolContext context{archivePath, dataFolder, out, err};
        return command->run(context, arguments);
    }
    err << QStringLiteral("未知命令 / unknown command: %1\n\n").arg(name);
    PrintHelp(err);
    return kExitUsage;
}
