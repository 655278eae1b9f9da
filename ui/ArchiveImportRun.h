#pragma once
// Bringing files into the program's archive on a worker thread (ImportRunner), with a progress
// dialog and a cancel button; the window's thread only shows the progress and goes on when the
// import has ended. Imports asked for while one runs follow it, one after the other.
#include "archive/ArchiveImport.h"

#include <QObject>
#include <QPointer>
#include <functional>

class ImportRunner;
class QWidget;

class ArchiveImportRun : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const ImportSummary& summary)>;

    // Starts bringing in the files and folders in paths (nothing outside root is read); done runs
    // on the window's thread once the import has ended. The run frees itself after.
    static ArchiveImportRun* Start(QWidget* parent, const QStringList& paths, const QString& root,
                                   bool onlyChanged, Done done = {});
    // Whether an import runs or waits its turn.
    static bool Busy();

signals:
    void finished(const ImportSummary& summary);

private:
    ArchiveImportRun(QWidget* parent, QStringList paths, QString root, bool onlyChanged, Done done);
    void begin();
    void end(ImportSummary summary);

    QPointer<QWidget> m_parent;
    QStringList m_paths;
    QString m_root;
    bool m_onlyChanged = false;
    Done m_done;
    ImportRunner* m_runner = nullptr;
};

// The data folder's new and changed files, before a window shows what the archive holds; done
// runs once they are in (at once, without an import, when the archive cannot be written).
ArchiveImportRun* BringInDataFolder(QWidget* parent, ArchiveImportRun::Done done = {});

// "读取 N 个文件，新增 M 条记录" and the skipped files with their reasons.
QString ImportSummaryText(const ImportSummary& summary);
