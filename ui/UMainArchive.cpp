// The main window's ways in to the record archive: importing files and folders, the asset
// register and the station overview, all from the tools menu.
#include "ui/UMain.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/ArchiveImportRun.h"
#include "ui/FileDialogs.h"
#include "ui/ProgramArchive.h"
#include "ui/UDlgOverview.h"
#include "ui/UDlgRegister.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
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
    ShowMessage(ImportSummaryText(summary), kAppTitle,
                summary.failed ? MsgIcon::Warning : MsgIcon::Information);
}

} // namespace

void TFrmMain::CreateArchiveEntries() {
    connect(ToolAction(StatusBar1, QStringLiteral("导入记录…"), "ActImportRecords",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
                       QStringLiteral("把数据文件或工作簿中的测试记录导入记录库")),
            &QAction::triggered, this, &TFrmMain::ImportRecordsClick);
    connect(ToolAction(StatusBar1, QStringLiteral("导入文件夹…"), "ActImportFolder", {},
                       QStringLiteral("把一个文件夹中全部数据文件和工作簿的测试记录导入记录库")),
            &QAction::triggered, this, &TFrmMain::ImportFolderClick);
    connect(ToolAction(StatusBar1, QStringLiteral("设备台账…"), "ActRegister",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
                       QStringLiteral("设备的站名、间隔、相别、基准值和限值")),
            &QAction::triggered, this, &TFrmMain::ShowRegister);
    connect(ToolAction(StatusBar1, QStringLiteral("站点总览…"), "ActOverview",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                       QStringLiteral("每个站、间隔和设备的最近试验与结论")),
            &QAction::triggered, this, &TFrmMain::ShowOverview);
}

void TFrmMain::ImportRecordsClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = QStringLiteral("导入记录");
    request.filters = {QStringLiteral("测试记录(*.txt *.xlsx *.xls *.csv)"), QStringLiteral("所有文件(*)")};
    request.initialFolder = EnsureDataFolder();
    request.mustExist = true;
    const QString fileName = ChooseFileName(request);
    if (!fileName.isEmpty())
        TellImport(RunArchiveImport(this, {fileName}, QFileInfo(fileName).absolutePath(), false));
}

void TFrmMain::ImportFolderClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.title = QStringLiteral("导入文件夹");
    request.initialFolder = EnsureDataFolder();
    const QString folder = ChooseFileName(request);
    if (!folder.isEmpty())
        TellImport(RunArchiveImport(this, {folder}, folder, false));
}

void TFrmMain::ShowRegister() {
    BringInDataFolder(this);
    auto* dialog = new TFrmRegister(this);
    dialog->exec();
}

void TFrmMain::ShowOverview() {
    BringInDataFolder(this);
    auto* dialog = new TFrmOverview(this);
    connect(dialog, &TFrmOverview::deviceChosen, this, &TFrmMain::ShowDeviceHistory);
    dialog->exec();
}
