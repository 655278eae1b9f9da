// ohmara-archive: the record archive from the command line, for scripts and service work.
#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"
#include "core/Language.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProgramPlaces.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

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
           "  设置文件和数据文件夹与程序 ohmara 相同（status 显示其位置）\n"
           "  the settings file and the data folder are the program's own (status shows where)\n"
           "  --lang en|zh    以英文或中文显示消息（默认按设置文件，再按 LANG）\n"
           "                  messages in English or Chinese (otherwise as the settings file says, then as "
           "LANG)\n"
           "  --help          显示本说明 / show this help\n\n"
           "退出码 / Exit codes:\n"
           "  0  完成 / done\n"
           "  1  完成，但有文件被跳过或检查发现问题；sync：只读账户，取回了记录，本机的未上传\n"
           "     done, but files were skipped or problems found; sync: a read-only account took\n"
           "     the server's records and sent nothing\n"
           "  2  命令或参数有误，或没有设置服务器 / unknown command or bad arguments, or no server named\n"
           "  3  记录库无法打开或写入 / the archive cannot be opened or written\n"
           "  4  输出文件无法写入 / an output file cannot be written\n"
           "  5  无法连接服务器或连接中断，可稍后再试 / a server cannot be reached or went away: try later\n"
           "  6  服务器上没有这个数据库、尚未建立记录库或版本较新\n"
           "     the server has no such database, is not set up, or needs a newer program\n"
           "  7  服务器拒绝了登录、缺少权限或拒绝了数据，重试无用\n"
           "     the server refused the login, a right is missing, or it refused the data: do not retry\n";
}

// Qt's own warnings (a driver's "Unable to connect", "Database not open") repeat what the tool
// says in its own words: a script reads only those.
void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

QString AskOnTerminal(const QString& prompt) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0)
        return {};
    const QByteArray question = prompt.toLocal8Bit();
    termios saved{};
    const bool quiet = ::tcgetattr(tty, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &silent);
    }
    QByteArray answer;
    if (::write(tty, question.constData(), size_t(question.size())) == question.size()) {
        char c = 0;
        while (::read(tty, &c, 1) == 1 && c != '\n' && c != '\r' && answer.size() < 4096)
            answer += c;
    }
    if (quiet)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    static_cast<void>(::write(tty, "\n", 1));
    ::close(tty);
    return QString::fromLocal8Bit(answer);
}

int OpenToolArchive(ToolContext& context, RecordArchive& archive, bool write) {
    archive.open(context.archivePath, write ? ArchiveOpening::Write : ArchiveOpening::ReadOnly);
    const Outcome failure = archive.failure();
    if (write ? archive.writable() : archive.readable()) {
        if (!failure)
            context.err << failure.reason() << '\n';
        return kExitOk;
    }
    context.err << QCoreApplication::translate("ArchiveTool", "记录库“%1”%2：%3\n")
                       .arg(QDir::toNativeSeparators(context.archivePath),
                            write ? QCoreApplication::translate("ArchiveTool", "不能写入")
                                  : QCoreApplication::translate("ArchiveTool", "不能读取"),
                            failure ? QCoreApplication::translate("ArchiveTool", "只读") : failure.reason());
    // A read-only archive (the caller asked to write) is the archive's failure all the same.
    return failure ? kExitArchive : ExitCodeFor(failure);
}

// The report lays out text with the fonts of the system: that command alone needs Qt GUI, on a
// platform that shows nothing (a server without a display runs it too).
static bool DrawsReport(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "report") == 0)
            return true;
    return false;
}

int main(int argc, char* argv[]) {
    qInstallMessageHandler(QuietQt);
    const bool drawing = DrawsReport(argc, argv);
    if (drawing)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application(drawing ? new QGuiApplication(argc, argv)
                                                                : new QCoreApplication(argc, argv));
    QCoreApplication& app = *application;
    QTextStream out(stdout);
    QTextStream err(stderr);
    // What the program would show in a message box (a settings file that cannot be read) is said here.
    SetMessageHandler([&err](const MessageRequest& request) {
        err << request.text << '\n';
        err.flush();
        return request.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    });
    // Messages in English with --lang en, the program's own choice, or a LANG that names English.
    const QStringList given = app.arguments().mid(1);
    if (ChosenLanguage(given, ReadSettingsFile(), true) == UiLanguage::English)
        InstallLanguage(UiLanguage::English);
    QStringList arguments = WithoutLanguageOption(given);
    QString archivePath;
    if (arguments.isEmpty() || arguments.contains(QStringLiteral("--help")) ||
        arguments.contains(QStringLiteral("-h"))) {
        PrintHelp(arguments.isEmpty() ? err : out);
        return arguments.isEmpty() ? kExitUsage : kExitOk;
    }
    if (arguments.first() == QStringLiteral("--archive")) {
        if (arguments.size() < 2) {
            err << QCoreApplication::translate("ArchiveTool", "--archive: 缺少文件名 / missing file name\n");
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
        ToolContext context{archivePath, dataFolder, SettingsFilePath(), out, err};
        return command->run(context, arguments);
    }
    err << QCoreApplication::translate("ArchiveTool", "未知命令 / unknown command: %1\n\n").arg(name);
    PrintHelp(err);
    return kExitUsage;
}
