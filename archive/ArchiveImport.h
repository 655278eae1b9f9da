#pragma once
// Bringing data files and workbooks into the archive. Whatever lies in a folder is met safely:
// named pipes, device files, sockets, links that lead out of the folder or round in a loop, links
// to folders, files too large to be records, damaged or hostile workbooks, files still being
// written. None is followed or read; each is skipped with a reason a user can read, and the walk
// never leaves the folder it was given. Runs on any thread with its own RecordArchive.
#include "core/Outcome.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

class RecordArchive;

struct ImportSkip {
    QString path;
    QString reason;
};

struct ImportOptions {
    // Nothing outside this folder is read, whatever a link says.
    QString root;
    // Files whose size and modification time are those of their last import are not read again.
    bool onlyChanged = true;
    // Only names the program writes (.txt data files, .xlsx/.xls/.csv workbooks) are looked at in
    // folders; a file named explicitly is tried whatever its name.
    std::function<void(int done, int total, const QString& file)> progress;
    const std::atomic<bool>* cancel = nullptr;
    // A file changed this recently may still be being written; it waits for the next import, as
    // does a file another program holds open for writing and one that changes while it is read.
    qint64 settleMilliseconds = 0;
    qint64 maxFileBytes = qint64(256) * 1024 * 1024;
};

struct ImportSummary {
    int filesRead = 0;
    int filesUnchanged = 0;
    qint64 recordsRead = 0;
    qint64 recordsAdded = 0;
    std::vector<ImportSkip> skipped;
    bool cancelled = false;
    Outcome failure; // the archive could not be written, and why
};

// Brings in the files and folders named in paths (each inside options.root).
ImportSummary ImportFiles(RecordArchive& archive, const QStringList& paths, const ImportOptions& options);

// Whether a file in a folder is one the import looks at: a data file or a workbook by its name.
bool IsImportableName(const QString& fileName);

// One line per skipped file, for the user ("文件名：原因").
QString SkippedText(const std::vector<ImportSkip>& skipped, int maxLines = 20);
