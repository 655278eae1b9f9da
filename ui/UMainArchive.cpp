// The main window's ways in to the record archive: importing files and folders, the asset
// register and the station overview, the test jobs, the instruments and the audit trail, all from
// the tools menu; the current job in the status bar. Each window opens modal to the main window
// without an event loop of its own (open()) and frees itself when it closes.
#include "ui/UMain.h"

#include "archive/ProgramArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/ArchiveImportRun.h"
#include "ui/FileDialogs.h"
#include "ui/UDlgAudit.h"
#include "ui/UDlgDue.h"
#include "ui/UDlgInstruments.h"
#include "ui/UDlgJobs.h"
#include "ui/UDlgOverview.h"
#include "ui/UDlgRegister.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QStatusBar>

namespace {

QAction* ToolAction(QWidget* owner, const QString& caption, const char* name, const QKeySequence& key,
                    const QString& tip) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setStatusTip(tip);
    owner->addAction(action);
    return action;
}

void TellImport(const ImportSummary& summary) {
    ShowMessage(ImportSummaryText(summary), AppTitle(),
                !summary.failure.ok() ? MsgIcon::Warning : MsgIcon::Information);
}

} // namespace

void TFrmMain::CreateArchiveEntries() {
    connect(
        ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "导入记录…"), "ActImportRecords",
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
                   QCoreApplication::translate("UMainArchive", "把数据文件或工作簿中的测试记录导入记录库")),
        &QAction::triggered, this, &TFrmMain::ImportRecordsClick);
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "导入文件夹…"),
                       "ActImportFolder", {},
                       QCoreApplication::translate("UMainArchive",
                                                   "把一个文件夹中全部数据文件和工作簿的测试记录导入记录库")),
            &QAction::triggered, this, &TFrmMain::ImportFolderClick);
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "设备台账…"), "ActRegister",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
                       QCoreApplication::translate("UMainArchive", "设备的站名、间隔、相别、基准值和限值")),
            &QAction::triggered, this, &TFrmMain::ShowRegister);
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "站点总览…"), "ActOverview",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                       QCoreApplication::translate("UMainArchive", "每个站、间隔和设备的最近试验与结论")),
            &QAction::triggered, this, &TFrmMain::ShowOverview);
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "试验任务…"), "ActJobs",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J),
                       QCoreApplication::translate(
                           "UMainArchive", "试验任务：站名、日期、试验条件、仪器、设备、结论、审核和批准")),
            &QAction::triggered, this, &TFrmMain::ShowJobs);
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "仪器台账…"), "ActInstruments",
                       {}, QCoreApplication::translate("UMainArchive", "测试仪器的出厂编号和校准有效期")),
            &QAction::triggered, this, [this] { (new TFrmInstruments(this))->open(); });
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "到期试验…"), "ActDue", {},
                       QCoreApplication::translate("UMainArchive", "每台设备的上次试验、试验周期和下次试验")),
            &QAction::triggered, this, [this] {
                auto* due = new TFrmDue(this);
                connect(due, &TFrmDue::jobsChanged, &ProgramArchive::shared(), &ProgramArchive::jobsChanged);
                due->open();
            });
    connect(ToolAction(StatusBar1, QCoreApplication::translate("UMainArchive", "修改记录…"), "ActAudit", {},
                       QCoreApplication::translate("UMainArchive",
                                                   "试验任务、设备台账、仪器台账和判据的每一次修改")),
            &QAction::triggered, this, [this] { (new TFrmAudit(this))->open(); });
    // The current job, shown only while there is one.
    auto* job = new QLabel(StatusBar1);
    job->setObjectName(QStringLiteral("LblCurrentJob"));
    StatusBar1->addPermanentWidget(job);
    auto showJob = [job] {
        // Read without opening the archive for writing (which checks the whole file first).
        RecordArchive archive;
        const QString fileName = ProgramArchive::shared().fileName();
        const Result<TestJob> current =
            QFileInfo::exists(fileName) &&
                    archive.open(fileName, ArchiveOpening::ReadOnly) == ArchiveState::ReadOnly
                ? TestJobs(archive).job(TestJobs(archive).current())
                : Result<TestJob>(Outcome::Failure({}));
        job->setText(current
                         ? QCoreApplication::translate("UMainArchive", "当前任务：%1").arg(current->title())
                         : QString());
        job->setAccessibleName(job->text());
        job->setVisible(bool(current));
    };
    showJob();
    connect(&ProgramArchive::shared(), &ProgramArchive::jobsChanged, job, showJob);
}

void TFrmMain::ShowJobs() {
    BringInDataFolder(this, [this](const ImportSummary&) {
        auto* dialog = new TFrmJobs(this);
        connect(dialog, &TFrmJobs::jobsChanged, &ProgramArchive::shared(), &ProgramArchive::jobsChanged);
        dialog->open();
    });
}

void TFrmMain::ImportRecordsClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = QCoreApplication::translate("UMainArchive", "导入记录");
    request.filters = {QCoreApplication::translate("UMainArchive", "测试记录(*.txt *.xlsx *.xls *.csv)"),
                       QCoreApplication::translate("UMainArchive", "所有文件(*)")};
    request.initialFolder = EnsureDataFolder();
    request.mustExist = true;
    const QString fileName = ChooseFileName(request);
    if (!fileName.isEmpty())
        ArchiveImportRun::Start(this, {fileName}, QFileInfo(fileName).absolutePath(), false, TellImport);
}

void TFrmMain::ImportFolderClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.title = QCoreApplication::translate("UMainArchive", "导入文件夹");
    request.initialFolder = EnsureDataFolder();
    const QString folder = ChooseFileName(request);
    if (!folder.isEmpty())
        ArchiveImportRun::Start(this, {folder}, folder, false, TellImport);
}

void TFrmMain::ShowRegister() {
    BringInDataFolder(this, [this](const ImportSummary&) {
        auto* dialog = new TFrmRegister(this);
        dialog->open();
    });
}

void TFrmMain::ShowOverview() {
    BringInDataFolder(this, [this](const ImportSummary&) {
        auto* dialog = new TFrmOverview(this);
        connect(dialog, &TFrmOverview::deviceChosen, this,
                [this, dialog](const QString& device) { ShowDeviceHistory(device, dialog); });
        connect(dialog, &TFrmOverview::jobsChanged, &ProgramArchive::shared(), &ProgramArchive::jobsChanged);
        dialog->open();
    });
}
