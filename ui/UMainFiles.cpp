// Save and open: the file dialogs, the choice of route by the name's ending, and the busy dialog
// around the workbook route. The file formats themselves live in report/.
#include "ui/UMain.h"

#include "core/Platform.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "report/WorkbookReader.h"
#include "report/WorkbookWriter.h"
#include "ui/FileDialogs.h"
#include "ui/FileExport.h"
#include "ui/UDlgProcess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QPointer>
#include <chrono>

namespace {

constexpr auto kFolderDelay = std::chrono::milliseconds(100);
QString SaveTitle() {
    return QCoreApplication::translate("UMainFiles", "保存当前测试数据");
}
QString OpenTitle() {
    return QCoreApplication::translate("UMainFiles", "打开试验数据");
}
const QString kWorkbookSuffix = QStringLiteral("xlsx");
const QString kTextEnding = QStringLiteral(".txt");
QString ConvertTip() {
    return QCoreApplication::translate("UMainFiles", "正在进行Excel报表转换，请稍候...");
}
QString ConvertFailed() {
    return QCoreApplication::translate("UMainFiles", "转换成Excel格式失败！");
}
QString StartFailed() {
    return QCoreApplication::translate("UMainFiles", "启动Excel失败！");
}
QString OpenFailed() {
    return QCoreApplication::translate("UMainFiles", "打开文件'%1'失败，表格未改动。\n%2");
}

QString FilterEntry(const QString& patterns) {
    return QCoreApplication::translate("UMainFiles", "测试数据文件(%1)").arg(patterns);
}

// Only ".txt" in exactly these letters at the very end picks the text route.
bool IsTextFileName(const QString& fileName) {
    return RightText(fileName, 4).contains(kTextEnding);
}

using BusyDialog = QPointer<TFrmProcess>;

BusyDialog OpenBusyDialog(const QWidget* owner) {
    BusyDialog dialog = new TFrmProcess();
    dialog->SetTip(ConvertTip());
    dialog->SetCountRange(1, 2);
    dialog->SetProcessRange(1, 3);
    dialog->CentreOn(owner);
    dialog->show();
    return dialog;
}

bool ProgressStep(const BusyDialog& dialog, int count, int process) {
    return dialog && dialog->ProgressStep(count, process);
}

void CloseBusyDialog(const BusyDialog& dialog) {
    if (dialog)
        dialog->close();
}

} // namespace

void TFrmMain::BtnSaveClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = SaveTitle();
    request.filters = {FilterEntry(QStringLiteral("*.xlsx")), FilterEntry(QStringLiteral("*.txt"))};
    request.initialFolder = EnsureDataFolder();
    request.proposedName = FormatFileStamp(QDateTime::currentDateTime());
    request.defaultSuffix = kWorkbookSuffix;
    const QString fileName = ChooseFileName(request);
    if (fileName.isEmpty())
        return;
    // The proposed time-stamp name never exists; a name the user picked may.
    if (!FileExport::MayReplace(fileName))
        return;
    if (IsTextFileName(fileName))
        SaveToTextFile(fileName);
    else
        ExportToExcel(fileName);
}

void TFrmMain::BtnOpenClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = OpenTitle();
    request.filters = {FilterEntry(QStringLiteral("*.xlsx *.xls")), FilterEntry(QStringLiteral("*.txt"))};
    request.initialFolder = EnsureDataFolder();
    request.defaultSuffix = kWorkbookSuffix;
    request.mustExist = true;
    const QString fileName = ChooseFileName(request);
    if (fileName.isEmpty())
        return;
    if (IsTextFileName(fileName))
        LoadFromTextFile(fileName);
    else
        ImportFromExcel(fileName);
}

void TFrmMain::SaveToTextFile(const QString& fileName) {
    if (const Outcome saved = WriteDataFile(fileName, *m_grid, giRecordCount); !saved) {
        ShowMessage(QCoreApplication::translate("UMainFiles", "保存文件'%1'失败，原有文件未改动。\n%2")
                        .arg(fileName, saved.reason()),
                    AppTitle(), MsgIcon::Error);
        return;
    }
    OpenFolder(FolderOfFile(fileName));
}

void TFrmMain::LoadFromTextFile(const QString& fileName) {
    Result<DataFileRecords> read = ReadDataFile(fileName);
    if (!read || read->blank)
        ShowMessage(read ? DataFileBlankMessage() : read.reason(), DataFileErrorCaption(), MsgIcon::Error);
    if (!read)
        return;
    m_grid->replaceRecords(std::move(read->rows), read->recordCount);
}

void TFrmMain::ExportToExcel(const QString& fileName) {
    const BusyDialog dialog = OpenBusyDialog(this);
    bool cancelled = ProgressStep(dialog, 1, 1);
    if (!cancelled) {
        if (!CanMakeWorkbook(fileName))
            ShowMessage(StartFailed(), AppTitle(), MsgIcon::Warning);
        else if (!WriteRecordWorkbook(fileName, *m_grid, giRecordCount))
            ShowMessage(ConvertFailed(), AppTitle(), MsgIcon::Warning);
        else
            cancelled = ProgressStep(dialog, 2, 2);
    }
    CloseBusyDialog(dialog);
    if (cancelled)
        return;
    Delay(uint16_t(kFolderDelay.count()));
    OpenFolder(FolderOfFile(fileName));
}

void TFrmMain::ImportFromExcel(const QString& fileName) {
    const BusyDialog dialog = OpenBusyDialog(this);
    if (!ProgressStep(dialog, 1, 1)) {
        if (Result<WorkbookRecords> read = ReadRecordWorkbook(fileName)) {
            // The grid changes only once the whole sheet has been read.
            m_grid->replaceRecords(std::move(read->rows), read->recordCount);
            ProgressStep(dialog, 2, 2);
        } else {
            // Its own message, with the reason: an open is no conversion.
            ShowMessage(OpenFailed().arg(QDir::toNativeSeparators(fileName), read.reason()), AppTitle(),
                        MsgIcon::Warning);
        }
    }
    CloseBusyDialog(dialog);
}
