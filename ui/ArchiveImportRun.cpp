#include "ui/ArchiveImportRun.h"

#include "archive/RecordArchive.h"
#include "report/DataFile.h"
#include "ui/ProgramArchive.h"

#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr auto kQuickImport = std::chrono::milliseconds(300);

} // namespace

ImportSummary RunArchiveImport(QWidget* parent, const QStringList& paths, const QString& root,
                               bool onlyChanged) {
    ProgramArchive& program = ProgramArchive::shared();
    if (!program.archive().writable()) {
        program.tellProblemOnce();
        ImportSummary summary;
        summary.failed = true;
        summary.problem = program.archive().problem();
        return summary;
    }
    const QString fileName = program.archive().fileName();
    QProgressDialog progress(QStringLiteral("正在把测试记录导入记录库…"), QStringLiteral("取消"), 0, 0,
                             parent);
    progress.setWindowTitle(QStringLiteral("导入记录"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(200);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    std::atomic<bool> cancel{false};
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&cancel] { cancel = true; });
    QEventLoop loop;
    ImportSummary summary;
    QPointer<QProgressDialog> shown(&progress);
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        RecordArchive archive; // a connection of this thread's own
        if (archive.open(fileName) != ArchiveState::Open) {
            summary.failed = true;
            summary.problem = archive.problem();
        } else {
            ImportOptions options;
            options.root = root;
            options.onlyChanged = onlyChanged;
            options.cancel = &cancel;
            options.progress = [&](int done, int total, const QString&) {
                QMetaObject::invokeMethod(
                    &progress,
                    [shown, done, total] {
                        if (shown) {
                            shown->setMaximum(total);
                            shown->setValue(done);
                        }
                    },
                    Qt::QueuedConnection);
            };
            summary = ImportFiles(archive, paths, options);
        }
        {
            const std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        finished.notify_one();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // A short look ends before anything would show: no window, no events handled meanwhile.
    // A longer one shows its progress and can be cancelled.
    bool quick = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        quick = finished.wait_for(lock, kQuickImport, [&done] { return done; });
    }
    if (!quick)
        loop.exec();
    worker.join();
    progress.close();
    if (summary.recordsAdded > 0)
        emit program.recordsStored(QStringLiteral("import"));
    return summary;
}

ImportSummary BringInDataFolder(QWidget* parent) {
    const QString folder = EnsureDataFolder();
    const ImportSummary summary = RunArchiveImport(parent, {folder}, folder, true);
    QStringList skipped;
    const QDir root(folder);
    for (const ImportSkip& skip : summary.skipped)
        skipped << root.relativeFilePath(skip.path) + QStringLiteral("：") + skip.reason;
    ProgramArchive::shared().setSkippedFiles(skipped);
    return summary;
}

QString ImportSummaryText(const ImportSummary& summary) {
    QString text = QStringLiteral("读取 %1 个文件、%2 条记录，新增 %3 条。")
                       .arg(summary.filesRead)
                       .arg(summary.recordsRead)
                       .arg(summary.recordsAdded);
    if (summary.cancelled)
        text += QStringLiteral("\n导入已取消，已读取的记录已经存入。");
    if (summary.failed)
        text += QStringLiteral("\n记录库不能写入：%1").arg(summary.problem);
    if (!summary.skipped.empty())
        text +=
            QStringLiteral("\n\n跳过 %1 个：\n").arg(summary.skipped.size()) + SkippedText(summary.skipped);
    return text;
}
