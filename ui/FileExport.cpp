#include "ui/FileExport.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/FileDialogs.h"
#include "ui/WorkProgress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace {

QString ReplaceQuestion() {
    return QCoreApplication::translate("FileExport", "文件'%1'已经存在，要替换它吗？");
}
QString WriteFailed() {
    return QCoreApplication::translate("FileExport", "保存文件'%1'失败，原有的文件没有改动。\n%2");
}

WorkProgressTexts ExportProgressTexts(const QString& fileName) {
    return {
        QCoreApplication::translate("FileExport", "导出文件"),
        QCoreApplication::translate("FileExport", "正在导出“%1”…").arg(QDir::toNativeSeparators(fileName)),
        QCoreApplication::translate("FileExport", "导出进度"),
        QCoreApplication::translate("FileExport", "取消"),
        QCoreApplication::translate("FileExport", "正在取消导出…")};
}

} // namespace

FileExport::FileExport(QString title, QString proposedName)
    : m_title(std::move(title)), m_proposedName(std::move(proposedName)) {}

QString FileExport::choose(const QStringList& filters) const {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = m_title;
    request.filters = filters;
    request.initialFolder = EnsureDataFolder();
    request.proposedName = m_proposedName;
    const QString fileName = ChooseFileName(request);
    return !fileName.isEmpty() && MayReplace(fileName) ? fileName : QString();
}

bool FileExport::MayReplace(const QString& fileName) {
    return !QFileInfo::exists(fileName) ||
           ShowMessage(ReplaceQuestion().arg(QDir::toNativeSeparators(fileName)), AppTitle(),
                       MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
}

bool FileExport::Write(const QString& fileName, const Writer& writer) {
    if (const Outcome written = writer(fileName); !written) {
        ShowMessage(WriteFailed().arg(fileName, written.reason()), AppTitle(), MsgIcon::Error);
        return false;
    }
    OpenFolder(FolderOfFile(fileName));
    return true;
}

bool FileExport::WriteTable(const QString& fileName, const TableExport& table) {
    return Write(fileName, [&table](const QString& name) { return WriteTableExport(name, table); });
}

bool FileExport::Run(QWidget* window, const QString& fileName, WorkRunner::Work work,
                     std::function<void(const Outcome& outcome, bool stopped)> ended) {
    for (const WorkRunner* other : window->findChildren<WorkRunner*>(Qt::FindDirectChildrenOnly))
        if (other->running())
            return false;
    auto* runner = new WorkRunner(window);
    auto* progress = new WorkProgress(window, ExportProgressTexts(fileName), [runner] { runner->stop(); });
    progress->setObjectName(QStringLiteral("ExportProgress"));
    progress->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(runner, &WorkRunner::progress, progress, &WorkProgress::showProgress);
    QObject::connect(runner, &WorkRunner::finished, window,
                     [runner, progress, ended = std::move(ended)](const Outcome& outcome, bool stopped) {
                         runner->wait();
                         runner->deleteLater();
                         progress->end();
                         ended(outcome, stopped);
                     });
    progress->showSoon();
    runner->start(std::move(work));
    return true;
}

bool FileExport::WriteInBackground(QWidget* window, const QString& fileName, WorkRunner::Work work,
                                   std::function<void(bool written)> done) {
    return Run(window, fileName, std::move(work),
               [fileName, done = std::move(done)](const Outcome& outcome, bool stopped) {
                   if (!stopped && !outcome)
                       ShowMessage(WriteFailed().arg(fileName, outcome.reason()), AppTitle(), MsgIcon::Error);
                   else if (outcome)
                       OpenFolder(FolderOfFile(fileName));
                   if (done)
                       done(outcome.ok());
               });
}

bool FileExport::WriteTableInBackground(QWidget* window, const QString& fileName, TableExport table,
                                        std::function<void(bool written)> done) {
    return WriteInBackground(
        window, fileName,
        [fileName, table = std::move(table)](const WorkControl& control) {
            return WriteTableExport(fileName, table, control);
        },
        std::move(done));
}

Outcome WriteTableExport(const QString& fileName, const TableExport& table, const WorkControl& control) {
    const qint64 total = qint64(table.rows.size());
    const TableRowSource source = [&](qint64 row, QStringList* cells) {
        control.report(row, total);
        if (row >= total)
            return false;
        *cells = table.rows[size_t(row)];
        return true;
    };
    if (!fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return WriteTableFile(fileName, table.layout.headers, source, control.stop);
    return WriteTablePdf(fileName, table.layout, source, control.stop);
}
