#include "ui/ArchiveImportRun.h"

#include "archive/ImportRunner.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "report/DataFile.h"
#include "ui/InputGuard.h"
#include "ui/WorkProgress.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <deque>

namespace {

// The imports asked for: the first one runs, the others wait their turn.
std::deque<ArchiveImportRun*> g_imports;

WorkProgressTexts ImportProgressTexts() {
    return {QCoreApplication::translate("ArchiveImportRun", "导入记录"),
            QCoreApplication::translate("ArchiveImportRun", "正在把测试记录导入记录库…"),
            QCoreApplication::translate("ArchiveImportRun", "导入进度"),
            QCoreApplication::translate("ArchiveImportRun", "取消"),
            QCoreApplication::translate("ArchiveImportRun", "正在取消导入…")};
}

// While an import runs, the user's input is dropped as it arrives, but for a modal window opened
// meanwhile (the import's progress once it shows, a message): nothing is started on an archive that
// is being filled, and nothing clicked meanwhile is carried out after it.
class InputHold : public QObject {
public:
    InputHold() : m_modalAtStart(QApplication::activeModalWidget()) { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!UserInputBlocker::IsUserInput(event))
            return false;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_modalAtStart)
            return true;
        if (auto* window = qobject_cast<QWindow*>(watched))
            return window != modal->windowHandle();
        auto* widget = qobject_cast<QWidget*>(watched);
        return !widget || !(widget == modal || modal->isAncestorOf(widget));
    }

private:
    QPointer<QWidget> m_modalAtStart;
};

} // namespace

ArchiveImportRun::ArchiveImportRun(QWidget* parent, QStringList paths, QString root, bool onlyChanged,
                                   Done done)
    : QObject(parent ? static_cast<QObject*>(parent) : qApp), m_parent(parent), m_paths(std::move(paths)),
      m_root(std::move(root)), m_onlyChanged(onlyChanged), m_done(std::move(done)) {}

ArchiveImportRun* ArchiveImportRun::Start(QWidget* parent, const QStringList& paths, const QString& root,
                                          bool onlyChanged, Done done) {
    auto* run = new ArchiveImportRun(parent, paths, root, onlyChanged, std::move(done));
    // A run that goes with its window before its turn leaves the queue with it.
    connect(run, &QObject::destroyed, [run] {
        const auto found = std::find(g_imports.begin(), g_imports.end(), run);
        if (found == g_imports.end())
            return;
        const bool first = found == g_imports.begin();
        g_imports.erase(found);
        if (first && !g_imports.empty())
            g_imports.front()->begin();
    });
    g_imports.push_back(run);
    if (g_imports.size() == 1)
        run->begin();
    return run;
}

bool ArchiveImportRun::Busy() {
    return !g_imports.empty();
}

void ArchiveImportRun::begin() {
    ProgramArchive& program = ProgramArchive::shared();
    if (!program.archive().writable()) {
        program.tellProblemOnce();
        ImportSummary summary;
        summary.failure = program.archive().writeFailure();
        QTimer::singleShot(0, this, [this, summary] { end(summary); });
        return;
    }
    auto* hold = new InputHold;
    hold->setParent(this);
    m_runner = new ImportRunner(this);
    auto* progress =
        new WorkProgress(m_parent, ImportProgressTexts(), [runner = m_runner] { runner->cancel(); });
    progress->setObjectName(QStringLiteral("ImportProgress"));
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QObject::destroyed, progress, &WorkProgress::end);
    progress->showSoon();
    connect(m_runner, &ImportRunner::progress, progress, &WorkProgress::showProgress);
    connect(m_runner, &ImportRunner::finished, this, [this, hold, progress](const ImportSummary& summary) {
        m_runner->wait();
        progress->end();
        delete hold;
        end(summary);
    });
    ImportOptions options;
    options.root = m_root;
    options.onlyChanged = m_onlyChanged;
    m_runner->start(program.archive().fileName(), m_paths, options);
}

void ArchiveImportRun::end(ImportSummary summary) {
    if (const auto found = std::find(g_imports.begin(), g_imports.end(), this); found != g_imports.end())
        g_imports.erase(found);
    if (!g_imports.empty())
        g_imports.front()->begin();
    if (summary.recordsAdded > 0)
        emit ProgramArchive::shared().recordsStored(QStringLiteral("import"));
    deleteLater();
    emit finished(summary);
    if (m_done)
        m_done(summary);
}

ArchiveImportRun* BringInDataFolder(QWidget* parent, ArchiveImportRun::Done done) {
    const QString folder = EnsureDataFolder();
    return ArchiveImportRun::Start(
        parent, {folder}, folder, true, [folder, done](const ImportSummary& summary) {
            QStringList skipped;
            const QDir root(folder);
            for (const ImportSkip& skip : summary.skipped)
                skipped << root.relativeFilePath(skip.path) +
                               QCoreApplication::translate("ArchiveImportRun", "：") + skip.reason;
            ProgramArchive::shared().setSkippedFiles(skipped);
            if (done)
                done(summary);
        });
}

QString ImportSummaryText(const ImportSummary& summary) {
    QString text = QCoreApplication::translate("ArchiveImportRun", "读取 %1 个文件、%2 条记录，新增 %3 条。")
                       .arg(summary.filesRead)
                       .arg(summary.recordsRead)
                       .arg(summary.recordsAdded);
    if (summary.cancelled)
        text += QCoreApplication::translate("ArchiveImportRun", "\n导入已取消，已读取的记录已经存入。");
    if (!summary.failure.ok())
        text += QCoreApplication::translate("ArchiveImportRun", "\n记录库不能写入：%1")
                    .arg(summary.failure.reason());
    if (!summary.skipped.empty())
        text += QCoreApplication::translate("ArchiveImportRun", "\n\n跳过 %1 个：\n")
                    .arg(summary.skipped.size()) +
                SkippedText(summary.skipped);
    return text;
}
