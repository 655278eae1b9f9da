#include "ui/ArchivePrompts.h"

#include "archive/ProgramArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "ui/ArchiveImportRun.h"

#include <QCoreApplication>
#include <QDir>

void ArchivePrompts::Install() {
    ProgramArchive& program = ProgramArchive::shared();
    if (!program.findChild<ArchivePrompts*>(QString(), Qt::FindDirectChildrenOnly))
        new ArchivePrompts(&program);
}

ArchivePrompts::ArchivePrompts(QObject* parent) : QObject(parent) {
    connect(&ProgramArchive::shared(), &ProgramArchive::troubleFound, this, &ArchivePrompts::tell);
}

void ArchivePrompts::tell(const QString& message, bool offerNewArchive) {
    if (!offerNewArchive) {
        ShowMessage(message, AppTitle(), MsgIcon::Warning);
        return;
    }
    const QString question =
        message +
        QCoreApplication::translate("ProgramArchive",
                                    "\n\n是否建立新的记录库？损坏的文件会改名保留在原文件夹中，"
                                    "测试记录文件夹中的数据文件和工作簿（包括自动备份）会重新导入新的记录库，"
                                    "台账中能读出的设备也会转入。");
    if (ShowMessage(question, AppTitle(), MsgIcon::Warning, MsgButtons::YesNo) == MsgResult::Yes)
        makeNewArchive();
}

void ArchivePrompts::makeNewArchive() {
    const Result<QString> aside = ProgramArchive::shared().setAsideDamaged();
    if (!aside) {
        ShowMessage(aside.reason(), AppTitle(), MsgIcon::Warning);
        return;
    }
    BringInDataFolder(nullptr, [aside = *aside](const ImportSummary& summary) {
        emit ProgramArchive::shared().registerChanged();
        ShowMessage(QCoreApplication::translate(
                        "ProgramArchive",
                        "已建立新的记录库，从测试记录文件夹导入 %1 条记录。\n损坏的文件保留为“%2”。")
                        .arg(summary.recordsAdded)
                        .arg(QDir::toNativeSeparators(aside)),
                    AppTitle(), MsgIcon::Information);
    });
}
