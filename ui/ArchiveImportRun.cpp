#include "ui/ArchiveImportRun.h"

#include "archive/RecordArchive.h"
#include "report/DataFile.h"
#include "ui/ProgramArchive.h"

#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr auto kQuickImport = std::chrono::milliseconds(300);

// The progress of an import. "取消", Esc and closing the dialog ask the import to stop; the dialog
// stays, holding its window off, until the import has really ended and closes it.
class ImportProgress : public QProgressDialog {
public:
    ImportProgress(QWidget* parent, std::atomic<bool>* cancel)
        : QProgressDialog(QStringLiteral("正在把测试记录导入记录库…"), QString(), 0, 0, parent),
          m_cancel(cancel), m_button(new QPushButton(QStringLiteral("取消"), this)) {
        setObjectName(QStringLiteral("ImportProgress"));
        setWindowTitle(QStringLiteral("导入记录"));
        setAccessibleName(windowTitle());
        setCancelButton(m_button);
        setWindowModality(Qt::WindowModal);
        setMinimumDuration(200);
        setAutoClose(false);
        setAutoReset(false);
        if (auto* bar = findChild<QProgressBar*>())
            bar->setAccessibleName(QStringLiteral("导入进度"));
        // The dialog's own answer to a cancel hides it while the import still runs. It is connected
        // by name, so only a disconnect by name finds it.
        disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
        connect(this, &QProgressDialog::canceled, this, [this] {
            *m_cancel = true;
            m_button->setEnabled(false);
            setLabelText(QStringLiteral("正在取消导入…"));
        });
    }

    void reject() override {
        if (!m_ended)
            emit canceled();
    }
    // The import has ended: the dialog goes.
    void end() {
        m_ended = true;
        close();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (m_ended)
            return QDialog::closeEvent(event);
        event->ignore();
        emit canceled();
    }

private:
    std::atomic<bool>* m_cancel;
    QPushButton* m_button;
    bool m_ended = false;
};

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
    std::atomic<bool> cancel{false};
    ImportProgress progress(parent, &cancel);
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
    if (!quick) {
        progress.show();
        loop.exec();
    }
    worker.join();
    progress.end();
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
