#include "ui/FileExport.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/FileDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString ReplaceQuestion() {
    return QCoreApplication::translate("FileExport", "文件'%1'已经存在，要替换它吗？");
}
QString WriteFailed() {
    return QCoreApplication::translate("FileExport", "保存文件'%1'失败，原有的文件没有改动。\n%2");
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
    QString reason;
    if (!writer(fileName, &reason)) {
        ShowMessage(WriteFailed().arg(fileName, reason), AppTitle(), MsgIcon::Error);
        return false;
    }
    OpenFolder(FolderOfFile(fileName));
    return true;
}

bool FileExport::WriteTable(const QString& fileName, const TablePdfLayout& layout,
                            const TableRowSource& rows) {
    const bool pdf = fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    return Write(fileName, [&](const QString& name, QString* reason) {
        if (pdf)
            return WriteTablePdf(name, layout, rows, reason);
        const Outcome written = WriteTableFile(name, layout.headers, rows);
        *reason = written.reason();
        return written.ok();
    });
}
