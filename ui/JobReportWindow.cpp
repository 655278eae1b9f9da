#include "ui/JobReportWindow.h"

#include "archive/ProgramArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "report/JobReport.h"
#include "report/UDlgPreview.h"
#include "ui/FileExport.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <memory>

TFrmPreview* ShowJobReport(const QString& uuid, bool trends, QWidget* parent) {
    const QString dataFolder = EnsureDataFolder();
    const Result<JobReportContent> read =
        LoadJobReportContent(ProgramArchive::shared().archive(), uuid, dataFolder, trends);
    if (!read) {
        ShowMessage(read.reason(), AppTitle(), MsgIcon::Warning);
        return nullptr;
    }
    auto form = std::make_shared<ReportTemplate>(LoadReportTemplate(dataFolder));
    if (!form->problem.isEmpty())
        ShowMessage(form->problem, AppTitle(), MsgIcon::Warning);
    auto content = std::make_shared<JobReportContent>(*read);

    // The printer lays out at the resolution the PDF file has, so both look the same.
    auto printer = std::make_shared<QPrinter>(QPrinter::ScreenResolution);
    printer->setFullPage(true);
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    printer->setDocName(QStringLiteral("%1 %2").arg(JobReportTitle(), content->reportNumber()));
    auto* preview = new TFrmPreview(printer.get(), parent);
    // The printer outlives the window's page view, which is freed before the window itself.
    QObject::connect(preview, &QObject::destroyed, [printer] {});
    preview->Other.paint = [content, form](QPrinter* device) {
        return DrawJobReport(*content, *form, device);
    };
    // Saved on a worker thread from the same values, while the window shows how far it has come.
    preview->Other.savePdf = [preview, content, form](const QString& fileName) {
        FileExport::Run(
            preview, fileName,
            [content, form, fileName](const WorkControl& control) {
                return WriteJobReportPdf(*content, *form, fileName, control);
            },
            [fileName](const Outcome& outcome, bool stopped) {
                if (outcome)
                    OpenFolder(FolderOfFile(fileName));
                else if (!stopped)
                    ShowMessage(QCoreApplication::translate("UDlgPreview", "PDF文件保存失败！"), AppTitle(),
                                MsgIcon::Warning);
            });
    };
    preview->Other.pdfName = QStringLiteral("%1 %2.pdf").arg(JobReportTitle(), content->reportNumber());
    preview->SetTitle(QStringLiteral("%1 %2").arg(JobReportTitle(), content->job.title()));
    preview->show();
    return preview;
}
